// The few GDI+ flat-API functions the windows use, bound lazily from gdiplus.dll (the program
// imports nothing but KERNEL32 and msvcrt). Opaque handle types keep the C++ GDI+ headers out.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "base/lazy_import.h"
#include "base/unique_handle.h"

namespace ui::gdiplus {

struct GpImage;
struct GpGraphics;
struct GpImageAttributes;
using GpBitmap = GpImage;
using Status = int;  // 0 = Ok
inline constexpr int kUnitPixel = 2;
inline constexpr int kPixelFormat32bppPARGB = 0x000E200B;
inline constexpr int kInterpolationHighQualityBicubic = 7;
inline constexpr int kInterpolationNearestNeighbor = 5;
inline constexpr int kPixelOffsetHalf = 4;  // PixelOffsetModeHalf
inline constexpr int kWrapModeTileFlipXY = 3;

using LoadImageFromStreamIcmFn = Status WINAPI(IStream*, GpImage**);
using DisposeImageFn = Status WINAPI(GpImage*);
using GetImageWidthFn = Status WINAPI(GpImage*, UINT*);
using GetImageHeightFn = Status WINAPI(GpImage*, UINT*);
using CreateFromHdcFn = Status WINAPI(HDC, GpGraphics**);
using GetImageGraphicsContextFn = Status WINAPI(GpImage*, GpGraphics**);
using DeleteGraphicsFn = Status WINAPI(GpGraphics*);
using SetInterpolationModeFn = Status WINAPI(GpGraphics*, int);
using SetPixelOffsetModeFn = Status WINAPI(GpGraphics*, int);
using DrawImageRectRectFn = Status WINAPI(GpGraphics*, GpImage*, float, float, float, float,
                                          float, float, float, float, int, const void*, void*,
                                          void*);
using CreateBitmapFromHbitmapFn = Status WINAPI(HBITMAP, HPALETTE, GpBitmap**);
using CreateImageAttributesFn = Status WINAPI(GpImageAttributes**);
using SetImageAttributesWrapModeFn = Status WINAPI(GpImageAttributes*, int, DWORD, BOOL);
using CreateBitmapFromScan0Fn = Status WINAPI(INT, INT, INT, INT, BYTE*, GpBitmap**);

#define VORLEX_GDIPLUS_FN(type, name) \
  inline ::base::LazyCall<type> name() { return LAZY_IMPORT_AS(::base::kGdiplus, type, "Gdip" #name); }
VORLEX_GDIPLUS_FN(LoadImageFromStreamIcmFn, LoadImageFromStreamICM)
VORLEX_GDIPLUS_FN(DisposeImageFn, DisposeImage)
VORLEX_GDIPLUS_FN(GetImageWidthFn, GetImageWidth)
VORLEX_GDIPLUS_FN(GetImageHeightFn, GetImageHeight)
VORLEX_GDIPLUS_FN(CreateFromHdcFn, CreateFromHDC)
VORLEX_GDIPLUS_FN(GetImageGraphicsContextFn, GetImageGraphicsContext)
VORLEX_GDIPLUS_FN(DeleteGraphicsFn, DeleteGraphics)
VORLEX_GDIPLUS_FN(SetInterpolationModeFn, SetInterpolationMode)
VORLEX_GDIPLUS_FN(SetPixelOffsetModeFn, SetPixelOffsetMode)
VORLEX_GDIPLUS_FN(DrawImageRectRectFn, DrawImageRectRect)
VORLEX_GDIPLUS_FN(CreateBitmapFromHbitmapFn, CreateBitmapFromHBITMAP)
VORLEX_GDIPLUS_FN(CreateBitmapFromScan0Fn, CreateBitmapFromScan0)
VORLEX_GDIPLUS_FN(CreateImageAttributesFn, CreateImageAttributes)
VORLEX_GDIPLUS_FN(SetImageAttributesWrapModeFn, SetImageAttributesWrapMode)
#undef VORLEX_GDIPLUS_FN

// Owners for GDI+ images (bitmaps too), graphics objects and the library's start-up token.
struct ImageTraits {
  using Handle = GpImage*;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle image) { return DisposeImage()(image) == 0; }
};
struct GraphicsTraits {
  using Handle = GpGraphics*;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle graphics) { return DeleteGraphics()(graphics) == 0; }
};
struct StartupTokenTraits {
  using Handle = ULONG_PTR;
  static Handle Invalid() { return 0; }
  [[nodiscard]] static bool Close(Handle token) {
    auto shutdown = LAZY_IMPORT_AS(::base::kGdiplus, void WINAPI(ULONG_PTR), "GdiplusShutdown");
    shutdown(token);
    return static_cast<bool>(shutdown);
  }
};
using ScopedImage = ::base::UniqueHandle<ImageTraits>;
using ScopedGraphics = ::base::UniqueHandle<GraphicsTraits>;
using ScopedStartupToken = ::base::UniqueHandle<StartupTokenTraits>;

}  // namespace ui::gdiplus
