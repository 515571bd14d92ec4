// The first screen's check boxes: which are shown (a three-bit mask) and where they go, and the
// main window's shadow pieces. Design units; portable.
#pragma once

#include <optional>
#include <vector>

#include "ui/scale.h"

namespace ui {

// Bit 0: the make-default choice is the user's; bit 1: the statistics choice is; bit 2: the
// Omrix choice is (its flag absent and the brand's taskbar prompt on).
int CheckBoxMask(bool default_flag_given, bool statistics_given, bool omrix_flag_given,
                 bool brand_taskbar_prompt);

// Top-left corner and right bound of a box for a mask (nothing when the box is not shown).
struct BoxPlace {
  int left, top, right;
  bool operator==(const BoxPlace&) const = default;
};
struct CheckBoxPlaces {
  std::optional<BoxPlace> make_default;  // control 109
  std::optional<BoxPlace> statistics;    // control 110
  std::optional<BoxPlace> omrix;         // control 111
};
CheckBoxPlaces CheckBoxLayout(int mask);

// The slogan's rectangle: higher when all three boxes are shown. Two lines of the slogan's font
// fit either way (a slogan that wraps, such as the Portuguese one, is not cut at its foot).
Rect SloganRect(int mask);

// The eight pieces of the main window's shadow for a window of W x H pixels and a margin of e
// pixels (rectangles in the shadow window, which is W + 2e by H + 2e).
struct ShadowPiece {
  int image_id;
  Rect rect;
};
std::vector<ShadowPiece> ShadowPieces(int width, int height, int e);

}  // namespace ui
