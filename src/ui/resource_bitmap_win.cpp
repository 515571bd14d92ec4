#include "ui/resource_bitmap.h"

#include <cstring>

#include "base/com_ptr.h"
#include "base/lazy_import.h"
#include "base/unique_handle.h"
#include "logging/log.h"
#include "ui/gdiplus_api_win.h"
#include "ui/scale.h"

namespace ui {

namespace {

struct ImageDeleter {
  void operator()(gdiplus::GpImage* image) const { gdiplus::ScopedImage(image).reset(); }
};

// The resource's bytes in a stream that frees its memory block on release.
base::ComPtr<IStream> CreateResourceStream(int id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!info) return {};
  DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || !size) return {};
  base::ScopedGlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return {};
  {
    base::ScopedGlobalLock target(block.get());
    if (!target.get()) return {};
    std::memcpy(target.get(), data, size);
  }
  auto create_stream = LAZY_IMPORT(base::kOle32, CreateStreamOnHGlobal);
  base::ComPtr<IStream> stream;
  if (!create_stream || FAILED(create_stream(block.get(), TRUE, stream.receive()))) return {};
  static_cast<void>(block.release());  // the stream frees it now
  return stream;
}

// A graphics object with smooth scaling; pixel centres on half coordinates, so a 1:1 draw copies
// pixels exactly instead of smearing the edges.
class Graphics {
 public:
  explicit Graphics(gdiplus::GpGraphics* graphics) : graphics_(graphics) {
    if (!graphics_) return;
    if (auto set_mode = gdiplus::SetInterpolationMode())
      set_mode(graphics_.get(), gdiplus::kInterpolationHighQualityBicubic);
    if (auto set_offset = gdiplus::SetPixelOffsetMode())
      set_offset(graphics_.get(), gdiplus::kPixelOffsetHalf);
  }
  gdiplus::GpGraphics* get() const { return graphics_.get(); }

 private:
  gdiplus::ScopedGraphics graphics_;
};

// Mirrored edges for scaled draws: without them GDI+ blends a picture's border pixels with
// transparency when it stretches, which halves one-pixel shadow edges and softens sprite borders.
// Created once and kept for the process.
const gdiplus::GpImageAttributes* MirroredEdges() {
  static gdiplus::GpImageAttributes* const attributes = []() -> gdiplus::GpImageAttributes* {
    auto create = gdiplus::CreateImageAttributes();
    auto set_wrap = gdiplus::SetImageAttributesWrapMode();
    gdiplus::GpImageAttributes* created = nullptr;
    if (!create || !set_wrap || create(&created) != 0) return nullptr;
    set_wrap(created, gdiplus::kWrapModeTileFlipXY, 0, FALSE);
    return created;
  }();
  return attributes;
}

void DrawScaled(gdiplus::GpGraphics* graphics, gdiplus::GpImage* image, double factor, int x,
                int y, int width, int height, int src_x, int src_y, int src_width,
                int src_height) {
  auto draw = gdiplus::DrawImageRectRect();
  if (!graphics || !draw || factor <= 0) return;
  // A draw at the picture's own size copies pixels whatever the filter: the plain copy skips the
  // filter's work (a whole background takes a tenth of the time) and needs no mirrored edges.
  const bool copy = factor == 1.0 && width == src_width && height == src_height;
  if (copy) {
    if (auto set_mode = gdiplus::SetInterpolationMode()) set_mode(graphics, gdiplus::kInterpolationNearestNeighbor);
  }
  draw(graphics, image, static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
       static_cast<float>(height), static_cast<float>(src_x / factor),
       static_cast<float>(src_y / factor), static_cast<float>(src_width / factor),
       static_cast<float>(src_height / factor), gdiplus::kUnitPixel, copy ? nullptr : MirroredEdges(), nullptr,
       nullptr);
}

}  // namespace

