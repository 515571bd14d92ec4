#include "base/process.h"

#include <vector>

#include "base/lazy_import.h"

namespace base {

bool WaitDeliveringSentMessages(HANDLE object, DWORD timeout_ms) {
  auto wait = LAZY_IMPORT(kUser32, MsgWaitForMultipleObjectsEx);
  auto peek = LAZY_IMPORT(kUser32, PeekMessageW);
  if (!wait || !peek) return WaitForSingleObject(object, timeout_ms) == WAIT_OBJECT_0;
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    DWORD left = INFINITE;
    if (timeout_ms != INFINITE) {
      const ULONGLONG now = GetTickCount64();
      left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    }
    const DWORD result = wait(1, &object, left, QS_SENDMESSAGE, 0);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_OBJECT_0 + 1) return false;
    // Looking at the queue delivers the sent messages; nothing posted is removed.
    MSG message;
    peek(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

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
