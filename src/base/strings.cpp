#include "base/strings.h"

#include <algorithm>
#include <limits>

namespace base {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(std::wstring& out, char32_t cp) {
  // Native builds for fuzzing have a 32-bit wchar_t that holds any code point.
  if (sizeof(wchar_t) == 4 || cp < 0x10000) {
    out += static_cast<wchar_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<wchar_t>(0xD800 | (cp >> 10));
    out += static_cast<wchar_t>(0xDC00 | (cp & 0x3FF));
  }
}

template <typename Char>
std::optional<uint64_t> ParseUnsigned(std::basic_string_view<Char> text) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (Char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

template <typename Char>
std::optional<int64_t> ParseSigned(std::basic_string_view<Char> text) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  auto magnitude = ParseUnsigned(text);
  if (!magnitude) return std::nullopt;
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (negative) {
    if (*magnitude > kMax + 1) return std::nullopt;
    return static_cast<int64_t>(0 - *magnitude);
  }
  if (*magnitude > kMax) return std::nullopt;
  return static_cast<int64_t>(*magnitude);
}

template <typename Char>
Char LowerAscii(Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

}  // namespace

std::string WideToUtf8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t c = static_cast<char32_t>(wide[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
      char32_t low = static_cast<char32_t>(wide[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) ? kReplacement : c);
  }
  return out;
}

std::wstring Utf8ToWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += static_cast<wchar_t>(lead);
      ++i;
      continue;
    }
    int extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
    if (lead >= 0xF5) extra = -1;
    char32_t cp = extra == 3 ? (lead & 0x07) : extra == 2 ? (lead & 0x0F) : (lead & 0x1F);
    size_t j = i + 1;
    bool ok = extra > 0;
    for (int k = 0; ok && k < extra; ++k, ++j) {
      if (j >= utf8.size() || (static_cast<unsigned char>(utf8[j]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
    }
    // Reject overlong forms, surrogates and values past U+10FFFF.
    if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
               (cp >= 0xD800 && cp <= 0xDFFF))) {
      ok = false;
    }
    if (!ok) {
      AppendUtf16(out, kReplacement);
      i = std::max(j, i + 1);
      continue;
    }
    AppendUtf16(out, cp);
    i = j;
  }
  return out;
}

std::wstring AsciiToWide(std::string_view ascii) {
  std::wstring out;
  out.reserve(ascii.size());
  for (char c : ascii) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

std::wstring NumberToWide(int64_t value) { return AsciiToWide(std::to_string(value)); }

std::string WideToAscii(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t c : wide) out += static_cast<char>(c & 0xFF);
  return out;
}

bool IsAscii(std::wstring_view text) {
  for (wchar_t c : text)
    if (static_cast<unsigned>(c) > 0x7F) return false;
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > 0x7F) return false;
  return true;
}

std::optional<uint64_t> ParseUint64(std::string_view text) { return ParseUnsigned(text); }
std::optional<uint64_t> ParseUint64(std::wstring_view text) { return ParseUnsigned(text); }
std::optional<int64_t> ParseInt64(std::string_view text) { return ParseSigned(text); }
std::optional<int64_t> ParseInt64(std::wstring_view text) { return ParseSigned(text); }
std::optional<uint32_t> ParseUint32(std::wstring_view text) {
  auto value = ParseUnsigned(text);
  if (!value || *value > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::wstring ToLowerAscii(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = LowerAscii(c);
  return out;
}

bool EqualsCaseInsensitiveAscii(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool EqualsCaseInsensitiveAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::wstring_view text, std::wstring_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool EndsWithCaseInsensitiveAscii(std::wstring_view text, std::wstring_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsCaseInsensitiveAscii(text.substr(text.size() - suffix.size()), suffix);
}

std::string HexLower(const uint8_t* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0x0F];
  }
  return out;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

}  // namespace base
