#include "base/file_path.h"

namespace base {

namespace {
size_t LastSeparator(std::wstring_view path) { return path.find_last_of(L"\\/"); }
}  // namespace

bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring DirName(std::wstring_view path) {
  size_t pos = LastSeparator(path);
  if (pos == std::wstring_view::npos) return {};
  if (pos == 2 && path[1] == L':') return std::wstring(path.substr(0, 3));
  // Keep a separator run's first character out: "a\\\\b" -> "a".
  while (pos > 0 && IsPathSeparator(path[pos - 1])) --pos;
  if (pos == 0) return std::wstring(path.substr(0, 1));
  return std::wstring(path.substr(0, pos));
}

std::wstring BaseName(std::wstring_view path) {
  size_t pos = LastSeparator(path);
  return std::wstring(pos == std::wstring_view::npos ? path : path.substr(pos + 1));
}

std::wstring AppendPath(std::wstring_view dir, std::wstring_view name) {
  std::wstring out(dir);
  if (!out.empty() && !IsPathSeparator(out.back())) out += L'\\';
  out += name;
  return out;
}

std::wstring InsertBeforeExtension(std::wstring_view path, std::wstring_view text) {
  size_t separator = LastSeparator(path);
  size_t dot = path.find_last_of(L'.');
  std::wstring out(path);
  if (dot == std::wstring_view::npos || (separator != std::wstring_view::npos && dot < separator)) {
    out += text;
  } else {
    out.insert(dot, text);
  }
  return out;
}

}  // namespace base
