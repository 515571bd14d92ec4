#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace base {

// Cryptographically strong random bytes from the system (RtlGenRandom). False on failure.
[[nodiscard]] bool RandomBytes(void* out, size_t size);
// Uniform in [min, max] (inclusive), strong; without rejection bias.
uint64_t RandomInRange(uint64_t min, uint64_t max);
// A random version-4 GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case).
std::wstring GenerateGuid();
// Formats 16 bytes (Data1..Data4 in memory order of a GUID) the same way.
std::wstring FormatGuid(const uint8_t bytes[16]);

}  // namespace base
