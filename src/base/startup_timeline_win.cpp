#include "base/startup_timeline.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "base/lazy_import.h"

namespace base {

namespace {

uint64_t FileTimeMicros(const FILETIME& time) {
  return ((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10;
}

// The file named by the variable, opened on the first mark; INVALID_HANDLE_VALUE when the
// timeline is off.
HANDLE TimelineFile() {
  static const HANDLE file = [] {
    wchar_t path[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(kStartupTimelineVariable, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return INVALID_HANDLE_VALUE;
    return CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }();
  return file;
}

}  // namespace

void MarkStartup(const char* step) {
  HANDLE file = TimelineFile();
  if (file == INVALID_HANDLE_VALUE) return;
  static const uint64_t created_micros = [] {
    FILETIME created, unused1, unused2, unused3;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &unused1, &unused2, &unused3)) return uint64_t{0};
    return FileTimeMicros(created);
  }();
  if (!created_micros) return;
  // The precise clock exists from Windows 8; 7 has only the coarse one.
  using GetTimeFn = void WINAPI(FILETIME*);
  auto precise = LAZY_IMPORT_AS(kKernel32, GetTimeFn, "GetSystemTimePreciseAsFileTime");
  FILETIME now;
  if (precise) {
    precise(&now);
  } else {
    GetSystemTimeAsFileTime(&now);
  }
  char line[128];
  int length = snprintf(line, sizeof(line), "%llu\t%s\n",
                        static_cast<unsigned long long>(FileTimeMicros(now) - created_micros), step);
  if (length <= 0 || length >= static_cast<int>(sizeof(line))) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace base
