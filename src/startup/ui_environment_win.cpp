#include "startup/ui_environment_win.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/com_ptr.h"
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
}  // namespace

UiEnvironment::UiEnvironment() : com_(COINIT_APARTMENTTHREADED) {
  if (auto def_window_proc = LAZY_IMPORT(base::kUser32, DefWindowProcW)) def_window_proc(nullptr, WM_NULL, 0, 0);
  if (auto init_controls = LAZY_IMPORT(base::kComctl32, InitCommonControlsEx)) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LINK_CLASS | ICC_PROGRESS_CLASS};
    init_controls(&controls);
  }
  if (auto fn = LAZY_IMPORT_AS(base::kGdiplus, GdiplusStartupFn, "GdiplusStartup")) {
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (fn(&token, &input, nullptr) == 0) gdiplus_token_.reset(token);
  }
}

UiEnvironment::~UiEnvironment() {
  // GDI+ shuts down before COM: the members go in reverse order.
}

}  // namespace startup
