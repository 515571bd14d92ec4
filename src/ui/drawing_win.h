// Fonts and text helpers of the installer's windows: GDI fonts sized in design units, line
// heights, text blended over what is already drawn, and double-buffered painting.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

#include "base/unique_handle.h"

namespace ui {

class ResourceBitmap;

// The screen's device context for as long as the object lives (null when it cannot be had).
class ScreenDc {
 public:
  ScreenDc();
  HDC get() const { return dc_.get(); }

 private:
  base::ScopedWindowDc dc_;
};

// Selects an object into a device context and puts the previous one back at scope end.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object);
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
  ~ScopedSelectObject();

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A 32-bit top-down DIB section compatible with the screen, selected into its own memory DC, for
// composing layered windows pixel by pixel. valid() is false when any step failed.
class TopDownDib {
 public:
  TopDownDib(HDC screen, int width, int height);
  TopDownDib(const TopDownDib&) = delete;
  TopDownDib& operator=(const TopDownDib&) = delete;
  ~TopDownDib();
  [[nodiscard]] bool valid() const { return memory_ && bitmap_ && bits_; }
  HDC dc() const { return memory_.get(); }
  uint32_t* bits() const { return static_cast<uint32_t*>(bits_); }

 private:
  base::ScopedMemoryDc memory_;
  base::ScopedGdiObject bitmap_;
  void* bits_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// CreateFontW with height -truncate(size x scale factor), weight, underline, DEFAULT_CHARSET.
base::ScopedGdiObject CreateUiFont(const wchar_t* face, int size, bool underline = false,
                                   int weight = FW_NORMAL);
inline HFONT AsFont(const base::ScopedGdiObject& font) { return static_cast<HFONT>(font.get()); }

// Height DrawTextW computes for the sample "anything" in the font on the screen.
int LineHeight(HFONT font);

// Text drawn on a copy of the destination's pixels, then blended back with a constant alpha.
// DT_WORDBREAK is always added to the format.
void DrawTranslucentText(HDC dc, const RECT& rect, std::wstring_view text, HFONT font,
                         COLORREF colour, BYTE alpha, UINT format);

// The part of `background` that lies under `control` (its top-left corner in its parent's client
// coordinates, moved by `origin`, is the source), drawn into `rect` of the control's DC.
void DrawBackgroundUnder(HDC dc, const RECT& rect, HWND control, const ResourceBitmap& background,
                         POINT origin = {0, 0});

// The background under the control (when given), then the control's window text, translucent.
void DrawControlTextOverBackground(HDC dc, const RECT& rect, HWND control, HFONT font,
                                   COLORREF colour, BYTE alpha, const ResourceBitmap* background,
                                   UINT format);

// Lets `painter` draw into a memory bitmap of the rectangle's size (its origin is the
// rectangle's top-left), then copies it to the target in one BitBlt.
void PaintDoubleBuffered(HDC dc, const RECT& rect, const std::function<void(HDC)>& painter);

// The control's window text.
std::wstring WindowText(HWND window);

}  // namespace ui
