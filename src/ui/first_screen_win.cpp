// The main window's first screen: the check boxes, the links, Install and the close button.
#include "ui/main_window_win.h"

#include "base/lazy_import.h"
#include "base/startup_timeline.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "distrib/service_urls.h"
#include "install/installer.h"
#include "logging/log.h"
#include "ui/control_ids.h"
#include "ui/controls_win.h"
#include "ui/drawing_win.h"
#include "ui/first_screen_choices.h"
#include "ui/first_screen_layout.h"
#include "ui/main_window_parts_win.h"
#include "ui/resource_ids.h"
#include "ui/scale.h"
#include "ui/ui_events.h"
#include "ui/win32_api_win.h"

namespace ui {

using namespace main_window;

void MainWindow::CreateControlObjects() {
  install_button_ =
      std::make_unique<ImageButton>(Item(ids::kInstall), layout_.install_sprite(), kBlack,
                                    AsFont(fonts_[kButtonFont]), &background_);
  install_button_->TrackShowFocus();
  HWND close_first = Item(ids::kCloseFirst);
  close_first_ = std::make_unique<ImageButton>(close_first, kCloseLightSprite, kBlack, nullptr, &background_);
  USER32(SetWindowLongW)(close_first, GWL_STYLE, USER32(GetWindowLongW)(close_first, GWL_STYLE) & ~WS_TABSTOP);
  close_progress_ =
      std::make_unique<ImageButton>(Item(ids::kCloseProgress), kCloseDarkSprite, kBlack, nullptr, &background_);

  const bool interface_available = !installer_ || installer_->ProbeInterface();
  base::MarkStartup("interface probe answered");
  const Choices ticks = InitialTicks(brand_->make_browser_default(), brand_->send_statistics(), interface_available);
  const bool ticked[3] = {ticks.make_default, ticks.send_statistics, ticks.taskbar_shortcut};
  for (int i = 0; i < 3; ++i) {
    boxes_[i] = std::make_unique<SpriteCheckBox>(Item(ids::kCheckBoxes[i]), layout_.check_box_sprite(), kWhite, 184,
                                                 AsFont(fonts_[kTextFont]), &background_, ticked[i]);
  }
  if (!interface_available) SetShown(boxes_[0]->hwnd(), false);
  privacy_link_ =
      std::make_unique<LinkButton>(Item(ids::kPrivacyLink), kWhite, 184, AsFont(fonts_[kLinkFont]), &background_);
}

void MainWindow::LayOutFirstScreen() {
  Rect slogan = Scale(SloganRect(mask_));
  Place(Item(ids::kSlogan), slogan.left, slogan.top, slogan.width(), slogan.height());

  CheckBoxPlaces places = CheckBoxLayout(mask_);
  const Choices shown = ShownCheckBoxes(ChoiceFlagsNow());
  if (!shown.make_default) places.make_default.reset();
  if (!shown.send_statistics) places.statistics.reset();
  if (!shown.taskbar_shortcut) places.omrix.reset();
  const std::optional<BoxPlace>* place[3] = {&places.make_default, &places.statistics, &places.omrix};
  for (int i = 0; i < 3; ++i) {
    if (!*place[i]) {
      SetShown(boxes_[i]->hwnd(), false);
      continue;
    }
    const BoxPlace& p = **place[i];
    int width = Scale(p.right) - Scale(p.left);
    Place(boxes_[i]->hwnd(), Scale(p.left), Scale(p.top), width, boxes_[i]->HeightForWidth(width));
  }
  if (places.statistics) {
    RECT box;
    USER32(GetWindowRect)(boxes_[1]->hwnd(), &box);
    USER32(MapWindowPoints)(nullptr, hwnd(), reinterpret_cast<POINT*>(&box), 2);
    SIZE extent = privacy_link_->TextExtent();
    Place(privacy_link_->hwnd(), Scale(84), box.bottom, extent.cx, extent.cy);
  } else {
    SetShown(privacy_link_->hwnd(), false);
  }
  Place(install_button_->hwnd(), Scale(557), Scale(305), install_button_->frame_width(),
        install_button_->frame_height());
  Place(close_first_->hwnd(), Scale(698), Scale(18), close_first_->frame_width(), close_first_->frame_height());
}

void MainWindow::OnInstallClicked() {
  if (installing_) return;
  installing_ = true;
  if (installer_) installer_->RecordOkPressed();
  SendUiEvent(&ReportClickedButton, kInstallButtonValue);
  if (statistics_) ReportInstallButtonAction(*statistics_);
  LayoutProgressDialog();
  USER32(InvalidateRect)(hwnd(), nullptr, TRUE);
}

void MainWindow::OnCloseFirstClicked() {
  if (installer_) installer_->Cancel();
  End(kEndFirstScreenClose);
  SendUiEvent(&ReportClickedButton, kCancelButtonValue);
}

void MainWindow::OnCheckBoxClicked(int id) {
  boxes_[id - ids::kMakeDefault]->Toggle();
  SendUiEvent(&ReportChosenCheckBox, *CheckBoxEventValue(id));
}

}  // namespace ui
