// Child processes: launch from a command line, wait with or without a time-out, terminate, read
// the exit code. And the one look at a kernel object's state that does not wait, and the wait
// a window's thread uses.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/unique_handle.h"

namespace base {

// True when the event (or process, or thread) is signalled now.
inline bool IsSignalled(HANDLE object) { return ::WaitForSingleObject(object, 0) == WAIT_OBJECT_0; }

// Waits at most timeout_ms (INFINITE for no limit) for the object while delivering the messages
// other threads and processes send to this thread (SendMessage), so that a window's thread never
// deadlocks with a sender that the awaited thread itself waits for. Posted messages stay queued.
// True when the object was signalled.
[[nodiscard]] bool WaitDeliveringSentMessages(HANDLE object, DWORD timeout_ms);

class Process {
 public:
  Process() = default;
  Process(ScopedHandle process, DWORD id) : handle_(std::move(process)), id_(id) {}

  // CreateProcessW with the whole command line (the program is its first argument).
  static Process Launch(const std::wstring& command_line, bool inherit_handles = false);

  [[nodiscard]] bool valid() const { return handle_.valid(); }
  HANDLE handle() const { return handle_.get(); }
  DWORD id() const { return id_; }
  // Waits at most timeout_ms (INFINITE for no limit); the exit code when the process ended.
  [[nodiscard]] std::optional<DWORD> WaitForExit(DWORD timeout_ms = INFINITE) const;
  bool Terminate(UINT exit_code) const;

 private:
  ScopedHandle handle_;
  DWORD id_ = 0;
};

}  // namespace base
