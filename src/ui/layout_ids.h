// Per-language picture choices of the installer window. Portable.
#pragma once

#include <cstdint>

namespace ui {

struct ImagePair {
  int id_1x = 0;
  int id_2x = 0;
  bool operator==(const ImagePair&) const = default;
};

// Language 1049 has its own logos and first-slide picture; every other language shares one set.
ImagePair FirstScreenLogo(uint16_t language);
ImagePair ProgressLogo(uint16_t language);
int FirstSlidePicture(uint16_t language);

}  // namespace ui
