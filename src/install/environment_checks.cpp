#include "install/environment_checks.h"

#include "base/strings.h"

namespace install {

int CpuMessageId(bool sse2, bool sse3) {
  if (!sse3) return kMessageNoSse3;
  if (!sse2) return kMessageNoSse2;
  return 0;
}

bool EnoughSpace(std::optional<uint64_t> free_bytes, uint64_t required) {
  return !free_bytes || *free_bytes >= required;
}

bool IsCryptoProConflict(uint32_t exception_code, const std::string& dll, const std::string& procedure) {
  return exception_code == 0xC06D007E && base::ToLowerAscii(dll) == "cplib.dll" &&
         base::ToLowerAscii(procedure).find("cryptopro") != std::string::npos;
}

}  // namespace install
