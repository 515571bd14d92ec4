#include <windows.h>

#include "base/lazy_import.h"
#include "base/os_version.h"

namespace base {

int GetWindowsVersion() {
  using RtlGetVersionFn = LONG WINAPI(OSVERSIONINFOW*);
  auto rtl_get_version = LAZY_IMPORT_AS(kNtdll, RtlGetVersionFn, "RtlGetVersion");
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!rtl_get_version || rtl_get_version(&info) != 0) return kVersionPreXp;
  return VersionFromNumbers(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
}

}  // namespace base
