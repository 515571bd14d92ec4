#include "ui/layout_ids.h"

#include "ui/resource_ids.h"

namespace ui {

ImagePair FirstScreenLogo(uint16_t language) {
  if (language == kRussianLanguage) return {kLogoLightRu, kLogoLightRu2x};
  return {kLogoLight, kLogoLight2x};
}

ImagePair ProgressLogo(uint16_t language) {
  if (language == kRussianLanguage) return {kLogoDarkRu, kLogoDarkRu2x};
  return {kLogoDark, kLogoDark2x};
}

int FirstSlidePicture(uint16_t language) {
  return language == kRussianLanguage ? kFirstSlidePictureRu : kFirstSlidePicture;
}

}  // namespace ui
