#include "base/process.h"

#include <vector>

namespace base {

Process Process::Launch(const std::wstring& command_line, bool inherit_handles) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  // CreateProcessW may write into the command line buffer.
  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(L'\0');
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, inherit_handles, 0, nullptr, nullptr,
                      &startup, &info)) {
    return Process();
  }
  ScopedHandle(info.hThread).reset();  // only the process is kept
  return Process(ScopedHandle(info.hProcess), info.dwProcessId);
}

std::optional<DWORD> Process::WaitForExit(DWORD timeout_ms) const {
  if (!valid() || WaitForSingleObject(handle_.get(), timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(handle_.get(), &code)) return std::nullopt;
  return code;
}

bool Process::Terminate(UINT exit_code) const {
  return valid() && TerminateProcess(handle_.get(), exit_code);
}

}  // namespace base
