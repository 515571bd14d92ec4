#pragma once

namespace startup {

// The whole life of the process: role decision, start-up, the installation, the exit code.
int InstallerMain();

}  // namespace startup
