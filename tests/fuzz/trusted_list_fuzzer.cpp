// The trusted-certificate list and the signature resource read from a downloaded setup.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "trust/trusted_certificates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)trust::ParseTrustedCertificateIds(text);
  (void)trust::ParseSignatureResource(text);
  return 0;
}
