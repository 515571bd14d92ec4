// Restricting the DLL search path before anything else loads, and the protected relaunch on
// systems that cannot restrict it.
#pragma once

#include <string>

#include "base/command_line.h"

namespace startup {

enum SecureEnvironmentState : int {
  kEnvironmentInsecure = 0,      // the protected copy reported DLLs, or waiting for it failed
  kEnvironmentUnavailable = 1,   // no secure environment could be set up; go on
  kEnvironmentSecure = 2,
  kEnvironmentDllsBeside = 3,    // DLL files lie beside the executable
  kEnvironmentCopyRan = 4,       // the protected copy ran; its exit code is final
};

// Removes the current directory from the DLL search path and, where the system offers it,
// restricts loading to System32. Older systems fall back to the legacy branch below.
SecureEnvironmentState SecureEnvironmentCheck(int* exit_code);

// The branch for systems without SetSearchPathMode/SetDefaultDllDirectories: refuse to run beside
// DLL files when already relaunched or elevated, else run a copy from a fresh temporary directory.
SecureEnvironmentState LegacySecureEnvironmentCheck(const base::CommandLine& command_line,
                                                    const std::wstring& executable, int* exit_code);

}  // namespace startup
