// Stand-ins for the few platform calls of the portable core, for native builds (unit tests and
// fuzzing on Linux). The Windows build never compiles this file.
#include <sys/random.h>
#include <time.h>

#include <cerrno>
#include <functional>
#include <mutex>
#include <string>

#include "base/clock.h"
#include "base/command_line.h"
#include "base/command_line_split.h"
#include "base/diag_log.h"
#include "base/random.h"

namespace base {

uint64_t WallClockMicros() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  constexpr uint64_t kEpochDifferenceSeconds = 11644473600ull;  // 1601-01-01 to 1970-01-01
  return (now.tv_sec + kEpochDifferenceSeconds) * 1000000ull + now.tv_nsec / 1000;
}

uint64_t MonotonicMicros() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000ull + now.tv_nsec / 1000;
}

bool RandomBytes(void* out, size_t size) {
  auto* bytes = static_cast<unsigned char*>(out);
  while (size > 0) {
    ssize_t got = getrandom(bytes, size, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

namespace {
std::mutex g_diag_mutex;
std::function<void(std::string_view)> g_diag_handler;
}  // namespace

void DiagLog(std::string_view message) {
  std::lock_guard<std::mutex> lock(g_diag_mutex);
  if (g_diag_handler) g_diag_handler(message);
}

void SetDiagLogHandler(std::function<void(std::string_view)> handler) {
  std::lock_guard<std::mutex> lock(g_diag_mutex);
  g_diag_handler = std::move(handler);
}

std::vector<std::wstring> SplitCommandLine(const std::wstring& text) { return SplitCommandLineText(text); }

}  // namespace base
