// Starting the browser setup and the Windows 10 interface probe.
#pragma once

#include <cstdint>
#include <string>

#include "base/command_line.h"

namespace install {

class InstallerDelegate;

// Starts the setup with the command line (program = setup_path, plus "source" = "lite"; the file
// at setup_path exactly, never one a search finds), waits
// for it without limit and stores its exit code in *result_code (400 until then). True when the
// exit code was obtained, whatever it is.
[[nodiscard]] bool RunModuleAndWait(const std::wstring& setup_path, const base::CommandLine& command_line,
                      InstallerDelegate* delegate, int* result_code);

// The running system as the probe sees it.
struct SystemBuild {
  int version = 0;        // on the installer's version scale
  uint32_t build = 0;     // Windows build number
  uint32_t revision = 0;  // update build revision
};
SystemBuild CurrentSystemBuild();

// The code the probe hands to the setup: state × 1e9 + build × 1e4 (builds below 29497) +
// revision (below 7296).
int64_t InterfaceAvailabilityCode(int state, uint32_t build, uint32_t revision);

// Asks a child copy of the installer ("check-the-interface") whether the internal default-browser
// interface works, so that a crash there cannot take the installer down. Before Windows 10 it
// returns false and leaves *code alone. installer_exe is the installer's own program.
[[nodiscard]] bool IsInternalInterfaceAvailableSafeCheck(const SystemBuild& system, const std::wstring& installer_exe,
                                           int64_t* code);

}  // namespace install
