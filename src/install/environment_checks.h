// Checks that refuse machines the browser cannot be installed on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace install {

inline constexpr uint64_t kRequiredDiskSpace = 629145600;  // 600 MiB
inline constexpr int kMessageNoSse3 = 413;
inline constexpr int kMessageNoSse2 = 441;

// Portable decisions.
// 0 when both are present, else the string id of the message (SSE3 is reported first).
int CpuMessageId(bool sse2, bool sse3);
// A free-space figure that could not be measured passes.
[[nodiscard]] bool EnoughSpace(std::optional<uint64_t> free_bytes, uint64_t required);
// The download library was blocked by CryptoPro's "cplib.dll" (a delay-load failure naming it).
[[nodiscard]] bool IsCryptoProConflict(uint32_t exception_code, const std::string& dll, const std::string& procedure);

// System side.
// False with the message id when the processor lacks SSE2 or SSE3.
[[nodiscard]] bool IsCpuSupported(int* message_id);
// Free space on the volume of Program Files (system level) or of the local application data.
[[nodiscard]] bool HasEnoughDiskSpace(bool system_level, uint64_t required);

}  // namespace install
