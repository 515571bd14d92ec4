// How the producers of progress map onto the one bar: the setup download (5..40), the setup's
// install stages (75, 79) and its import of user data (80..100). Portable.
#pragma once

#include <cstdint>

namespace ui {

// truncate((1 - f) x 5 + f x 40) in single precision; a fraction outside 0..1 (or NaN) is held
// to the range, so a faulty report never moves the bar outside the download's span.
int DownloadPercentage(float fraction);
// Install stage 5 -> 75, 7 -> 79, anything else 0 (no move).
int InstallStagePercentage(uintptr_t stage);
// truncate((1 - p/100) x 80 + (p/100) x 100) in single precision; p above 100 counts as 100.
int ImportPercentage(uintptr_t percent);
// A relayed time-left estimate carries 240 more seconds (the setup's own run).
int RelayedSecondsLeft(int seconds);

}  // namespace ui
