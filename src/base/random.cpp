#include "base/random.h"

#include <cstdio>
#include <limits>

#include "base/strings.h"

namespace base {

uint64_t RandomInRange(uint64_t min, uint64_t max) {
  if (max <= min) return min;
  uint64_t span = max - min;
  if (span == std::numeric_limits<uint64_t>::max()) {
    uint64_t value = 0;
    (void)RandomBytes(&value, sizeof(value));
    return value;
  }
  uint64_t range = span + 1;
  // Reject the top partial bucket so that every value is equally likely.
  uint64_t limit = std::numeric_limits<uint64_t>::max() - std::numeric_limits<uint64_t>::max() % range;
  uint64_t value = 0;
  do {
    if (!RandomBytes(&value, sizeof(value))) return min;
  } while (value >= limit);
  return min + value % range;
}

std::wstring FormatGuid(const uint8_t b[16]) {
  char text[40];
  snprintf(text, sizeof(text), "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
           b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
           b[14], b[15]);
  return AsciiToWide(text);
}

std::wstring GenerateGuid() {
  uint8_t bytes[16] = {};
  (void)RandomBytes(bytes, sizeof(bytes));
  bytes[7] = static_cast<uint8_t>((bytes[7] & 0x0F) | 0x40);  // version 4 (high nibble of Data3)
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return FormatGuid(bytes);
}

}  // namespace base
