// The JSON reader with both nesting limits: never a fault, and what it accepts writes back to
// text that reads to the same value.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (int limit : {base::kJsonMaxDepth, 200}) {
    std::string error;
    auto value = base::ParseJson(text, limit, &error);
    if (!value) continue;
    std::string written = base::WriteJson(*value);
    auto again = base::ParseJson(written, limit);
    if (!again) __builtin_trap();
    if (base::WriteJson(*again) != written) __builtin_trap();
  }
  return 0;
}
