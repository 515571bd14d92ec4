#include "crash/http_transport.h"

#include <cstdio>

namespace crash {

std::string ChunkSizeLine(size_t length) {
  char digits[16];
  std::snprintf(digits, sizeof(digits), "%08x", static_cast<unsigned>(length));
  std::string text(digits);
  size_t first = text.find_first_not_of('0');
  text.erase(0, first == std::string::npos ? text.size() - 1 : first);
  return text + "\r\n";
}

}  // namespace crash
