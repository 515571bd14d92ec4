// The two tag readers over whole PE byte images (anyone can re-tag a download): the DER walk to
// the dummy certificate's tag and the "Vact" trailer. Neither may read outside the image.
#include <cstddef>
#include <cstdint>

#include "distrib/installer_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)distrib::ExtractTagFromImage(data, size);
  const uint8_t* tag = nullptr;
  size_t length = 0;
  if (distrib::FindTrailerTag(data, size, &tag, &length) && length) {
    if (tag < data || tag + length > data + size) __builtin_trap();
    volatile uint8_t last = tag[length - 1];
    (void)last;
  }
  return 0;
}
