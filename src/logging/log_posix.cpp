// The logger's platform calls for native builds (unit tests and fuzzing on Linux). The Windows
// build never compiles this file.
#include <cerrno>
#include <string>

#include "base/clock.h"
#include "logging/log.h"

namespace logging {

uint32_t LastSystemError() { return static_cast<uint32_t>(errno); }

std::string SystemErrorText(uint32_t code) { return std::to_string(code) + ", error"; }

void StampRecord(Record& record) { record.time_us = base::WallClockMicros(); }

}  // namespace logging
