#include <windows.h>

#include "base/command_line.h"
#include "base/lazy_import.h"
#include "base/unique_handle.h"
#include "logging/log.h"
#include "ui/scale.h"

namespace ui {

namespace {

int ScreenDpiX() {
  auto get_caps = LAZY_IMPORT(base::kGdi32, GetDeviceCaps);
  if (!LAZY_IMPORT(base::kUser32, GetDC) || !LAZY_IMPORT(base::kUser32, ReleaseDC) || !get_caps) return 0;
  base::ScopedWindowDc screen(nullptr);
  if (!screen) {
    // Without a screen nothing can be drawn anyway; keep the design size.
    PLOG(ERROR) << "Failed to get the screen device context";
    return 0;
  }
  return get_caps(screen.get(), LOGPIXELSX);
}

}  // namespace

double ScaleFactor() {
  static const double factor = ChooseScaleFactor(
      base::CommandLine::ForCurrentProcess().GetSwitchValueNarrow(kForceScaleFactorSwitch),
      ScreenDpiX());
  return factor;
}

}  // namespace ui
