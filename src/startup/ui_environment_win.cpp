#include "startup/ui_environment_win.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/lazy_import.h"

namespace startup {

namespace {
// GDI+ flat API start-up input (version 1, defaults).
struct GdiplusStartupInput {
  UINT32 version = 1;
  void* debug_callback = nullptr;
  BOOL suppress_background_thread = FALSE;
  BOOL suppress_external_codecs = FALSE;
};
using GdiplusStartupFn = int WINAPI(ULONG_PTR*, const GdiplusStartupInput*, void*);
using GdiplusShutdownFn = void WINAPI(ULONG_PTR);
}  // namespace

UiEnvironment::UiEnvironment() {
  if (auto co_initialize = LAZY_IMPORT(base::kOle32, CoInitialize))
    com_initialized_ = SUCCEEDED(co_initialize(nullptr));
  if (auto def_window_proc = LAZY_IMPORT(base::kUser32, DefWindowProcW)) def_window_proc(nullptr, WM_NULL, 0, 0);
  if (auto init_controls = LAZY_IMPORT(base::kComctl32, InitCommonControlsEx)) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LINK_CLASS | ICC_PROGRESS_CLASS};
    init_controls(&controls);
  }
  static base::LazyFunction<GdiplusStartupFn> startup(base::kGdiplus, "GdiplusStartup");
  if (GdiplusStartupFn* fn = startup.Get()) {
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (fn(&token, &input, nullptr) == 0) gdiplus_token_ = token;
  }
}

UiEnvironment::~UiEnvironment() {
  static base::LazyFunction<GdiplusShutdownFn> shutdown(base::kGdiplus, "GdiplusShutdown");
  if (gdiplus_token_) {
    if (GdiplusShutdownFn* fn = shutdown.Get()) fn(gdiplus_token_);
  }
  if (com_initialized_) {
    if (auto co_uninitialize = LAZY_IMPORT(base::kOle32, CoUninitialize)) co_uninitialize();
  }
}

}  // namespace startup
