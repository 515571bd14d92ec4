#include "ui/progress_map.h"

#include <cmath>
#include <limits>

namespace ui {

int DownloadPercentage(float fraction) {
  if (std::isnan(fraction)) fraction = 0.0f;
  if (fraction < 0.0f) fraction = 0.0f;
  if (fraction > 1.0f) fraction = 1.0f;
  float value = (1.0f - fraction) * 5.0f + fraction * 40.0f;
  return static_cast<int>(value);
}

int InstallStagePercentage(uintptr_t stage) {
  switch (stage) {
    case 5:
      return 75;
    case 7:
      return 79;
    default:
      return 0;
  }
}

int ImportPercentage(uintptr_t percent) {
  float p = static_cast<float>(percent > 100 ? 100 : percent) / 100.0f;
  float value = (1.0f - p) * 80.0f + p * 100.0f;
  return static_cast<int>(value);
}

int RelayedSecondsLeft(int seconds) {
  if (seconds > std::numeric_limits<int>::max() - 240) return std::numeric_limits<int>::max();
  return seconds + 240;
}

}  // namespace ui
