#include "ui/sprite_frames.h"

#include <algorithm>
#include <cstdint>

namespace ui {

int ButtonFrame(bool pressed, bool hot) { return pressed ? 2 : hot ? 1 : 0; }

int CheckBoxFrame(bool pressed, bool hot, bool ticked) {
  return ButtonFrame(pressed, hot) + (ticked ? 3 : 0);
}

int FrameWidth(int sprite_width, int frames) {
  return frames > 0 && sprite_width > 0 ? sprite_width / frames : 0;
}

int ProgressFilledWidth(int width, int low, int high, int position) {
  if (width <= 0 || high <= low) return 0;
  int64_t filled = int64_t{width} * (int64_t{position} - low) / (int64_t{high} - low);
  return static_cast<int>(std::clamp<int64_t>(filled, 0, width));
}

int CheckBoxHeight(int frame_height, int text_height) {
  return 4 + std::max(frame_height, text_height);
}

}  // namespace ui
