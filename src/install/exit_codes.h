// The installer's exit codes and the log name of a setup exit code. One list for the
// installation's result (Installer::result_code), the process's exit code that start-up returns
// and the elevated copy's own codes (docs/exit-codes.md). Portable.
#pragma once

#include <cstdint>
#include <string>

namespace install {

enum ExitCode : int {
  kExitNotFinished = 400,      // setup not started or not waited for; elevated interactive run
  kExitSetupNotObtained = 401,
  kExitVerificationFailed = 402,
  kExitNotEnoughDiskSpace = 403,
  kExitUnsupportedCpu = 404,
  kExitUserCancelled = 500,
  kExitAnotherInstance = 600,
  kExitInterfaceAvailable = 700,
  kExitInterfaceUnavailable = 701,
  kExitInsecureEnvironment = -200,
  kExitChildSucceeded = 0,
  kExitChildFailed = -1,
  // The elevated copy refused the setup the shared record named: it did not pass the trust check.
  kExitChildVerificationFailed = kExitVerificationFailed,
};

// "GENERIC_ERROR(1); error: 5" for 0x01000005; "Exit code: 2; error: 7" for an unknown high byte.
std::string ExitCodeName(uint32_t exit_code);

// The "error" of the report that the setup has exited, empty for none: "FailedToStart" when it
// did not run, else the result code unless that is an expected end. A setup run here ends as
// expected with 1, 3 or 5; through the elevated copy the result stays kExitNotFinished unless the
// copy refused the setup.
std::wstring SetupExitedError(bool ran, bool elevated, int result_code);

}  // namespace install
