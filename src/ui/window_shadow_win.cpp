#include "ui/window_shadow_win.h"

#include <cstring>

#include "base/unique_handle.h"
#include "logging/log.h"
#include "ui/drawing_win.h"
#include "ui/first_screen_layout.h"
#include "ui/resource_bitmap.h"
#include "ui/scale.h"
#include "ui/win32_api_win.h"

namespace ui {

std::vector<uint32_t> ComposeWindowShadow(int w, int h) {
  const int e = Scale(8);
  const int width = w + 2 * e;
  const int height = h + 2 * e;
  if (w <= 0 || h <= 0) return {};
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
  for (const ShadowPiece& piece : ShadowPieces(w, h, e)) {
    ResourceBitmap image;
    if (!image.Load(piece.image_id)) continue;
    // Pieces are stretched over their rectangles (edges are one pixel long).
    image.DrawToPremultipliedBits(pixels.data(), width, height, piece.rect.left, piece.rect.top,
                                  piece.rect.width(), piece.rect.height(), 0, 0, image.width(),
                                  image.height());
  }
  return pixels;
}

namespace {

// Gives the shadow its picture; false when it cannot be composed (the popup then stays empty).
bool PaintShadow(HWND shadow, const RECT& rect, int e) {
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  ScreenDc screen;
  if (!screen.get()) return false;
  TopDownDib dib(screen.get(), w + 2 * e, h + 2 * e);
  if (!dib.valid()) return false;
  std::vector<uint32_t> pixels = ComposeWindowShadow(w, h);
  if (pixels.empty()) return false;
  memcpy(dib.bits(), pixels.data(), pixels.size() * sizeof(uint32_t));
  POINT position = {rect.left - e, rect.top - e};
  SIZE size = {w + 2 * e, h + 2 * e};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return USER32(UpdateLayeredWindow)(shadow, screen.get(), &position, &size, dib.dc(), &source, 0, &blend,
                                     ULW_ALPHA);
}

}  // namespace

HWND CreateWindowShadow(HWND window) {
  RECT rect;
  if (!USER32(GetWindowRect)(window, &rect)) return nullptr;
  const int e = Scale(8);
  const int width = rect.right - rect.left + 2 * e;
  const int height = rect.bottom - rect.top + 2 * e;
  // Created hidden and shown without activation: the window it shades may already be shown and
  // have the keyboard focus, which the shadow must not take.
  HWND shadow = USER32(CreateWindowExW)(WS_EX_LAYERED, L"STATIC", L"", WS_POPUPWINDOW, rect.left - e,
                                        rect.top - e, width, height, window, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
  if (!shadow) {
    PLOG(ERROR) << "Failed to create the shadow window";
    return nullptr;
  }
  (void)PaintShadow(shadow, rect, e);
  USER32(ShowWindow)(shadow, SW_SHOWNA);
  return shadow;
}

}  // namespace ui
