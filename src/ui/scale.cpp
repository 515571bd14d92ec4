#include "ui/scale.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace ui {

std::optional<double> ParseForcedScaleFactor(std::string_view value) {
  if (value.empty()) return std::nullopt;
  double parsed = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
  if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
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
