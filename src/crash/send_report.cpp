#include "crash/send_report.h"

#include <cstdio>

namespace crash {

namespace {
// Each "?name=value" piece is formatted into a buffer of this size and cut there.
constexpr size_t kQueryPieceBuffer = 128;
}  // namespace

std::string EscapeQueryValue(std::string_view value) {
  std::string escaped;
  for (char c : value) {
    unsigned char byte = static_cast<unsigned char>(c);
    bool keep = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                byte == '-' || byte == '_' || byte == '.' || byte == '~';
    if (keep) {
      escaped += c;
    } else {
      char escape[4];
      std::snprintf(escape, sizeof(escape), "%%%02X", byte);
      escaped += escape;
    }
  }
  return escaped;
}

std::string AppendReportQuery(std::string url, const Annotations& annotations) {
  static constexpr struct {
    const char* annotation;
    const char* parameter;
  } kParameters[] = {{"prod", "product"}, {"ver", "version"}, {"guid", "guid"}};
  for (const auto& parameter : kParameters) {
    auto it = annotations.find(parameter.annotation);
    if (it == annotations.end()) continue;
    char separator = url.find('?') == std::string::npos ? '?' : '&';
    std::string value = EscapeQueryValue(it->second);
    char piece[kQueryPieceBuffer];
    int length = std::snprintf(piece, sizeof(piece), "%c%s=%s", separator, parameter.parameter, value.c_str());
    std::string text(piece);
    if (length >= static_cast<int>(sizeof(piece))) {
      // A cut through an escape would send a malformed "%4": end the piece before that escape.
      size_t percent = text.rfind('%');
      if (percent != std::string::npos && percent + 3 > text.size()) text.resize(percent);
    }
    url += text;
  }
  return url;
}

}  // namespace crash
