// The main window's progress screen: the first slide and the slide show, the bar and its
// percentage, the taskbar progress, the license sentence over the first slide, and the resume
// question of its close button.
#include "ui/main_window_win.h"

#include <objbase.h>
#include <shobjidl.h>

#include "base/lazy_import.h"
#include "base/strings.h"
#include "base/unique_handle.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "distrib/service_urls.h"
#include "install/installer.h"
#include "logging/log.h"
#include "ui/control_ids.h"
#include "ui/controls_win.h"
#include "ui/drawing_win.h"
#include "ui/main_window_parts_win.h"
#include "ui/message_dialog_win.h"
#include "ui/progress_map.h"
#include "ui/scale.h"
#include "ui/sentence_windows_win.h"
#include "ui/slide_show_win.h"
#include "ui/string_table.h"
#include "ui/win32_api_win.h"

namespace ui {

using namespace main_window;

namespace {

// The percentage beside the bar (design units); the bar starts at 392.
constexpr int kPercentageLeft = 312;
constexpr int kPercentageRight = 386;

// CLSID_TaskbarList and IID_ITaskbarList3, spelled out so no GUID library is needed.
constexpr GUID kTaskbarListClass = {0x56FDF344, 0xFD6D, 0x11d0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
constexpr GUID kTaskbarList3Interface = {0xea1afb91, 0x9e28, 0x4b86, {0x90, 0xe9, 0x9e, 0x9f, 0x8a, 0x5e, 0xef, 0xaf}};

}  // namespace

void MainWindow::LayoutProgressDialog() {
  if (installer_) {
    const Choices chosen =
        ResolveChoices(ChoiceFlagsNow(), {boxes_[0]->checked(), boxes_[1]->checked(), boxes_[2]->checked()});
    installer_->SetMakeDefault(chosen.make_default);
    installer_->SetSendStatistics(chosen.send_statistics);
    installer_->SetCreateTaskbarShortcut(chosen.taskbar_shortcut);
  }
  BuildProgressScreen();
  if (pending_finish_code_.load()) {
    OnInstallerResult();
    return;
  }
  if (installer_ && distrib_->UacMode(options_.command_line) == distrib::kUacOnInstall &&
      NeedElevation(options_.command_line)) {
    if (!installer_->StartElevatedInstaller()) LOG(INFO) << "Declined running the installer as admin";
  }
  for (int id : {ids::kInstall, ids::kCloseFirst, ids::kSlogan, ids::kLicenseLink, ids::kMakeDefault,
                 ids::kSendStatistics, ids::kPinTaskbar, ids::kPrivacyLink, ids::kLicenseText})
    DestroyChildren(id);
  if (distrib_->Cancel()) {
    HWND close = close_progress_->hwnd();
    Place(close, Scale(698), Scale(18), close_progress_->frame_width(), close_progress_->frame_height());
    SetShown(close, true);
  } else {
    base::ScopedWindow(Item(ids::kCloseProgress)).reset();
  }
  HWND bar = Item(ids::kProgressBar);
  USER32(ShowWindow)(bar, SW_SHOW);
  progress_bar_->SetRange(0, 100);
  progress_bar_->SetPosition(0);
  progress_value_ = 0;
  logo_.LoadPair(layout_.progress_logo().id_1x, layout_.progress_logo().id_2x);
  USER32(SetTimer)(hwnd(), kProgressTimer, kProgressTimerMs, nullptr);
  StartInstaller();
  if (installer_) installer_->Proceed();
  progress_shown_ = true;
}

void MainWindow::BuildProgressScreen() {
  auto create_instance = LAZY_IMPORT(base::kOle32, CoCreateInstance);
  void* taskbar = nullptr;
  if (create_instance &&
      SUCCEEDED(create_instance(kTaskbarListClass, nullptr, CLSCTX_INPROC_SERVER, kTaskbarList3Interface, &taskbar)) &&
      taskbar) {
    taskbar_.reset(static_cast<ITaskbarList3*>(taskbar));
    taskbar_->HrInit();
    taskbar_->SetProgressState(hwnd(), TBPF_NORMAL);
    taskbar_->SetProgressValue(hwnd(), 0, 100);
  }

  first_slide_ = layout_.ComposeFirstSlide(AsFont(fonts_[kSlideTitleFont]), AsFont(fonts_[kSlideBodyFont]),
                                           LineHeight(AsFont(fonts_[kSloganFont])));
  if (SkipFirstScreen()) {
    license_over_slide_ = true;
    for (const SentenceWindow& piece :
         CreateSentenceWindows(hwnd(), String(strings::kLicenseSentence), Scale(424), Scale(350), Scale(242),
                               AsFont(fonts_[kSlideTextFont]), true, ids::kSlideLicenseText,
                               ids::kSlideLicenseLink)) {
      if (piece.link)
        license_links_.push_back(
            std::make_unique<LinkButton>(piece.window, kBlack, 255, AsFont(fonts_[kSlideLinkFont]), &first_slide_));
    }
  }
  progress_bar_ = std::make_unique<SpriteProgressBar>(Item(ids::kProgressBar), layout_.progress_fill(),
                                                      layout_.progress_track(), &first_slide_);
  Rect bar = Scale(Rect{392, 56, 684, 60});
  Place(progress_bar_->hwnd(), bar.left, bar.top, bar.width(), bar.height());
  // The text ends just before the bar and grows leftwards: "100%" is wider than the 24 units
  // that start at 352.
  Rect percentage = Scale(Rect{kPercentageLeft, 50, kPercentageRight, 66});
  Place(Item(ids::kPercentage), percentage.left, percentage.top, percentage.width(), percentage.height());
  close_progress_.reset();  // detach before the new object takes the control
  close_progress_ = std::make_unique<ImageButton>(Item(ids::kCloseProgress), kCloseDarkSprite, kBlack, nullptr,
                                                 &first_slide_);

  RECT client = {};
  USER32(GetClientRect)(hwnd(), &client);
  slide_source_ = std::make_unique<SlideSource>(first_slide_, Widen(distrib::GetInstallerSlideUrl(*brand_)));
  slide_show_ = std::make_unique<SlideShow>(client.right, client.bottom, slide_source_.get(), layout_.white_brush(),
                                            1, options_.slide_page_ms);
}

void MainWindow::OnInstallProgress(WPARAM stage) {
  int value = InstallStagePercentage(stage);
  LOG(INFO) << "--> Installer > MainWindow::OnInstallProgress: " << value;
  if (value != 0) SetPercentage(value);
}

void MainWindow::OnImportProgress(WPARAM percent) {
  LOG(INFO) << "--> Installer > MainWindow::OnImportProgress: " << static_cast<unsigned>(percent);
  SetPercentage(ImportPercentage(percent));
}

void MainWindow::OnPercentage(int value) {
  if (!progress_shown_ || value == progress_value_) return;
  progress_value_ = value;
  progress_bar_->SetPosition(value);
  HWND text = Item(ids::kPercentage);
  USER32(SetWindowTextW)(text, (base::NumberToWide(value) + L"%").c_str());
  SetShown(text, true);  // hidden while it has no text: nothing to read out
  USER32(InvalidateRect)(text, nullptr, TRUE);
  if (taskbar_) taskbar_->SetProgressValue(hwnd(), static_cast<ULONGLONG>(value), 100);
}

void MainWindow::OnTimer() {
  if (!slide_show_) return;
  // An elevated copy that starts the setup hides the close button from its own process (it has
  // no other way to tell this window): the same "drop cancel".
  if (HWND close = Item(ids::kCloseProgress); close && !(USER32(GetWindowLongW)(close, GWL_STYLE) & WS_VISIBLE))
    OnDropCancel();
  const bool new_page = slide_show_->Tick();
  // The license sentence belongs to the first slide and goes with it. Without any downloaded
  // picture the pages keep showing the first slide, and the sentence must stay: a user who never
  // saw the first screen sees the license terms only here.
  if (license_over_slide_ && new_page && slide_show_->past_first()) {
    const size_t count = slide_source_->count();
    if (count > 1 && slide_show_->index() % count != 0) {
      DestroyChildren(ids::kSlideLicenseLink);
      DestroyChildren(ids::kSlideLicenseText);
      license_over_slide_ = false;
    }
  }
  if (new_page) USER32(InvalidateRect)(hwnd(), nullptr, FALSE);
}

void MainWindow::OnCloseProgressClicked() {
  if (!resume_question_) resume_question_ = std::make_unique<ResumeQuestionDialog>(language());
  if (resume_question_->Run(hwnd()) == ids::kDialogSecondButton) {
    if (installer_) installer_->Cancel();
    End(kEndCancelled);
  } else {
    resume_question_->Detach();
  }
}

}  // namespace ui
