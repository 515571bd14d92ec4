// The installer's custom-drawn controls: sprite buttons, sprite check boxes, links and the sprite
// progress bar. Each subclasses an existing control (Window) and paints itself from images;
// sprites are strips of equal frames (normal, hot, pressed; check boxes add the ticked three).
#pragma once

#include <windows.h>

#include "ui/resource_bitmap.h"
#include "ui/window_win.h"

namespace ui {

// Shows a control (without activating it) and enables it, or hides and disables it: a control
// off the current screen is out of the keyboard's reach.
void SetShown(HWND control, bool shown);

// A push button drawn from a three-frame sprite in the custom-draw pre-erase stage.
class ImageButton : public Window {
 public:
  // `background` is the parent's picture (may be null); `background_origin` is where the parent's
  // client area starts inside it.
  ImageButton(HWND button, int sprite_id, COLORREF text_colour, HFONT font,
              const ResourceBitmap* background, POINT background_origin = {0, 0});
  int frame_width() const;
  int frame_height() const { return sprite_.height(); }
  // Paints the button as it looks in the given state into `dc` (client coordinates).
  void Paint(HDC dc, const RECT& rect, bool pressed, bool hot, bool focused);
  // The focus rectangle then waits until the button has been drawn with focus cues while
  // another control had the focus (the user moves the focus by keyboard), so the button that
  // simply starts with the focus shows none. ResetShowFocus (on activation) starts over.
  void TrackShowFocus() { track_show_focus_ = true; }
  void ResetShowFocus();

 protected:
  [[nodiscard]] bool HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  bool track_show_focus_ = false;
  bool show_focus_ = false;
  ResourceBitmap sprite_;
  COLORREF text_colour_;
  HFONT font_;
  const ResourceBitmap* background_;
  POINT background_origin_;
  POINT pressed_offset_ = {0, 0};
};

// An auto check box drawn from a six-frame sprite with translucent text. With visual styles the
// control keeps its check state and paints through custom draw; without them it becomes
// owner-draw and this object keeps the state (and flips it on Toggle).
class SpriteCheckBox : public Window {
 public:
  SpriteCheckBox(HWND box, int sprite_id, COLORREF text_colour, BYTE alpha, HFONT font,
                 const ResourceBitmap* background, bool ticked, bool focus_rect = true);
  [[nodiscard]] bool owner_draw() const { return owner_draw_; }
  bool checked() const;
  void SetChecked(bool ticked);
  // Called on BN_CLICKED: only the owner-draw variant flips its own state.
  void Toggle();
  int frame_width() const;
  int frame_height() const { return sprite_.height(); }
  // 4 + the larger of the frame height and the text's height wrapped to `width`.
  int HeightForWidth(int width) const;
  void Paint(HDC dc, const RECT& rect, bool pressed, bool hot, bool focused);

 protected:
  [[nodiscard]] bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  bool HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  ResourceBitmap sprite_;
  COLORREF text_colour_;
  BYTE alpha_;
  HFONT font_;
  const ResourceBitmap* background_;
  bool focus_rect_;
  bool owner_draw_ = false;
  bool ticked_ = false;  // owner-draw variant only
  bool hot_ = false;     // owner-draw variant: the mouse is over the box
};

// An owner-draw button that looks like a link: translucent text over the parent's picture and
// the hand cursor.
class LinkButton : public Window {
 public:
  LinkButton(HWND button, COLORREF text_colour, BYTE alpha, HFONT font,
             const ResourceBitmap* background);
  // The extent of the button's text in its font.
  SIZE TextExtent() const;
  void Paint(HDC dc, const RECT& rect, bool focused);

 protected:
  [[nodiscard]] bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  bool HandleReflected(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  COLORREF text_colour_;
  BYTE alpha_;
  HFONT font_;
  const ResourceBitmap* background_;
};

// A common-control progress bar painted from a fill and a track picture.
class SpriteProgressBar : public Window {
 public:
  SpriteProgressBar(HWND bar, int fill_id, int track_id, const ResourceBitmap* background);
  void SetRange(int low, int high);
  void SetPosition(int position);
  int position() const;
  void Paint(HDC dc, const RECT& rect);

 protected:
  [[nodiscard]] bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  ResourceBitmap fill_;
  ResourceBitmap track_;
  const ResourceBitmap* background_;
};

}  // namespace ui
