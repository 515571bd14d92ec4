// The shared image type of the windows: a decoded GDI+ image shared by reference count between
// copies, plus a display factor. Sizes and source coordinates are in display pixels (image
// pixels x display factor). An empty bitmap has size 0 and draws nothing.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <memory>

namespace ui {

namespace gdiplus {
struct GpImage;
}

class ResourceBitmap {
 public:
  ResourceBitmap() = default;
  // A copy of a GDI bitmap (the composed first slide), display factor 1.0.
  explicit ResourceBitmap(HBITMAP bitmap);

  // Decodes the RCDATA resource `id` of the program; display factor = scale factor / divisor.
  // A failure is logged and leaves the bitmap empty (it draws nothing), so the windows that
  // load their pictures need not look at the result.
  bool Load(int id, double divisor = 1.0);
  // The 2x picture (at scale factor / 2) whenever the scale factor is not 1 and a 2x id is
  // given, else the 1x picture at the scale factor.
  bool LoadPair(int id_1x, int id_2x);
  // Decodes a stream (a downloaded slide).
  [[nodiscard]] bool Load(IStream* stream, double display_factor);

  [[nodiscard]] bool empty() const { return !image_; }
  int width() const;
  int height() const;
  double display_factor() const { return display_factor_; }

  // Destination and source rectangles in display pixels. Nothing happens for an empty bitmap.
  void Draw(HDC dc, int x, int y, int width, int height, int src_x, int src_y, int src_width,
            int src_height) const;
  // The whole picture at its display size.
  void Draw(HDC dc, int x, int y) const { Draw(dc, x, y, width(), height(), 0, 0, width(), height()); }
  // Draws into a 32-bit premultiplied DIB section's pixels (layered-window pictures keep their
  // alpha this way; GDI+ on a plain device context would drop it).
  void DrawToPremultipliedBits(void* bits, int bits_width, int bits_height, int x, int y,
                               int width, int height, int src_x, int src_y, int src_width,
                               int src_height) const;

 private:
  void Reset(gdiplus::GpImage* image, double display_factor);

  std::shared_ptr<gdiplus::GpImage> image_;
  double display_factor_ = 1.0;
  unsigned pixel_width_ = 0;
  unsigned pixel_height_ = 0;
};

}  // namespace ui
