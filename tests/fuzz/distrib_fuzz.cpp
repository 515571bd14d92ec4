// libFuzzer target over the portable distribution parsers: the tag readers over arbitrary PE
// images and the parameter text parser. Built natively with sanitizers:
//   clang++ -std=c++20 -g -fsanitize=fuzzer,address,undefined -I src -I /usr/include \
//     tests/fuzz/distrib_fuzz.cpp src/distrib/installer_tag.cpp src/distrib/der_reader.cpp \
//     src/distrib/distrib_params.cpp src/base/json.cpp -o distrib_fuzz
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "distrib/distrib_params.h"
#include "distrib/installer_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)distrib::ExtractTagFromImage(data, size);
  const uint8_t* tag = nullptr;
  size_t length = 0;
  if (distrib::FindTrailerTag(data, size, &tag, &length) && length) {
    volatile uint8_t last = tag[length - 1];  // the tag must lie within the input
    (void)last;
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  distrib::ParamMap params = distrib::ParseDistribParams(text);
  (void)distrib::DistribParamsToJson(params);
  (void)distrib::ParseLeadingInt(text);
  return 0;
}
