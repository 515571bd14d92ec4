// The Windows version on the installer's scale: XP = 1, Server 2003 = 2, Vista = 3, 7 = 4,
// 8 = 5, 8.1 = 6, Windows 10 build 10240 = 7, later Windows 10/11 builds 8 and up.
#pragma once

#include <cstdint>

namespace base {

enum WindowsVersion : int {
  kVersionPreXp = 0,
  kVersionXp = 1,
  kVersionServer2003 = 2,
  kVersionVista = 3,
  kVersionWin7 = 4,
  kVersionWin8 = 5,
  kVersionWin8_1 = 6,
  kVersionWin10 = 7,  // build 10240
};

// Portable mapping from (major, minor, build) to the scale.
int VersionFromNumbers(uint32_t major, uint32_t minor, uint32_t build);
// The running system, read with RtlGetVersion (not subject to manifest compatibility lies).
int GetWindowsVersion();

}  // namespace base
