#pragma once

#include <cstdint>

namespace base {

// Wall clock: microseconds since 1601-01-01 UTC (for durations reported in whole seconds).
uint64_t WallClockMicros();
// Monotonic clock: QueryUnbiasedInterruptTime in microseconds (time stamps for the setup).
uint64_t MonotonicMicros();

}  // namespace base
