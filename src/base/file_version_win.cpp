#include "base/file_version.h"

#include <windows.h>

#include <vector>

#include "base/lazy_import.h"

namespace base {

namespace {

std::optional<VS_FIXEDFILEINFO> ReadFixedFileInfo(const std::wstring& path) {
  auto size_fn = LAZY_IMPORT(kVersion, GetFileVersionInfoSizeW);
  auto info_fn = LAZY_IMPORT(kVersion, GetFileVersionInfoW);
  auto query_fn = LAZY_IMPORT(kVersion, VerQueryValueW);
  if (!size_fn || !info_fn || !query_fn) return std::nullopt;
  DWORD handle = 0;
  DWORD size = size_fn(path.c_str(), &handle);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  if (!info_fn(path.c_str(), 0, size, data.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!query_fn(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  return *fixed;
}

}  // namespace

std::optional<uint64_t> ReadFileDate(const std::wstring& path) {
  std::optional<VS_FIXEDFILEINFO> info = ReadFixedFileInfo(path);
  if (!info) return std::nullopt;
  return (static_cast<uint64_t>(info->dwFileDateMS) << 32) | info->dwFileDateLS;
}

std::string GetFileVersionText(const std::wstring& path) { return ReadFileVersion(path).value_or("0.0.0.0"); }

std::optional<std::string> ReadFileVersion(const std::wstring& path) {
  std::optional<VS_FIXEDFILEINFO> info = ReadFixedFileInfo(path);
  if (!info) return std::nullopt;
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

}  // namespace base