ResourceBitmap::ResourceBitmap(HBITMAP bitmap) {
  auto copy_image = LAZY_IMPORT(base::kUser32, CopyImage);
  HANDLE copy = copy_image ? copy_image(bitmap, IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE) : nullptr;
  if (!copy) {
    PLOG(ERROR) << "Failed to construct a ResourceBitmap from HBITMAP";
    return;
  }
  base::ScopedGdiObject owned_copy(copy);
  gdiplus::GpBitmap* image = nullptr;
  auto create = gdiplus::CreateBitmapFromHBITMAP();
  if (create && create(static_cast<HBITMAP>(copy), nullptr, &image) == 0 && image)
    Reset(image, 1.0);
}

bool ResourceBitmap::Load(int id, double divisor) {
  base::ComPtr<IStream> stream = CreateResourceStream(id);
  if (!stream) {
    PLOG(ERROR) << "Failed to create the resource " << id << " stream";
    Reset(nullptr, 1.0);
    return false;
  }
  return Load(stream.get(), ScaleFactor() / divisor);
}

bool ResourceBitmap::LoadPair(int id_1x, int id_2x) {
  if (ScaleFactor() != 1.0 && id_2x != 0) return Load(id_2x, 2.0);
  return Load(id_1x, 1.0);
}

bool ResourceBitmap::Load(IStream* stream, double display_factor) {
  gdiplus::GpImage* image = nullptr;
  auto load = gdiplus::LoadImageFromStreamICM();
  if (!stream || !load || load(stream, &image) != 0 || !image) {
    PLOG(ERROR) << "Failed to load a bitmap";
    Reset(nullptr, 1.0);
    return false;
  }
  Reset(image, display_factor);
  return true;
}

void ResourceBitmap::Reset(gdiplus::GpImage* image, double display_factor) {
  image_.reset();
  pixel_width_ = pixel_height_ = 0;
  display_factor_ = display_factor;
  if (!image) return;
  image_ = std::shared_ptr<gdiplus::GpImage>(image, ImageDeleter());
  auto get_width = gdiplus::GetImageWidth();
  auto get_height = gdiplus::GetImageHeight();
  if (get_width) get_width(image, &pixel_width_);
  if (get_height) get_height(image, &pixel_height_);
}

int ResourceBitmap::width() const {
  return image_ ? static_cast<int>(pixel_width_ * display_factor_) : 0;
}

int ResourceBitmap::height() const {
  return image_ ? static_cast<int>(pixel_height_ * display_factor_) : 0;
}

void ResourceBitmap::Draw(HDC dc, int x, int y, int width, int height, int src_x, int src_y,
                          int src_width, int src_height) const {
  if (!image_ || !dc) return;
  auto create = gdiplus::CreateFromHDC();
  gdiplus::GpGraphics* raw = nullptr;
  if (!create || create(dc, &raw) != 0) return;
  Graphics graphics(raw);
  DrawScaled(graphics.get(), image_.get(), display_factor_, x, y, width, height, src_x, src_y,
             src_width, src_height);
}

void ResourceBitmap::DrawToPremultipliedBits(void* bits, int bits_width, int bits_height, int x,
                                             int y, int width, int height, int src_x, int src_y,
                                             int src_width, int src_height) const {
  if (!image_ || !bits || bits_width <= 0 || bits_height <= 0) return;
  auto create_bitmap = gdiplus::CreateBitmapFromScan0();
  auto get_context = gdiplus::GetImageGraphicsContext();
  if (!create_bitmap || !get_context || !gdiplus::DisposeImage()) return;
  // A top-down DIB section: positive stride from the first row.
  gdiplus::ScopedImage target;
  if (create_bitmap(bits_width, bits_height, bits_width * 4, gdiplus::kPixelFormat32bppPARGB,
                    static_cast<BYTE*>(bits), target.receive()) != 0 || !target)
    return;
  gdiplus::GpGraphics* raw = nullptr;
  if (get_context(target.get(), &raw) == 0) {
    Graphics graphics(raw);
    DrawScaled(graphics.get(), image_.get(), display_factor_, x, y, width, height, src_x, src_y,
               src_width, src_height);
  }
}

}  // namespace ui
