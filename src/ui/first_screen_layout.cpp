#include "ui/first_screen_layout.h"

#include "ui/resource_ids.h"

namespace ui {

int CheckBoxMask(bool default_flag_given, bool statistics_given, bool omrix_flag_given,
                 bool brand_taskbar_prompt) {
  int mask = 0;
  if (!default_flag_given) mask |= 1;
  if (!statistics_given) mask |= 2;
  if (!omrix_flag_given && brand_taskbar_prompt) mask |= 4;
  return mask;
}

CheckBoxPlaces CheckBoxLayout(int mask) {
  switch (mask) {
    case 1:
      return {BoxPlace{60, 305, 525}, std::nullopt, std::nullopt};
    case 2:
      return {std::nullopt, BoxPlace{60, 305, 308}, std::nullopt};
    case 3:
      return {BoxPlace{314, 305, 537}, BoxPlace{60, 305, 308}, std::nullopt};
    case 4:
      return {std::nullopt, std::nullopt, BoxPlace{60, 315, 525}};
    case 5:
      return {BoxPlace{60, 294, 525}, std::nullopt, BoxPlace{60, 324, 525}};
    case 6:
      return {std::nullopt, BoxPlace{60, 309, 525}, BoxPlace{60, 279, 525}};
    case 7:
      return {BoxPlace{60, 250, 525}, BoxPlace{60, 310, 525}, BoxPlace{60, 280, 525}};
    default:
      return {};
  }
}

Rect SloganRect(int mask) { return mask == 7 ? Rect{0, 152, 728, 250} : Rect{0, 182, 728, 260}; }

std::vector<ShadowPiece> ShadowPieces(int w, int h, int e) {
  return {
      {kShadowTopLeft, {0, 0, 2 * e, 2 * e}},
      {kShadowTop, {2 * e, 0, w, e}},
      {kShadowTopRight, {w, 0, w + 2 * e, 2 * e}},
      {kShadowRight, {w + e, 2 * e, w + 2 * e, h}},
      {kShadowBottomRight, {w, h, w + 2 * e, h + 2 * e}},
      {kShadowBottom, {2 * e, h + e, w, h + 2 * e}},
      {kShadowBottomLeft, {0, h, 2 * e, h + 2 * e}},
      {kShadowLeft, {0, 2 * e, e, h}},
  };
}

}  // namespace ui
