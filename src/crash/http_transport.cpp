#include "crash/http_transport.h"

#include <vector>

namespace crash {

std::optional<uint64_t> MeasureBodyStream(BodyStream& body, size_t block_size) {
  std::vector<uint8_t> buffer(block_size);
  uint64_t total = 0;
  for (;;) {
    int64_t count = body.Read(buffer.data(), buffer.size());
    if (count < 0) return std::nullopt;
    if (count == 0) break;
    total += static_cast<uint64_t>(count);
  }
  if (!body.Rewind()) return std::nullopt;
  return total;
}

}  // namespace crash
