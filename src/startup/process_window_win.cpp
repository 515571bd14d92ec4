#include "startup/process_window.h"

#include "base/lazy_import.h"
#include "logging/log.h"

namespace startup {

namespace {

struct Search {
  DWORD process_id;
  HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  auto thread_process = LAZY_IMPORT(base::kUser32, GetWindowThreadProcessId);
  DWORD owner = 0;
  if (thread_process) thread_process(window, &owner);
  if (owner != search->process_id) return TRUE;
  search->window = window;
  return FALSE;
}

}  // namespace

void BringProcessWindowToTop(DWORD process_id) {
  if (process_id == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    PLOG(ERROR) << "Failed to bring process window to top: wrong process id";
    return;
  }
  auto enum_windows = LAZY_IMPORT(base::kUser32, EnumWindows);
  auto get_foreground = LAZY_IMPORT(base::kUser32, GetForegroundWindow);
  auto thread_process = LAZY_IMPORT(base::kUser32, GetWindowThreadProcessId);
  auto attach = LAZY_IMPORT(base::kUser32, AttachThreadInput);
  auto bring_to_top = LAZY_IMPORT(base::kUser32, BringWindowToTop);
  auto set_foreground = LAZY_IMPORT(base::kUser32, SetForegroundWindow);
  auto parameters = LAZY_IMPORT(base::kUser32, SystemParametersInfoW);
  if (!enum_windows || !get_foreground || !thread_process || !attach || !bring_to_top || !set_foreground ||
      !parameters) {
    return;
  }
  Search search = {process_id, nullptr};
  enum_windows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  if (!search.window) return;

  DWORD this_thread = GetCurrentThreadId();
  DWORD foreground_thread = thread_process(get_foreground(), nullptr);
  bool attached = foreground_thread && foreground_thread != this_thread && attach(this_thread, foreground_thread, TRUE);
  bring_to_top(search.window);
  set_foreground(search.window);
  if (attached) attach(this_thread, foreground_thread, FALSE);
  if (get_foreground() == search.window) return;

  DWORD lock_timeout = 0;
  parameters(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lock_timeout, 0);
  parameters(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
  bring_to_top(search.window);
  set_foreground(search.window);
  parameters(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(lock_timeout)),
             SPIF_SENDCHANGE);
}

}  // namespace startup
