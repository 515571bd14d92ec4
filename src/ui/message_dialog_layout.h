// Geometry of the message dialog: its size from the panel picture and where its buttons and
// texts go. Portable; every design value is scaled by the given factor.
#pragma once

#include "ui/scale.h"

namespace ui {

enum class ShownButtons { kBoth, kMainOnly, kSecondOnly };

// Text margins in design units: left, right, title top, gap under the body, and the body's
// height split (a, b).
struct TextMargins {
  int left, right, title_top, bottom_gap, a, b;
};
inline constexpr TextMargins kMessageTextMargins = {40, 30, 30, 20, 20, 30};
inline constexpr TextMargins kRevocationTextMargins = {40, 20, 30, 20, 30, 40};

struct Size {
  int width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

// The panel picture less its shadow margins (7 left, 6 right, 4 top, 8 bottom, scaled).
Size MessageDialogSize(Size background, double factor);

struct MessageDialogLayout {
  Rect main_button, second_button, title, body;
  bool main_visible = true, second_visible = true;
};

// Buttons are one sprite frame each, their bottom 20 (scaled) above the client bottom. Right
// aligned: the pair ends 30 (scaled) from the right edge with 10 pixels between them; otherwise
// the main button starts at 40 (scaled). A lone second button is centred.
MessageDialogLayout LayOutMessageDialog(Size client, Size main_button, Size second_button,
                                        bool right_aligned, ShownButtons shown,
                                        const TextMargins& margins, double factor);

}  // namespace ui
