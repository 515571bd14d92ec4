// The distribution-parameter text (from the tag or the command line): parsing, the flag and
// number rules, and the "distrib_info" JSON written from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "distrib/distrib_params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  distrib::ParamMap params = distrib::ParseDistribParams(text);
  (void)distrib::DistribParamsToJson(params);
  (void)distrib::ParseLeadingInt(text);
  distrib::DistribParams distrib(text);
  (void)distrib.GetFlag("vup");
  (void)distrib.GetStatFlag();
  (void)distrib.IsFirstRun();
  (void)distrib.UacMode(false);
  return 0;
}
