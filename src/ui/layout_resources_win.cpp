#include "ui/layout_resources_win.h"

#include <string>

#include "ui/drawing_win.h"
#include "ui/scale.h"
#include "ui/string_table.h"
#include "ui/text_pieces.h"
#include "ui/win32_api_win.h"

namespace ui {

LayoutResources::LayoutResources(uint16_t language)
    : language_(language), white_brush_(GDI32(CreateSolidBrush)(RGB(255, 255, 255))) {}

ResourceBitmap LayoutResources::ComposeFirstSlide(HFONT title_font, HFONT body_font,
                                                  int reference_line_height) const {
  ScreenDc screen;
  if (!screen.get()) return {};
  const int width = Scale(728);
  const int height = Scale(400);
  base::ScopedMemoryDc memory(GDI32(CreateCompatibleDC)(screen.get()));
  base::ScopedGdiObject bitmap(GDI32(CreateCompatibleBitmap)(screen.get(), width, height));
  if (!memory || !bitmap) return {};
  {
    ScopedSelectObject select_bitmap(memory.get(), bitmap.get());
    HDC dc = memory.get();
    RECT all = {0, 0, width, height};
    USER32(FillRect)(dc, &all, white_brush());

    ResourceBitmap picture;
    picture.Load(first_slide_picture(), 2.0);
    picture.Draw(dc, 0, height - picture.height());

    GDI32(SetBkMode)(dc, TRANSPARENT);
    GDI32(SetTextColor)(dc, RGB(0, 0, 0));
    const int column_left = Scale(394);
    const int column_right = Scale(698);
    std::wstring title = LoadUiString(strings::kSecurity, language_);
    {
      ScopedSelectObject select_font(dc, title_font);
      RECT rect = {column_left, Scale(126), column_right, height};
      USER32(DrawTextW)(dc, title.c_str(), static_cast<int>(title.size()), &rect,
                        DT_WORDBREAK | DT_CENTER);
    }
    std::wstring body = LoadUiString(strings::kSentrel, language_);
    ScopedSelectObject select_font(dc, body_font);
    auto measure = [dc](std::wstring_view text) {
      SIZE size = {0, 0};
      GDI32(GetTextExtentPoint32W)(dc, text.data(), static_cast<int>(text.size()), &size);
      return static_cast<int>(size.cx);
    };
    RECT sample = {0, 0, 0, 0};
    USER32(DrawTextW)(dc, L"Ay", 2, &sample, DT_CALCRECT);
    const double pitch = 1.4 * (sample.bottom - sample.top);
    const int top = Scale(135) + reference_line_height;
    for (const PlacedPiece& piece :
         LayoutPieces(SplitLinkText(body), column_right - column_left, true, measure)) {
      RECT rect = {column_left + piece.x, top + static_cast<int>(piece.line * pitch),
                   column_left + piece.x + piece.width, height};
      USER32(DrawTextW)(dc, piece.text.c_str(), static_cast<int>(piece.text.size()), &rect,
                        DT_WORDBREAK | DT_CENTER);
    }
  }
  return ResourceBitmap(static_cast<HBITMAP>(bitmap.get()));
}

}  // namespace ui
