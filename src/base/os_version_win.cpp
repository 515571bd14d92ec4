#include <windows.h>

#include "base/lazy_import.h"
#include "base/os_version.h"

namespace base {

int GetWindowsVersion() {
  using RtlGetVersionFn = LONG WINAPI(OSVERSIONINFOW*);
  static LazyFunction<RtlGetVersionFn> rtl_get_version(kNtdll, "RtlGetVersion");
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  RtlGetVersionFn* fn = rtl_get_version.Get();
  if (!fn || fn(&info) != 0) return kVersionPreXp;
  return VersionFromNumbers(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
}

}  // namespace base
