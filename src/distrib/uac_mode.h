// When the installer asks for elevation, as the "uac" distribution parameter chooses. The values
// are the parameter's numbers.
#pragma once

namespace distrib {

enum UacMode : int {
  kUacOnInstall = 0,        // the elevated copy starts when Install switches to the progress screen
  kUacWithWindow = 1,       // it starts as the window opens
  kUacAtBrowserStart = 2,   // the installer never elevates; the browser asks at its first start
};

}  // namespace distrib
