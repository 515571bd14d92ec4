#include "first_screen_preview.h"

#include <memory>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "ui/controls_win.h"
#include "ui/drawing_win.h"
#include "ui/first_screen_layout.h"
#include "ui/layout_resources_win.h"
#include "ui/resource_bitmap.h"
#include "ui/resource_ids.h"
#include "ui/scale.h"
#include "ui/sentence_windows_win.h"
#include "ui/string_table.h"
#include "ui/window_shadow_win.h"
#include "ui/window_win.h"

namespace {

using namespace ui;

class FirstScreenPreview : public Dialog {
 public:
  FirstScreenPreview(uint16_t language, int mask)
      : Dialog(kMainWindowTemplate), language_(language), mask_(mask), layout_(language) {}

 protected:
  bool OnInitDialog() override {
    background_.Load(layout_.first_screen_background());
    logo_.LoadPair(layout_.first_screen_logo().id_1x, layout_.first_screen_logo().id_2x);
    SetWindowTextW(hwnd(), LoadUiString(strings::kWindowTitle, language_).c_str());
    const std::pair<int, int> texts[] = {{1, strings::kInstall},       {109, strings::kMakeDefault},
                                         {110, strings::kSendStatistics}, {111, strings::kPinOmrix},
                                         {118, strings::kPrivacyPolicy}, {107, strings::kSlogan}};
    for (auto [id, string_id] : texts)
      SetDlgItemTextW(hwnd(), id, LoadUiString(string_id, language_).c_str());
    slogan_font_ = CreateUiFont(L"Arial", 32);
    button_font_ = CreateUiFont(L"SegoeUI", 15);
    text_font_ = CreateUiFont(L"Arial", 12);
    link_font_ = CreateUiFont(L"Arial", 12, true);
    SetWindowPos(hwnd(), nullptr, 0, 0, background_.width(), background_.height(),
                 SWP_NOMOVE | SWP_NOZORDER);
    Centre(hwnd());
    CreateWindowShadow(hwnd());
    for (const SentenceWindow& piece :
         CreateSentenceWindows(hwnd(), LoadUiString(strings::kLicenseSentence, language_),
                               Scale(400), Scale(38), Scale(267), AsFont(text_font_), false, 122,
                               123)) {
      if (piece.link)
        links_.push_back(std::make_unique<LinkButton>(piece.window, RGB(255, 255, 255), 184,
                                                      AsFont(link_font_), &background_));
    }
    install_ = std::make_unique<ImageButton>(GetDlgItem(hwnd(), 1), kInstallButtonSprite, 0,
                                             AsFont(button_font_), &background_);
    close_ = std::make_unique<ImageButton>(GetDlgItem(hwnd(), 113), kCloseLightSprite, 0, nullptr,
                                           &background_);
    privacy_ = std::make_unique<LinkButton>(GetDlgItem(hwnd(), 118), RGB(255, 255, 255), 184,
                                            AsFont(link_font_), &background_);
    const int ids[] = {109, 110, 111};
    for (int i = 0; i < 3; ++i) {
      boxes_[i] = std::make_unique<SpriteCheckBox>(GetDlgItem(hwnd(), ids[i]), kCheckBoxSprite,
                                                   RGB(255, 255, 255), 184, AsFont(text_font_),
                                                   &background_, i != 1);
    }
    base::ScopedWindow(GetDlgItem(hwnd(), 112)).reset();

    CheckBoxPlaces places = CheckBoxLayout(mask_);
    const std::optional<BoxPlace>* place[] = {&places.make_default, &places.statistics,
                                               &places.omrix};
    for (int i = 0; i < 3; ++i) {
      if (!*place[i]) {
        ShowWindow(boxes_[i]->hwnd(), SW_HIDE);
        continue;
      }
      const BoxPlace& p = **place[i];
      int width = Scale(p.right) - Scale(p.left);
      MoveWindow(boxes_[i]->hwnd(), Scale(p.left), Scale(p.top), width,
                 boxes_[i]->HeightForWidth(width), FALSE);
    }
    if (places.statistics) {
      RECT stats = RectOf(boxes_[1]->hwnd());
      SIZE extent = privacy_->TextExtent();
      MoveWindow(privacy_->hwnd(), Scale(84), stats.bottom, extent.cx, extent.cy, FALSE);
    } else {
      ShowWindow(privacy_->hwnd(), SW_HIDE);
    }
    Place(GetDlgItem(hwnd(), 107), SloganRect(mask_));
    MoveWindow(install_->hwnd(), Scale(557), Scale(305), install_->frame_width(),
               install_->frame_height(), FALSE);
    MoveWindow(close_->hwnd(), Scale(698), Scale(18), close_->frame_width(), close_->frame_height(),
               FALSE);
    return true;
  }

  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    switch (message) {
      case WM_ERASEBKGND:
        *result = 1;
        return true;
      case WM_PAINT: {
        base::PaintScope paint(hwnd());
        HDC dc = paint.dc();
        background_.Draw(dc, 0, 0);
        Rect logo = Scale(Rect{61, 41, 227, 69});
        logo_.Draw(dc, logo.left, logo.top, logo.width(), logo.height(), 0, 0, logo_.width(),
                   logo_.height());
        *result = 0;
        return true;
      }
      case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
        bool slogan = item->CtlID == 107;
        DrawControlTextOverBackground(item->hDC, item->rcItem, item->hwndItem,
                                      AsFont(slogan ? slogan_font_ : text_font_),
                                      RGB(255, 255, 255), slogan ? 255 : 184, &background_,
                                      slogan ? DT_CENTER : DT_LEFT);
        *result = TRUE;
        return true;
      }
      case WM_COMMAND:
        if (LOWORD(wparam) == 109 || LOWORD(wparam) == 110 || LOWORD(wparam) == 111) {
          boxes_[LOWORD(wparam) - 109]->Toggle();
        } else if (LOWORD(wparam) == 1 || LOWORD(wparam) == 113) {
          End(LOWORD(wparam));
        }
        *result = 0;
        return true;
      case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE) End(2);
        *result = 0;
        return true;
      default:
        return false;
    }
  }

 private:
  RECT RectOf(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  static void Place(HWND window, const Rect& design) {
    Rect r = Scale(design);
    MoveWindow(window, r.left, r.top, r.width(), r.height(), FALSE);
  }

  uint16_t language_;
  int mask_;
  LayoutResources layout_;
  ResourceBitmap background_, logo_;
  base::ScopedGdiObject slogan_font_, button_font_, text_font_, link_font_;
  std::unique_ptr<ImageButton> install_, close_;
  std::unique_ptr<LinkButton> privacy_;
  std::vector<std::unique_ptr<LinkButton>> links_;
  std::unique_ptr<SpriteCheckBox> boxes_[3];
};

}  // namespace

INT_PTR RunFirstScreenPreview(uint16_t language, int mask) {
  FirstScreenPreview preview(language, mask);
  return preview.RunModal();
}
