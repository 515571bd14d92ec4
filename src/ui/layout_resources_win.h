// Per-language pictures of the main window, its white brush, and the composed first slide.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/unique_handle.h"
#include "ui/layout_ids.h"
#include "ui/resource_bitmap.h"
#include "ui/resource_ids.h"

namespace ui {

class LayoutResources {
 public:
  explicit LayoutResources(uint16_t language);
  LayoutResources(const LayoutResources&) = delete;
  LayoutResources& operator=(const LayoutResources&) = delete;

  uint16_t language() const { return language_; }
  HBRUSH white_brush() const { return static_cast<HBRUSH>(white_brush_.get()); }

  int check_box_sprite() const { return kCheckBoxSprite; }
  int first_screen_background() const { return kFirstScreenBackground; }
  int install_sprite() const { return kInstallButtonSprite; }
  int progress_fill() const { return kProgressFill; }
  int progress_track() const { return kProgressTrack; }
  ImagePair first_screen_logo() const { return FirstScreenLogo(language_); }
  ImagePair progress_logo() const { return ProgressLogo(language_); }
  int first_slide_picture() const { return FirstSlidePicture(language_); }

  // The first slide of the progress screen: 728 x 400 (scaled) white, the picture at half its
  // size in the bottom-left corner, the title (string 415, `title_font`) and the body (string
  // 433, `body_font`, lines 1.4 line heights apart) centred in the column x = 394..698, from
  // y = 126 and from y = 135 + `reference_line_height` (one line of the slogan font). Black text.
  ResourceBitmap ComposeFirstSlide(HFONT title_font, HFONT body_font,
                                   int reference_line_height) const;

 private:
  uint16_t language_;
  base::ScopedGdiObject white_brush_;
};

}  // namespace ui
