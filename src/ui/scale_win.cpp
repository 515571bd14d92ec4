#include <windows.h>

#include "base/command_line.h"
#include "base/lazy_import.h"
#include "logging/log.h"
#include "ui/scale.h"

namespace ui {

namespace {

int ScreenDpiX() {
  auto get_dc = LAZY_IMPORT(base::kUser32, GetDC);
  auto release_dc = LAZY_IMPORT(base::kUser32, ReleaseDC);
  auto get_caps = LAZY_IMPORT(base::kGdi32, GetDeviceCaps);
  if (!get_dc || !release_dc || !get_caps) return 0;
  HDC screen = get_dc(nullptr);
  if (!screen) {
    // Without a screen nothing can be drawn anyway; keep the design size.
    PLOG(ERROR) << "Failed to get the screen device context";
    return 0;
  }
  int dpi = get_caps(screen, LOGPIXELSX);
  release_dc(nullptr, screen);
  return dpi;
}

}  // namespace

double ScaleFactor() {
  static const double factor = ChooseScaleFactor(
      base::CommandLine::ForCurrentProcess().GetSwitchValueNarrow(kForceScaleFactorSwitch),
      ScreenDpiX());
  return factor;
}

}  // namespace ui
