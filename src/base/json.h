// JSON reading and writing over nlohmann::json. The reader accepts "//" and block comments
// between tokens and limits nesting depth. Portable.
#pragma once

// The library reports malformed or mistyped input by throwing. Built without exceptions it would
// abort instead, and its inline functions would differ between objects: a file that includes it
// belongs to vorlex_throwing_sources in CMakeLists.txt.
#if !defined(__cpp_exceptions)
#error "base/json.h needs exceptions: add this file to vorlex_throwing_sources in CMakeLists.txt"
#endif

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace base {

using Json = nlohmann::json;

// Nesting limit of the configuration documents (brand and partner configuration, trusted
// certificates, variations file, distribution info).
inline constexpr int kJsonMaxDepth = 2048;

// Parses text; values may nest max_depth levels, one more fails with "maximum parsing depth
// reached". On failure returns nothing and, when error is given, stores the reason.
[[nodiscard]] std::optional<Json> ParseJson(std::string_view text, int max_depth = kJsonMaxDepth, std::string* error = nullptr);
// The type number of a value in diagnostics: 0 null, 1 boolean, 2 integer, 3 real, 4 string,
// 6 object, 7 array (5 is binary data, which text never yields).
int JsonTypeNumber(const Json& value);
// Compact text (indent < 0) or text indented by the given number of spaces.
std::string WriteJson(const Json& value, int indent = -1);

}  // namespace base
