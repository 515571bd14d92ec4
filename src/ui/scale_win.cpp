#include <windows.h>

#include <atomic>

#include "base/command_line.h"
#include "base/lazy_import.h"
#include "base/unique_handle.h"
#include "logging/log.h"
#include "ui/scale.h"

namespace ui {

namespace {

// 0 until start-up has fixed the factor.
std::atomic<double> g_factor{0};

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

void InitScaleFactor(const base::CommandLine& command_line) {
  double expected = 0;
  (void)g_factor.compare_exchange_strong(
      expected, ChooseScaleFactor(command_line.GetSwitchValueNarrow(kForceScaleFactorSwitch), ScreenDpiX()));
}

void OverrideScaleFactor(double factor) { g_factor = factor; }

double ScaleFactor() {
  if (double factor = g_factor.load(); factor != 0) return factor;
  static const double screen_factor = ChooseScaleFactor("", ScreenDpiX());
  return screen_factor;
}

}  // namespace ui
