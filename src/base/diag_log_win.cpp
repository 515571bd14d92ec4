#include <windows.h>

#include <mutex>
#include <string>

#include "base/diag_log.h"

namespace base {

namespace {
std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}
std::function<void(std::string_view)>& Handler() {
  static std::function<void(std::string_view)> handler;
  return handler;
}
}  // namespace

void DiagLog(std::string_view message) {
  std::lock_guard<std::mutex> lock(HandlerMutex());
  if (Handler()) {
    Handler()(message);
    return;
  }
  std::string line(message);
  line += '\n';
  OutputDebugStringA(line.c_str());
}

void SetDiagLogHandler(std::function<void(std::string_view)> handler) {
  std::lock_guard<std::mutex> lock(HandlerMutex());
  Handler() = std::move(handler);
}

}  // namespace base
