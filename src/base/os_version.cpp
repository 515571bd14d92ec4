#include "base/os_version.h"

namespace base {

int VersionFromNumbers(uint32_t major, uint32_t minor, uint32_t build) {
  if (major < 5) return kVersionPreXp;
  if (major == 5) {
    if (minor == 0) return kVersionPreXp;
    return minor == 1 ? kVersionXp : kVersionServer2003;
  }
  if (major == 6) {
    switch (minor) {
      case 0:
        return kVersionVista;
      case 1:
        return kVersionWin7;
      case 2:
        return kVersionWin8;
      default:
        return kVersionWin8_1;
    }
  }
  // Windows 10 and 11 share 10.0: each feature update's build is one step up the scale.
  static constexpr uint32_t kBuilds[] = {10586, 14393, 15063, 16299, 17134, 17763, 18362, 18363,
                                         19041, 19042, 19043, 19044, 19045, 22000, 22621, 22631,
                                         26100};
  int version = kVersionWin10;
  for (uint32_t threshold : kBuilds) {
    if (build < threshold) break;
    ++version;
  }
  return version;
}

}  // namespace base
