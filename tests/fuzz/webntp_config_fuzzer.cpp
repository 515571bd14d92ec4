// The new-tab-page configuration from the network: never a fault, and no accepted path leaves the
// bundle directory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tasks/webntp.h"

namespace {
bool Escapes(const std::string& path) {
  if (path.empty() || path[0] == '/' || path[0] == '\\' || path.find(':') != std::string::npos) return true;
  std::string part;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/' || path[i] == '\\') {
      if (part == "..") return true;
      part.clear();
    } else {
      part += path[i];
    }
  }
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  auto config = tasks::ParseWebNtpConfig(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!config) return 0;
  if (Escapes(config->main_html)) __builtin_trap();
  for (const std::string& path : config->resources)
    if (Escapes(path)) __builtin_trap();
  for (const std::string& dir : tasks::WebNtpDirectories(*config))
    if (Escapes(dir)) __builtin_trap();
  return 0;
}
