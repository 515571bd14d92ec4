#include "ui/drawing_win.h"

#include <string>

#include "logging/log.h"
#include "ui/resource_bitmap.h"
#include "ui/scale.h"
#include "ui/win32_api_win.h"

namespace ui {

ScreenDc::ScreenDc() : dc_(/*window=*/nullptr) {
  if (!dc_) PLOG(ERROR) << "Failed to get the screen device context";
}

TopDownDib::TopDownDib(HDC screen, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  memory_.reset(GDI32(CreateCompatibleDC)(screen));
  bitmap_.reset(GDI32(CreateDIBSection)(screen, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
  if (valid()) previous_ = GDI32(SelectObject)(memory_.get(), bitmap_.get());
}

TopDownDib::~TopDownDib() {
  if (previous_) GDI32(SelectObject)(memory_.get(), previous_);
}

ScopedSelectObject::ScopedSelectObject(HDC dc, HGDIOBJ object)
    : dc_(dc), previous_(dc && object ? GDI32(SelectObject)(dc, object) : nullptr) {}

ScopedSelectObject::~ScopedSelectObject() {
  if (previous_) GDI32(SelectObject)(dc_, previous_);
}

base::ScopedGdiObject CreateUiFont(const wchar_t* face, int size, bool underline, int weight) {
  HFONT font = GDI32(CreateFontW)(-Scale(size), 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE,
                                  FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face);
  if (!font) PLOG(ERROR) << "Failed to create a font";
  return base::ScopedGdiObject(font);
}

int LineHeight(HFONT font) {
  ScreenDc screen;
  if (!screen.get()) return 0;
  ScopedSelectObject select(screen.get(), font);
  RECT rect = {0, 0, 0, 0};
  USER32(DrawTextW)(screen.get(), L"anything", 8, &rect, DT_CALCRECT);
  return rect.bottom - rect.top;
}

void DrawTranslucentText(HDC dc, const RECT& rect, std::wstring_view text, HFONT font,
                         COLORREF colour, BYTE alpha, UINT format) {
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  if (!dc || text.empty() || width <= 0 || height <= 0) return;
  base::ScopedMemoryDc memory(GDI32(CreateCompatibleDC)(dc));
  base::ScopedGdiObject bitmap(GDI32(CreateCompatibleBitmap)(dc, width, height));
  if (!memory || !bitmap) return;
  ScopedSelectObject select_bitmap(memory.get(), bitmap.get());
  GDI32(BitBlt)(memory.get(), 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
  {
    ScopedSelectObject select_font(memory.get(), font);
    GDI32(SetBkMode)(memory.get(), TRANSPARENT);
    GDI32(SetTextColor)(memory.get(), colour);
    RECT text_rect = {0, 0, width, height};
    USER32(DrawTextW)(memory.get(), text.data(), static_cast<int>(text.size()), &text_rect,
                      format | DT_WORDBREAK);
  }
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, 0};
  MSIMG32(AlphaBlend)(dc, rect.left, rect.top, width, height, memory.get(), 0, 0, width, height,
                      blend);
}

void DrawBackgroundUnder(HDC dc, const RECT& rect, HWND control, const ResourceBitmap& background,
                         POINT origin) {
  if (background.empty()) return;
  RECT window_rect;
  if (!USER32(GetWindowRect)(control, &window_rect)) return;
  POINT top_left = {window_rect.left, window_rect.top};
  USER32(ScreenToClient)(USER32(GetParent)(control), &top_left);
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  background.Draw(dc, rect.left, rect.top, width, height, top_left.x + origin.x + rect.left,
                  top_left.y + origin.y + rect.top, width, height);
}

void DrawControlTextOverBackground(HDC dc, const RECT& rect, HWND control, HFONT font,
                                   COLORREF colour, BYTE alpha, const ResourceBitmap* background,
                                   UINT format) {
  if (background) DrawBackgroundUnder(dc, rect, control, *background);
  std::wstring text = WindowText(control);
  if (!text.empty()) DrawTranslucentText(dc, rect, text, font, colour, alpha, format);
}

void PaintDoubleBuffered(HDC dc, const RECT& rect, const std::function<void(HDC)>& painter) {
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  if (!dc || width <= 0 || height <= 0) return;
  base::ScopedMemoryDc memory(GDI32(CreateCompatibleDC)(dc));
  base::ScopedGdiObject bitmap(GDI32(CreateCompatibleBitmap)(dc, width, height));
  if (!memory || !bitmap) {
    painter(dc);  // unbuffered rather than not at all
    return;
  }
  ScopedSelectObject select_bitmap(memory.get(), bitmap.get());
  GDI32(SetWindowOrgEx)(memory.get(), rect.left, rect.top, nullptr);
  painter(memory.get());
  GDI32(SetWindowOrgEx)(memory.get(), 0, 0, nullptr);
  GDI32(BitBlt)(dc, rect.left, rect.top, width, height, memory.get(), 0, 0, SRCCOPY);
}

std::wstring WindowText(HWND window) {
  int length = USER32(GetWindowTextLengthW)(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = USER32(GetWindowTextW)(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

}  // namespace ui
