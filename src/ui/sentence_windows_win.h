// A sentence with an embedded link laid out as child windows: plain pieces become owner-draw
// "Static" windows with `text_id`, link pieces owner-draw "Button" windows (tab stop) with
// `link_id`. Geometry in pixels of the parent's client area.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui {

struct SentenceWindow {
  HWND window;
  bool link;
};

// Splits and wraps `text` (see text_pieces.h) in `font`, measured on the screen; each piece sits
// at (left + its x, top + line x line height of the font), one line height tall.
std::vector<SentenceWindow> CreateSentenceWindows(HWND parent, const std::wstring& text, int left,
                                                  int top, int wrap_width, HFONT font,
                                                  bool centre, int text_id, int link_id);

}  // namespace ui
