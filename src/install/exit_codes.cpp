#include "install/exit_codes.h"

#include "base/strings.h"

namespace install {

namespace {

struct NamedCode {
  uint32_t code;
  const char* name;
};

constexpr NamedCode kSetupExitCodes[] = {
    {0, "SUCCESS_EXIT_CODE"},
    {1, "GENERIC_ERROR"},
    {101, "GENERIC_INITIALIZATION_FAILURE"},
    {105, "COMMAND_STRING_OVERFLOW"},
    {107, "WAIT_FOR_PROCESS_FAILED"},
    {108, "PATH_STRING_OVERFLOW"},
    {109, "UNABLE_TO_GET_WORK_DIRECTORY"},
    {110, "UNABLE_TO_FIND_REGISTRY_KEY"},
    {111, "PATCH_NOT_FOR_INSTALLED_VERSION"},
    {112, "UNABLE_TO_EXTRACT_TESSEL_ARCHIVE"},
    {115, "UNABLE_TO_EXTRACT_SETUP_EXE"},
    {116, "UNABLE_TO_EXTRACT_SETUP"},
    {117, "UNABLE_TO_SET_DIRECTORY_ACL"},
};

}  // namespace

std::string ExitCodeName(uint32_t exit_code) {
  uint32_t high = exit_code >> 24;
  uint32_t detail = exit_code & 0xFFFFFF;
  std::string text = "Exit code: " + std::to_string(high);
  for (const NamedCode& entry : kSetupExitCodes) {
    if (entry.code == high) {
      text = std::string(entry.name) + "(" + std::to_string(high) + ")";
      break;
    }
  }
  return text + "; error: " + std::to_string(detail);
}

std::wstring SetupExitedError(bool ran, bool elevated, int result_code) {
  if (!ran) return L"FailedToStart";
  bool expected = elevated ? result_code == kExitNotFinished : (result_code == 1 || result_code == 3 || result_code == 5);
  return expected ? std::wstring() : base::NumberToWide(result_code);
}

}  // namespace install
