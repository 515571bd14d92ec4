#include <windows.h>

#include "base/clock.h"

namespace base {

uint64_t WallClockMicros() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return ((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10;
}

uint64_t MonotonicMicros() {
  ULONGLONG interrupt_time = 0;
  QueryUnbiasedInterruptTime(&interrupt_time);
  return interrupt_time / 10;
}

}  // namespace base
