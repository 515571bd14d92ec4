#include <windows.h>

#include <cstdio>
#include <vector>

#include "base/lazy_import.h"
#include "crash/module_version.h"

namespace crash {

std::string ModuleFileVersion(const std::wstring& module_path) {
  auto get_size = LAZY_IMPORT(base::kVersion, GetFileVersionInfoSizeW);
  auto get_info = LAZY_IMPORT(base::kVersion, GetFileVersionInfoW);
  auto query = LAZY_IMPORT(base::kVersion, VerQueryValueW);
  if (!get_size || !get_info || !query || module_path.empty()) return {};
  DWORD handle = 0;
  DWORD size = get_size(module_path.c_str(), &handle);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!get_info(module_path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!query(data.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) || !info ||
      info_size < sizeof(VS_FIXEDFILEINFO) || info->dwSignature != VS_FFI_SIGNATURE)
    return {};
  char text[64];
  std::snprintf(text, sizeof(text), "%lu.%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(info->dwFileVersionMS)),
                static_cast<unsigned long>(LOWORD(info->dwFileVersionMS)),
                static_cast<unsigned long>(HIWORD(info->dwFileVersionLS)),
                static_cast<unsigned long>(LOWORD(info->dwFileVersionLS)));
  return text;
}

}  // namespace crash
