// Base64 (RFC 4648 alphabet, "=" padding). Portable: no Windows headers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trust {

std::string Base64Encode(std::string_view bytes);
// Strict: the length is a multiple of four, padding only at the end, no blanks or other
// characters. Nothing on malformed text.
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace trust
