// Which frame of a sprite strip a control shows, and the progress bar's split. Portable.
#pragma once

namespace ui {

// Three-frame buttons: normal 0, hot 1, pressed 2 (pressed wins over hot).
int ButtonFrame(bool pressed, bool hot);
// Six-frame check boxes: the button frame, plus 3 when ticked.
int CheckBoxFrame(bool pressed, bool hot, bool ticked);
// Width of a strip's frame; 0 for an empty strip.
int FrameWidth(int sprite_width, int frames);
// Filled part of a bar: width x (position - low) / (high - low), integer division, kept within
// 0..width; an empty or inverted range fills nothing.
int ProgressFilledWidth(int width, int low, int high, int position);
// Height of a sprite check box: 4 + the larger of the frame and the text height.
int CheckBoxHeight(int frame_height, int text_height);

}  // namespace ui
