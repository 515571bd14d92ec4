// Text conversion and number formatting. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// UTF-16 <-> UTF-8. Unpaired surrogates and malformed UTF-8 become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);
std::wstring Utf8ToWide(std::string_view utf8);
// Narrow URLs and ASCII texts are widened character by character.
std::wstring AsciiToWide(std::string_view ascii);
// Keeps the low byte of each character (for texts known to be ASCII).
std::string WideToAscii(std::wstring_view wide);
[[nodiscard]] bool IsAscii(std::wstring_view text);
bool IsAscii(std::string_view text);

// Whole-string decimal parsing: no sign for unsigned, no blanks, no overflow.
[[nodiscard]] std::optional<uint64_t> ParseUint64(std::string_view text);
std::optional<uint64_t> ParseUint64(std::wstring_view text);
[[nodiscard]] std::optional<int64_t> ParseInt64(std::string_view text);
std::optional<int64_t> ParseInt64(std::wstring_view text);
[[nodiscard]] std::optional<uint32_t> ParseUint32(std::wstring_view text);
// Decimal text of a number. (std::to_wstring would bring in the C library's wide printf.)
std::wstring NumberToWide(int64_t value);

std::string ToLowerAscii(std::string_view text);
std::wstring ToLowerAscii(std::wstring_view text);
[[nodiscard]] bool EqualsCaseInsensitiveAscii(std::wstring_view a, std::wstring_view b);
bool EqualsCaseInsensitiveAscii(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWith(std::wstring_view text, std::wstring_view prefix);
bool EndsWith(std::wstring_view text, std::wstring_view suffix);
[[nodiscard]] bool EndsWithCaseInsensitiveAscii(std::wstring_view text, std::wstring_view suffix);

std::string HexLower(const uint8_t* bytes, size_t size);
std::vector<std::string> Split(std::string_view text, char separator);

}  // namespace base
