// Base64 (RFC 4648 alphabet, "=" padding). Portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base {

std::string Base64Encode(std::string_view bytes);
// Strict: the length is a multiple of four, padding only at the end, no other characters, no set
// bits under the padding.
[[nodiscard]] std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace base
