// Path text operations on wide Windows paths. Portable: no Windows headers.
#pragma once

#include <string>
#include <string_view>

namespace base {

[[nodiscard]] bool IsPathSeparator(wchar_t c);
// "C:\a\b.exe" -> "C:\a"; "C:\b.exe" -> "C:\"; "b.exe" -> "".
std::wstring DirName(std::wstring_view path);
// "C:\a\b.exe" -> "b.exe".
std::wstring BaseName(std::wstring_view path);
// Joins with exactly one backslash unless dir is empty.
std::wstring AppendPath(std::wstring_view dir, std::wstring_view name);
// Inserts text before the extension of the last component: "x\log.txt" + "_old" -> "x\log_old.txt".
std::wstring InsertBeforeExtension(std::wstring_view path, std::wstring_view text);

}  // namespace base
