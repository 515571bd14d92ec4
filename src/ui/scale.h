// Design units and the process-wide scale factor. All window geometry is given in a 728 x 400
// design space and multiplied by one factor: the "force-device-scale-factor" switch when it holds
// a usable number, else the screen's horizontal DPI / 96.
#pragma once

#include "base/command_line.h"

#include <optional>
#include <string_view>

namespace ui {

inline constexpr char kForceScaleFactorSwitch[] = "force-device-scale-factor";

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// The switch's number, or nothing when the screen is to decide: absent, empty, not a number
// (trailing text included), 0, infinite, negative, or beyond kMaxScaleFactor (such a factor would
// ask for windows and bitmaps far larger than any screen).
inline constexpr double kMaxScaleFactor = 8.0;
[[nodiscard]] std::optional<double> ParseForcedScaleFactor(std::string_view value);
// The factor from the switch value, else screen_dpi_x / 96 (1.0 when no DPI could be read).
double ChooseScaleFactor(std::string_view switch_value, int screen_dpi_x);

// truncate(value x factor), and a rectangle's four coordinates alike.
int ScaleBy(int value, double factor);
Rect ScaleBy(const Rect& rect, double factor);

// Win32 side. Start-up fixes the process's factor from its command line and the screen before any
// window exists; a later call changes nothing. Until then (programs that never call it) the
// factor is the screen's.
void InitScaleFactor(const base::CommandLine& command_line);
double ScaleFactor();
// Replaces the factor, for programs that draw the windows at several factors one after another
// (the language tests); windows made before keep their geometry and fonts.
void OverrideScaleFactor(double factor);
inline int Scale(int value) { return ScaleBy(value, ScaleFactor()); }
inline Rect Scale(const Rect& rect) { return ScaleBy(rect, ScaleFactor()); }

}  // namespace ui
