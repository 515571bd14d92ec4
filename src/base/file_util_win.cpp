#include <windows.h>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/random.h"
#include "base/strings.h"
#include "base/unique_handle.h"

namespace base {

namespace {
DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }
}  // namespace

bool PathExists(const std::wstring& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool DirectoryExists(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectoryRecursive(const std::wstring& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  std::wstring parent = DirName(path);
  if (!parent.empty() && parent != path && !DirectoryExists(parent) && !CreateDirectoryRecursive(parent))
    return false;
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS && DirectoryExists(path)) return true;
  SetLastError(error);
  return false;
}

std::wstring GetTempDir() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(buffer, length);
}

std::wstring GetExecutablePath() {
  wchar_t buffer[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(buffer, length);
}

std::wstring AbsolutePath(const std::wstring& path) {
  DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::wstring out(needed, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), needed, out.data(), nullptr);
  if (length == 0 || length >= needed) return {};
  out.resize(length);
  return out;
}

std::wstring CreateUniqueDirectory(const std::wstring& parent, std::wstring_view prefix) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    std::wstring name(prefix);
    name += base::NumberToWide(RandomInRange(0, 0x7FFFFFFF));
    std::wstring path = AppendPath(parent, name);
    if (CreateDirectoryW(path.c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

std::wstring CreateTemporaryFileIn(const std::wstring& dir, const std::wstring& prefix) {
  wchar_t buffer[MAX_PATH];
  if (!GetTempFileNameW(dir.c_str(), prefix.c_str(), 0, buffer)) return {};
  return buffer;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

bool DeleteFilePath(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

bool DeleteRecursive(const std::wstring& path) {
  DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFilePath(path);
  bool ok = true;
  WIN32_FIND_DATAW data;
  ScopedFind find(FindFirstFileW(AppendPath(path, L"*").c_str(), &data));
  if (find.valid()) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      ok = DeleteRecursive(AppendPath(path, name)) && ok;
    } while (FindNextFileW(find.get(), &data));
  }
  find.reset();
  return RemoveDirectoryW(path.c_str()) && ok;
}

bool ScheduleDeleteAtReboot(const std::wstring& path) {
  return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

std::vector<std::wstring> EnumerateFiles(const std::wstring& dir, const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  ScopedFind find(FindFirstFileW(AppendPath(dir, pattern).c_str(), &data));
  if (!find.valid()) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
  } while (FindNextFileW(find.get(), &data));
  return names;
}

std::optional<std::string> ReadFileToString(const std::wstring& path) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string data;
  char buffer[65536];
  DWORD read = 0;
  while (true) {
    if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    data.append(buffer, read);
  }
  return data;
}

bool WriteStringToFile(const std::wstring& path, std::string_view data) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  size_t offset = 0;
  while (offset < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - offset, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data() + offset, chunk, &written, nullptr) || written != chunk) return false;
    offset += written;
  }
  return true;
}

std::optional<uint64_t> GetFileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace base
