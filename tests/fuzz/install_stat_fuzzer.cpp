// The "install_stat" text saved in the registry between runs: parsing any text, and writing what
// was parsed gives back the same parameters.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/strings.h"
#include "net/install_stat_query.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text = base::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
  net::StatParams params = net::ParseStatParams(text);
  if (net::ParseStatParams(net::SerializeStatParams(params)) != params) __builtin_trap();
  return 0;
}
