// Files and directories on the Win32 side. Failures are return values; GetLastError() holds the
// reason after a false or empty result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace base {

[[nodiscard]] bool PathExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// Creates the directory and its missing parents; true when it exists afterwards.
[[nodiscard]] bool CreateDirectoryRecursive(const std::wstring& path);
// GetTempPathW with its trailing backslash; empty on failure or when it needs 260 characters or more.
std::wstring GetTempDir();
// The executable's full path (GetModuleFileNameW, 260 characters); empty on failure or truncation.
std::wstring GetExecutablePath();
// GetFullPathNameW; empty on failure.
std::wstring AbsolutePath(const std::wstring& path);
// A new, uniquely named directory below parent (prefix + random digits); empty on failure.
std::wstring CreateUniqueDirectory(const std::wstring& parent, std::wstring_view prefix = L"");
// GetTempFileNameW in dir with the given prefix (creates an empty file); empty on failure.
std::wstring CreateTemporaryFileIn(const std::wstring& dir, const std::wstring& prefix);
[[nodiscard]] bool CopyFileTo(const std::wstring& from, const std::wstring& to);
[[nodiscard]] bool DeleteFilePath(const std::wstring& path);
// Deletes a file, or a directory with everything below it.
[[nodiscard]] bool DeleteRecursive(const std::wstring& path);
[[nodiscard]] bool ScheduleDeleteAtReboot(const std::wstring& path);
// Names (not paths) of the files (not directories) in dir matching pattern, not recursive.
std::vector<std::wstring> EnumerateFiles(const std::wstring& dir, const std::wstring& pattern);
[[nodiscard]] std::optional<std::string> ReadFileToString(const std::wstring& path);
[[nodiscard]] bool WriteStringToFile(const std::wstring& path, std::string_view data);
std::optional<uint64_t> GetFileSize(const std::wstring& path);

}  // namespace base
