#include "ui/sentence_windows_win.h"

#include "logging/log.h"
#include "ui/drawing_win.h"
#include "ui/text_pieces.h"
#include "ui/win32_api_win.h"

namespace ui {

std::vector<SentenceWindow> CreateSentenceWindows(HWND parent, const std::wstring& text, int left,
                                                  int top, int wrap_width, HFONT font,
                                                  bool centre, int text_id, int link_id) {
  std::vector<SentenceWindow> created;
  ScreenDc screen;
  if (!screen.get()) return created;
  const int line_height = LineHeight(font);
  std::vector<PlacedPiece> placed;
  {
    ScopedSelectObject select(screen.get(), font);
    auto measure = [&screen](std::wstring_view piece) {
      SIZE size = {0, 0};
      GDI32(GetTextExtentPoint32W)(screen.get(), piece.data(), static_cast<int>(piece.size()),
                                   &size);
      return static_cast<int>(size.cx);
    };
    placed = LayoutPieces(SplitLinkText(text), wrap_width, centre, measure);
  }
  for (const PlacedPiece& piece : placed) {
    DWORD style = WS_CHILD | WS_VISIBLE | (piece.link ? WS_TABSTOP | BS_OWNERDRAW : SS_OWNERDRAW);
    HWND window = USER32(CreateWindowExW)(
        0, piece.link ? L"Button" : L"Static", piece.text.c_str(), style, left + piece.x,
        top + piece.line * line_height, piece.width, line_height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(piece.link ? link_id : text_id)),
        ::GetModuleHandleW(nullptr), nullptr);
    if (!window) {
      PLOG(ERROR) << "Failed to create a sentence piece";
      continue;
    }
    created.push_back({window, piece.link});
  }
  return created;
}

}  // namespace ui
