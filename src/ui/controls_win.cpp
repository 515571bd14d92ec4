#include "ui/controls_win.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <string>

#include "ui/drawing_win.h"
#include "ui/sprite_frames.h"
#include "ui/win32_api_win.h"

namespace ui {

namespace {

bool FocusCuesShown(HWND window) {
  return (USER32(SendMessageW)(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

void DrawFocus(HDC dc, const RECT& rect, int inset) {
  RECT focus = rect;
  USER32(InflateRect)(&focus, -inset, -inset);
  USER32(DrawFocusRect)(dc, &focus);
}

// Custom-draw answer shared by the sprite controls: paint everything at the pre-erase stage and
// skip the control's own drawing. Skipping there ends the cycle, so the pre-paint stage only
// paints when a control starts its cycle there.
template <typename PaintFn>
bool AnswerCustomDraw(LPARAM lparam, LRESULT* result, PaintFn paint) {
  auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lparam);
  if (draw->hdr.code != NM_CUSTOMDRAW) return false;
  if (draw->dwDrawStage == CDDS_PREERASE || draw->dwDrawStage == CDDS_PREPAINT) {
    paint(draw);
    *result = CDRF_SKIPDEFAULT;
    return true;
  }
  *result = CDRF_DODEFAULT;
  return true;
}

}  // namespace

void SetShown(HWND control, bool shown) {
  USER32(ShowWindow)(control, shown ? SW_SHOWNA : SW_HIDE);
  USER32(EnableWindow)(control, shown);
}

// ImageButton ------------------------------------------------------------------------------

ImageButton::ImageButton(HWND button, int sprite_id, COLORREF text_colour, HFONT font,
                         const ResourceBitmap* background, POINT background_origin)
    : text_colour_(text_colour),
      font_(font),
      background_(background),
      background_origin_(background_origin) {
  sprite_.Load(sprite_id);
  Attach(button);
}

int ImageButton::frame_width() const { return FrameWidth(sprite_.width(), 3); }

void ImageButton::Paint(HDC dc, const RECT& rect, bool pressed, bool hot, bool focused) {
  if (background_) DrawBackgroundUnder(dc, rect, hwnd(), *background_, background_origin_);
  int width = frame_width();
  int frame = ButtonFrame(pressed, hot);
  sprite_.Draw(dc, rect.left, rect.top, width, frame_height(), frame * width, 0, width,
               frame_height());
  // A button without a font (the crosses) is named for screen readers only.
  std::wstring text = font_ ? WindowText(hwnd()) : std::wstring();
  if (!text.empty()) {
    RECT text_rect = rect;
    if (pressed) USER32(OffsetRect)(&text_rect, pressed_offset_.x, pressed_offset_.y);
    ScopedSelectObject select(dc, font_);
    GDI32(SetBkMode)(dc, TRANSPARENT);
    GDI32(SetTextColor)(dc, text_colour_);
    USER32(DrawTextW)(dc, text.c_str(), static_cast<int>(text.size()), &text_rect,
                      DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  if (focused && FocusCuesShown(hwnd()) && (!track_show_focus_ || show_focus_)) DrawFocus(dc, rect, 2);
}

void ImageButton::ResetShowFocus() {
  if (!show_focus_) return;
  show_focus_ = false;
  if (hwnd()) USER32(InvalidateRect)(hwnd(), nullptr, FALSE);
}

bool ImageButton::HandleReflected(UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
  if (message != WM_NOTIFY) return false;
  return AnswerCustomDraw(lparam, result, [this](NMCUSTOMDRAW* draw) {
    const bool focused = (draw->uItemState & CDIS_FOCUS) != 0;
    const bool cues = (draw->uItemState & CDIS_SHOWKEYBOARDCUES) != 0 || FocusCuesShown(hwnd());
    if (track_show_focus_ && cues && !focused) show_focus_ = true;
    Paint(draw->hdc, draw->rc, (draw->uItemState & CDIS_SELECTED) != 0,
          (draw->uItemState & CDIS_HOT) != 0, focused);
  });
}

// SpriteCheckBox ---------------------------------------------------------------------------

SpriteCheckBox::SpriteCheckBox(HWND box, int sprite_id, COLORREF text_colour, BYTE alpha,
                               HFONT font, const ResourceBitmap* background, bool ticked,
                               bool focus_rect)
    : text_colour_(text_colour),
      alpha_(alpha),
      font_(font),
      background_(background),
      focus_rect_(focus_rect) {
  sprite_.Load(sprite_id);
  auto is_themed = UXTHEME(IsAppThemed);
  owner_draw_ = !is_themed();
  if (owner_draw_ && box) {
    LONG style = USER32(GetWindowLongW)(box, GWL_STYLE);
    USER32(SetWindowLongW)(box, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
  }
  Attach(box);
  if (ticked) SetChecked(true);
}

bool SpriteCheckBox::checked() const {
  if (owner_draw_) return ticked_;
  return USER32(SendMessageW)(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SpriteCheckBox::SetChecked(bool ticked) {
  if (owner_draw_) {
    ticked_ = ticked;
    USER32(InvalidateRect)(hwnd(), nullptr, FALSE);
  } else {
    USER32(SendMessageW)(hwnd(), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void SpriteCheckBox::Toggle() {
  if (owner_draw_) SetChecked(!ticked_);
}

int SpriteCheckBox::frame_width() const { return FrameWidth(sprite_.width(), 6); }

int SpriteCheckBox::HeightForWidth(int width) const {
  int text_height = 0;
  std::wstring text = WindowText(hwnd());
  if (!text.empty()) {
    ScreenDc screen;
    if (screen.get()) {
      ScopedSelectObject select(screen.get(), font_);
      RECT rect = {frame_width() + 4 + 8, 0, width, 0};
      USER32(DrawTextW)(screen.get(), text.c_str(), static_cast<int>(text.size()), &rect,
                        DT_CALCRECT | DT_WORDBREAK);
      text_height = rect.bottom - rect.top;
    }
  }
  return CheckBoxHeight(frame_height(), text_height);
}

void SpriteCheckBox::Paint(HDC dc, const RECT& rect, bool pressed, bool hot, bool focused) {
  if (background_) DrawBackgroundUnder(dc, rect, hwnd(), *background_);
  int width = frame_width();
  int frame = CheckBoxFrame(pressed, hot, checked());
  sprite_.Draw(dc, rect.left + 4, rect.top + 4, width, frame_height(), frame * width, 0, width,
               frame_height());
  std::wstring text = WindowText(hwnd());
  if (!text.empty()) {
    RECT text_rect = {rect.left + 4 + width + 8, rect.top + 4, rect.right, rect.bottom};
    DrawTranslucentText(dc, text_rect, text, font_, text_colour_, alpha_, DT_LEFT | DT_TOP);
  }
  if (focus_rect_ && focused && FocusCuesShown(hwnd())) DrawFocus(dc, rect, 0);
}

bool SpriteCheckBox::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (!owner_draw_) return false;
  if (message == WM_MOUSEMOVE && !hot_) {
    hot_ = true;
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd(), 0};
    USER32(TrackMouseEvent)(&track);
    USER32(InvalidateRect)(hwnd(), nullptr, FALSE);
  } else if (message == WM_MOUSELEAVE) {
    hot_ = false;
    USER32(InvalidateRect)(hwnd(), nullptr, FALSE);
  } else if (message == BM_GETCHECK) {
    // Owner-draw buttons keep no state of their own: answer with ours.
    *result = ticked_ ? BST_CHECKED : BST_UNCHECKED;
    return true;
  }
  return false;
}

bool SpriteCheckBox::HandleReflected(UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
  if (message == WM_DRAWITEM && owner_draw_) {
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
    Paint(item->hDC, item->rcItem, (item->itemState & ODS_SELECTED) != 0, hot_,
          (item->itemState & ODS_FOCUS) != 0);
    *result = TRUE;
    return true;
  }
  if (message == WM_NOTIFY && !owner_draw_) {
    return AnswerCustomDraw(lparam, result, [this](NMCUSTOMDRAW* draw) {
        Paint(draw->hdc, draw->rc, (draw->uItemState & CDIS_SELECTED) != 0,
            (draw->uItemState & CDIS_HOT) != 0, (draw->uItemState & CDIS_FOCUS) != 0);
    });
  }
  return false;
}

// LinkButton -------------------------------------------------------------------------------

LinkButton::LinkButton(HWND button, COLORREF text_colour, BYTE alpha, HFONT font,
                       const ResourceBitmap* background)
    : text_colour_(text_colour), alpha_(alpha), font_(font), background_(background) {
  Attach(button);
}

SIZE LinkButton::TextExtent() const {
  SIZE size = {0, 0};
  std::wstring text = WindowText(hwnd());
  ScreenDc screen;
  if (text.empty() || !screen.get()) return size;
  ScopedSelectObject select(screen.get(), font_);
  GDI32(GetTextExtentPoint32W)(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void LinkButton::Paint(HDC dc, const RECT& rect, bool focused) {
  DrawControlTextOverBackground(dc, rect, hwnd(), font_, text_colour_, alpha_, background_,
                                DT_LEFT | DT_TOP);
  if (focused && FocusCuesShown(hwnd())) DrawFocus(dc, rect, 0);
}

bool LinkButton::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_SETCURSOR:
      USER32(SetCursor)(USER32(LoadCursorW)(nullptr, IDC_HAND));
      *result = TRUE;
      return true;
    case WM_GETDLGCODE: {
      // Enter on a focused link opens it, as on a focused push button; the dialog would send it
      // to its default button. An owner-draw button cannot be a push button (becoming the
      // default would change its style), so it takes the key itself.
      *result = DefaultHandling(message, wparam, lparam);
      const MSG* key = reinterpret_cast<const MSG*>(lparam);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) *result |= DLGC_WANTMESSAGE;
      return true;
    }
    case WM_KEYDOWN:
      if (wparam != VK_RETURN) return false;
      *result = DefaultHandling(BM_CLICK, 0, 0);
      return true;
    default:
      return false;
  }
}

bool LinkButton::HandleReflected(UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
  if (message != WM_DRAWITEM) return false;
  auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
  Paint(item->hDC, item->rcItem, (item->itemState & ODS_FOCUS) != 0);
  *result = TRUE;
  return true;
}

// SpriteProgressBar ------------------------------------------------------------------------

SpriteProgressBar::SpriteProgressBar(HWND bar, int fill_id, int track_id,
                                     const ResourceBitmap* background)
    : background_(background) {
  fill_.Load(fill_id);
  track_.Load(track_id);
  Attach(bar);
}

void SpriteProgressBar::SetRange(int low, int high) {
  USER32(SendMessageW)(hwnd(), PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void SpriteProgressBar::SetPosition(int position) {
  USER32(SendMessageW)(hwnd(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int SpriteProgressBar::position() const {
  return static_cast<int>(USER32(SendMessageW)(hwnd(), PBM_GETPOS, 0, 0));
}

void SpriteProgressBar::Paint(HDC dc, const RECT& rect) {
  if (background_) DrawBackgroundUnder(dc, rect, hwnd(), *background_);
  PBRANGE range = {0, 0};
  USER32(SendMessageW)(hwnd(), PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  int filled = ProgressFilledWidth(width, range.iLow, range.iHigh, position());
  if (filled > 0) fill_.Draw(dc, rect.left, rect.top, filled, height, 0, 0, filled, height);
  if (filled < width) {
    track_.Draw(dc, rect.left + filled, rect.top, width - filled, height, filled, 0,
                width - filled, height);
  }
}

bool SpriteProgressBar::HandleMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (message == WM_ERASEBKGND) {
    *result = 1;
    return true;
  }
  if (message != WM_PAINT && message != WM_PRINTCLIENT) return false;
  RECT client;
  USER32(GetClientRect)(hwnd(), &client);
  if (message == WM_PRINTCLIENT) {
    Paint(reinterpret_cast<HDC>(wparam), client);
  } else {
    base::PaintScope paint(hwnd());
    if (paint.dc()) Paint(paint.dc(), client);
  }
  *result = 0;
  return true;
}

}  // namespace ui
