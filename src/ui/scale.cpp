#include "ui/scale.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <limits>

namespace ui {

std::optional<double> ParseForcedScaleFactor(std::string_view value) {
  if (value.empty()) return std::nullopt;
  // A plain decimal number: strtod alone would also take leading blanks, a "+" and hexadecimal.
  // (std::from_chars would say the same, but its floating-point half is 40 KB of the executable.)
  for (char c : value) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E')) return std::nullopt;
  }
  std::string text(value);
  char* end = nullptr;
  double parsed = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  if (!std::isfinite(parsed) || parsed <= 0 || parsed > kMaxScaleFactor) return std::nullopt;
  return parsed;
}

double ChooseScaleFactor(std::string_view switch_value, int screen_dpi_x) {
  if (auto forced = ParseForcedScaleFactor(switch_value)) return *forced;
  if (screen_dpi_x <= 0) return 1.0;
  return screen_dpi_x / 96.0;
}

int ScaleBy(int value, double factor) {
  double scaled = std::trunc(value * factor);
  if (scaled >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (scaled <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(scaled);
}

Rect ScaleBy(const Rect& rect, double factor) {
  return {ScaleBy(rect.left, factor), ScaleBy(rect.top, factor), ScaleBy(rect.right, factor),
          ScaleBy(rect.bottom, factor)};
}

}  // namespace ui
