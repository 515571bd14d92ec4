#include "ui/main_window_win.h"

#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>

#include "base/command_line.h"
#include "base/lazy_import.h"
#include "base/os_version.h"
#include "base/strings.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "distrib/service_urls.h"
#include "install/installer.h"
#include "install/progress_relay_win.h"
#include "logging/log.h"
#include "install/elevation.h"
#include "ui/control_ids.h"
#include "ui/controls_win.h"
#include "ui/drawing_win.h"
#include "ui/first_screen_choices.h"
#include "ui/first_screen_layout.h"
#include "ui/message_dialog_win.h"
#include "ui/progress_map.h"
#include "ui/resource_ids.h"
#include "ui/scale.h"
#include "ui/sentence_windows_win.h"
#include "ui/slide_show_win.h"
#include "ui/string_table.h"
#include "ui/win32_api_win.h"
#include "ui/window_shadow_win.h"

namespace ui {
namespace {

// The window's fonts, by the texts that use them.
enum Font {
  kSloganFont,       // the first screen's slogan; its line height spaces the first slide's text
  kButtonFont,       // the Install button
  kTextFont,         // check boxes, the license sentence, the percentage
  kLinkFont,         // the privacy policy and license links
  kSlideTitleFont,   // the first slide's title
  kSlideBodyFont,    // the first slide's text
  kSlideTextFont,    // the license sentence over the first slide
  kSlideLinkFont,    // its link
  kFontCount
};

struct FontSpec {
  int size;  // design units
  const wchar_t* face;
  bool underline;
};

// In the order of Font.
constexpr FontSpec kFontSpecs[kFontCount] = {
    {32, L"Arial", false}, {15, L"SegoeUI", false}, {12, L"Arial", false}, {12, L"Arial", true},
    {28, L"Arial", false}, {15, L"Arial", false},   {11, L"Arial", false}, {11, L"Arial", true}};

// The owner-drawn texts: font, colour and opacity, the picture under them, alignment.
struct OwnerDrawnText {
  int id;
  Font font;
  COLORREF colour;
  BYTE alpha;
  bool over_first_slide;  // else over the first screen's background
  UINT format;
};

constexpr UINT_PTR kProgressTimer = 100;
constexpr UINT kProgressTimerMs = 20;
constexpr DWORD kCloseWaitMs = 60000;
// The delegate's operations arrive from the installation thread as posted messages: only the UI
// thread touches its windows, and the installation never waits for the UI thread.
constexpr UINT WM_DROP_CANCEL = WM_APP + 102;
constexpr UINT WM_INSTALLER_FINISHED = WM_APP + 103;
constexpr UINT WM_INSTALLER_RESULT = WM_APP + 104;

// The percentage beside the bar (design units); the bar starts at 392.
constexpr int kPercentageLeft = 312;
constexpr int kPercentageRight = 386;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// CLSID_TaskbarList and IID_ITaskbarList3, spelled out so no GUID library is needed.
constexpr GUID kTaskbarListClass = {0x56FDF344, 0xFD6D, 0x11d0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
constexpr GUID kTaskbarList3Interface = {0xea1afb91, 0x9e28, 0x4b86, {0x90, 0xe9, 0x9e, 0x9f, 0x8a, 0x5e, 0xef, 0xaf}};

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool NeedElevation(const base::CommandLine& command_line) {
  return install::NeedStartThisProcessAsAdmin(command_line, install::ElevationFacts::Current());
}

}  // namespace

void InstallerStatisticsSink::Send(const StatEventParams& params) { (void)installer_->statistics().Send(params); }

void InstallerStatisticsSink::SendDialogEvent(const StatEventParams& params) {
  (void)installer_->statistics().SendDialogEvent(params);
}

MainWindow::MainWindow(const distrib::BrandInfo* brand, distrib::DistribParams* distrib, bool create_installer,
                       MainWindowOptions options)
    : Dialog(kMainWindowTemplate),
      brand_(brand),
      distrib_(distrib),
      options_(std::move(options)),
      layout_(brand->language_id()) {
  auto register_message = USER32(RegisterWindowMessageW);
  install_progress_message_ = register_message(kInstallProgressMessage);
  import_progress_message_ = register_message(kImportProgressMessage);
  close_window_message_ = register_message(kCloseWindowMessage);
  higher_version_message_ = register_message(kHigherVersionMessage);
  mask_ = CheckBoxMask(distrib_->GetFlag("def").first, distrib_->GetStatFlag().first,
                       distrib_->GetFlag("omrixshortcut").first, brand_->omrix_taskbar_shortcut_prompt());
  if (create_installer) {
    installer_ = std::make_unique<install::Installer>(
        this, brand_, distrib_, /*with_tasks=*/true,
        install::InstallerEnvironment::Default(options_.command_line, ScaleFactor()));
    statistics_ = std::make_unique<InstallerStatisticsSink>(installer_.get());
    installer_->Start();
  }
}

MainWindow::~MainWindow() {
  // The installation thread calls back into this object; it goes first.
  installer_.reset();
  slide_show_.reset();
  slide_source_.reset();
  for (auto& box : boxes_) box.reset();
  if (taskbar_) taskbar_->Release();
  taskbar_ = nullptr;
}

HWND MainWindow::Item(int id) const { return USER32(GetDlgItem)(hwnd(), id); }

uint16_t MainWindow::language() const { return brand_->language_id(); }

std::wstring MainWindow::String(int id) const { return LoadUiString(id, language()); }

bool MainWindow::SkipFirstScreen() const { return distrib_->IsFirstRun(); }

ChoiceFlags MainWindow::ChoiceFlagsNow() const {
  auto given = [](std::pair<bool, bool> flag) { return flag.first ? std::optional<bool>(flag.second) : std::nullopt; };
  ChoiceFlags flags;
  flags.make_default = given(distrib_->GetFlag("def"));
  flags.send_statistics = given(distrib_->GetStatFlag());
  flags.taskbar_shortcut = given(distrib_->GetFlag("omrixshortcut"));
  flags.brand_taskbar_prompt = brand_->omrix_taskbar_shortcut_prompt();
  flags.uac_at_browser_start = distrib_->UacMode(options_.command_line) == distrib::kUacAtBrowserStart;
  return flags;
}

void MainWindow::Place(HWND child, int left, int top, int width, int height) {
  USER32(MoveWindow)(child, left, top, width, height, FALSE);
}

void MainWindow::AllowRegisteredMessages() {
  const UINT messages[] = {install_progress_message_, import_progress_message_, close_window_message_,
                           higher_version_message_};
  int version = base::GetWindowsVersion();
  if (version >= base::kVersionWin7) {
    auto allow = LAZY_IMPORT(base::kUser32, ChangeWindowMessageFilterEx);
    if (allow) {
      for (UINT message : messages) (void)allow(hwnd(), message, MSGFLT_ALLOW, nullptr);
    }
  } else if (version == base::kVersionVista) {
    auto allow = LAZY_IMPORT(base::kUser32, ChangeWindowMessageFilter);
    if (allow) {
      for (UINT message : messages) (void)allow(message, MSGFLT_ADD);
    }
  }
}

bool MainWindow::OnInitDialog() {
  window_ = hwnd();
  AllowRegisteredMessages();
  if (installer_ && distrib_->UacMode(options_.command_line) == distrib::kUacWithWindow &&
      NeedElevation(options_.command_line)) {
    if (!installer_->StartElevatedInstaller()) LOG(INFO) << "Declined running the installer as admin";
  }

  background_.Load(layout_.first_screen_background());
  logo_.LoadPair(layout_.first_screen_logo().id_1x, layout_.first_screen_logo().id_2x);

  USER32(SetWindowTextW)(hwnd(), String(strings::kWindowTitle).c_str());
  const std::pair<int, int> texts[] = {{ids::kInstall, strings::kInstall},
                                       {ids::kMakeDefault, strings::kMakeDefault},
                                       {ids::kSendStatistics, strings::kSendStatistics},
                                       {ids::kPinTaskbar, strings::kPinOmrix},
                                       {ids::kPrivacyLink, strings::kPrivacyPolicy},
                                       {ids::kSlogan, strings::kSlogan}};
  for (auto [id, string_id] : texts) USER32(SetDlgItemTextW)(hwnd(), id, String(string_id).c_str());

  HINSTANCE module = ::GetModuleHandleW(nullptr);
  auto load_icon = [&](int metric_x, int metric_y) {
    return static_cast<HICON>(USER32(LoadImageW)(module, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON,
                                                 USER32(GetSystemMetrics)(metric_x),
                                                 USER32(GetSystemMetrics)(metric_y), LR_SHARED));
  };
  USER32(SendMessageW)(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(load_icon(SM_CXICON, SM_CYICON)));
  USER32(SendMessageW)(hwnd(), WM_SETICON, ICON_SMALL,
                       reinterpret_cast<LPARAM>(load_icon(SM_CXSMICON, SM_CYSMICON)));

  CreateFonts();

  int width = background_.empty() ? Scale(728) : background_.width();
  int height = background_.empty() ? Scale(400) : background_.height();
  USER32(SetWindowPos)(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Centre(hwnd());
  shadow_ = CreateWindowShadow(hwnd());

  for (const SentenceWindow& piece :
       CreateSentenceWindows(hwnd(), String(strings::kLicenseSentence), Scale(400), Scale(38), Scale(267),
                             AsFont(fonts_[kTextFont]), false, ids::kLicenseText, ids::kLicenseLink)) {
    if (piece.link)
      license_links_.push_back(
          std::make_unique<LinkButton>(piece.window, kWhite, 184, AsFont(fonts_[kLinkFont]), &background_));
  }
  CreateControlObjects();

  if (SkipFirstScreen()) {
    // Opening on the progress screen is the user's Install: a failure shows its message and the
    // setup's end closes the window, as after a click.
    installing_ = true;
    LayoutProgressDialog();
  } else {
    LayOutFirstScreen();
  }
  return true;
}

void MainWindow::CreateFonts() {
  for (int i = 0; i < kFontCount; ++i)
    fonts_[i] = CreateUiFont(kFontSpecs[i].face, kFontSpecs[i].size, kFontSpecs[i].underline);
}

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
  const Choices ticks = InitialTicks(brand_->make_browser_default(), brand_->send_statistics(), interface_available);
  const bool ticked[3] = {ticks.make_default, ticks.send_statistics, ticks.taskbar_shortcut};
  for (int i = 0; i < 3; ++i) {
    boxes_[i] = std::make_unique<SpriteCheckBox>(Item(ids::kCheckBoxes[i]), layout_.check_box_sprite(), kWhite, 184,
                                                 AsFont(fonts_[kTextFont]), &background_, ticked[i]);
  }
  if (!interface_available) USER32(ShowWindow)(boxes_[0]->hwnd(), SW_HIDE);
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
      Place(boxes_[i]->hwnd(), 0, 0, 0, 0);
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
    USER32(ShowWindow)(privacy_link_->hwnd(), SW_HIDE);
  }
  Place(install_button_->hwnd(), Scale(557), Scale(305), install_button_->frame_width(),
        install_button_->frame_height());
  Place(close_first_->hwnd(), Scale(698), Scale(18), close_first_->frame_width(), close_first_->frame_height());
}

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
    Place(close_progress_->hwnd(), Scale(698), Scale(18), close_progress_->frame_width(),
          close_progress_->frame_height());
  } else {
    USER32(DestroyWindow)(Item(ids::kCloseProgress));
  }
  HWND bar = Item(ids::kProgressBar);
  USER32(ShowWindow)(bar, SW_SHOW);
  progress_bar_->SetRange(0, 100);
  progress_bar_->SetPosition(0);
  progress_value_ = 0;
  logo_.LoadPair(layout_.progress_logo().id_1x, layout_.progress_logo().id_2x);
  USER32(SetTimer)(hwnd(), kProgressTimer, kProgressTimerMs, nullptr);
  if (installer_) installer_->Proceed();
  progress_shown_ = true;
}

void MainWindow::BuildProgressScreen() {
  auto create_instance = LAZY_IMPORT(base::kOle32, CoCreateInstance);
  void* taskbar = nullptr;
  if (create_instance &&
      SUCCEEDED(create_instance(kTaskbarListClass, nullptr, CLSCTX_INPROC_SERVER, kTaskbarList3Interface, &taskbar)) &&
      taskbar) {
    taskbar_ = static_cast<ITaskbarList3*>(taskbar);
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

void MainWindow::DestroyChildren(int id) {
  while (HWND child = Item(id)) {
    if (!USER32(DestroyWindow)(child)) break;
  }
}

void MainWindow::HideWithShadow() {
  USER32(ShowWindow)(hwnd(), SW_HIDE);
  if (shadow_ && USER32(IsWindow)(shadow_)) USER32(ShowWindow)(shadow_, SW_HIDE);
}

void MainWindow::SendUiEvent(void (*report)(UiStatisticsSink&, const std::wstring&), const std::wstring& value) {
  if (statistics_) report(*statistics_, value);
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case ids::kInstall:
      if (installing_) return;
      installing_ = true;
      if (installer_) installer_->RecordOkPressed();
      SendUiEvent(&ReportClickedButton, kInstallButtonValue);
      if (statistics_) ReportInstallButtonAction(*statistics_);
      LayoutProgressDialog();
      USER32(InvalidateRect)(hwnd(), nullptr, TRUE);
      return;
    case ids::kCloseFirst:
      if (installer_) installer_->Cancel();
      End(kEndFirstScreenClose);
      SendUiEvent(&ReportClickedButton, kCancelButtonValue);
      return;
    case IDCANCEL:
      SendUiEvent(&ReportClickedButton, kCancelButtonValue);
      return;
    case ids::kCloseProgress: {
      if (!resume_question_) resume_question_ = std::make_unique<ResumeQuestionDialog>(language());
      if (resume_question_->Run(hwnd()) == ids::kDialogSecondButton) {
        if (installer_) installer_->Cancel();
        End(kEndCancelled);
      } else {
        resume_question_->Detach();
      }
      return;
    }
    case ids::kMakeDefault:
    case ids::kSendStatistics:
    case ids::kPinTaskbar:
      boxes_[id - ids::kMakeDefault]->Toggle();
      SendUiEvent(&ReportChosenCheckBox, *CheckBoxEventValue(id));
      return;
    case ids::kPrivacyLink:
    case ids::kLicenseLink:
    case ids::kSlideLicenseLink:
      OpenLink(id);
      return;
    default:
      return;
  }
}

void MainWindow::OpenLink(int id) {
  std::string url = id == ids::kPrivacyLink ? brand_->conf_policy_url() + "?lang=" + brand_->interface_language()
                                             : distrib::LicenseUrl(*brand_);
  std::wstring wide = Widen(url);
  SHELL32(ShellExecuteW)(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOW);
  SendUiEvent(&ReportClickedLink, wide);
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

void MainWindow::OnCloseWindow() {
  // A setup that sent this message waits for the answer, and the installation thread waits for
  // the setup: answer before waiting for that thread.
  USER32(ReplyMessage)(0);
  HideWithShadow();
  LOG(INFO) << "--> Installer > MainWindow::OnCloseWindow";
  if (installer_ && !installer_->WaitForInstallAsync())
    PLOG(ERROR) << "--> Installer > MainWindow::OnCloseWindow: WaitForInstallAsync timeout";
  if (resume_question_ && resume_question_->is_open()) USER32(EndDialog)(resume_question_->hwnd(), 1);
  End(kEndFinished);
  USER32(KillTimer)(hwnd(), kProgressTimer);
}

void MainWindow::OnHigherVersion() {
  USER32(ReplyMessage)(0);  // the setup goes on while the notice is up
  HideWithShadow();
  MakeNewerVersionNotice(language())->Run(USER32(GetActiveWindow)());
  End(kEndFinished);
}

void MainWindow::OnPercentage(int value) {
  if (!progress_shown_ || value == progress_value_) return;
  progress_value_ = value;
  progress_bar_->SetPosition(value);
  HWND text = Item(ids::kPercentage);
  USER32(SetWindowTextW)(text, (std::to_wstring(value) + L"%").c_str());
  USER32(InvalidateRect)(text, nullptr, TRUE);
  if (taskbar_) taskbar_->SetProgressValue(hwnd(), static_cast<ULONGLONG>(value), 100);
}

void MainWindow::OnTimer() {
  if (!slide_show_) return;
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

void MainWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = USER32(BeginPaint)(hwnd(), &paint);
  if (!dc) return;
  RECT client = {};
  USER32(GetClientRect)(hwnd(), &client);
  Rect logo = Scale(Rect{61, 41, 227, 69});
  auto draw_logo = [&](HDC target) {
    logo_.Draw(target, logo.left, logo.top, logo.width(), logo.height(), 0, 0, logo_.width(), logo_.height());
  };
  if (slide_show_) {
    PaintDoubleBuffered(dc, client, [&](HDC memory) {
      slide_show_->Paint(memory, client);
      draw_logo(memory);
    });
  } else {
    background_.Draw(dc, 0, 0);
    draw_logo(dc);
  }
  USER32(EndPaint)(hwnd(), &paint);
}

void MainWindow::DrawItem(const DRAWITEMSTRUCT& item) {
  static constexpr OwnerDrawnText kTexts[] = {
      {ids::kSlogan, kSloganFont, kWhite, 255, false, DT_CENTER},
      {ids::kLicenseText, kTextFont, kWhite, 184, false, DT_LEFT},
      {ids::kPercentage, kTextFont, kBlack, 255, true, DT_RIGHT | DT_SINGLELINE},
      {ids::kSlideLicenseText, kSlideTextFont, kBlack, 255, true, DT_LEFT},
  };
  for (const OwnerDrawnText& text : kTexts) {
    if (static_cast<int>(item.CtlID) != text.id) continue;
    DrawControlTextOverBackground(item.hDC, item.rcItem, item.hwndItem, AsFont(fonts_[text.font]), text.colour,
                                  text.alpha, text.over_first_slide ? &first_slide_ : &background_, text.format);
    return;
  }
}

bool MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  *result = 0;
  if (message == install_progress_message_ && message) {
    OnInstallProgress(wparam);
    return true;
  }
  if (message == import_progress_message_ && message) {
    OnImportProgress(wparam);
    return true;
  }
  if (message == close_window_message_ && message) {
    OnCloseWindow();
    return true;
  }
  if (message == higher_version_message_ && message) {
    OnHigherVersion();
    return true;
  }
  switch (message) {
    case install::WM_INSTALLER_PROGRESS:
      OnPercentage(static_cast<int>(wparam));
      return true;
    case WM_DROP_CANCEL:
      USER32(DestroyWindow)(Item(ids::kCloseProgress));
      return true;
    case WM_INSTALLER_FINISHED:
      OnInstallerFinished();
      return true;
    case WM_INSTALLER_RESULT:
      OnInstallerResult();
      return true;
    case WM_DESTROY:
      window_ = nullptr;
      return false;
    case WM_NCACTIVATE:
      if (wparam && install_button_) install_button_->ResetShowFocus();
      return false;
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) OnCommand(LOWORD(wparam));
      return true;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) End(kEndSystemClose);
      return true;
    case WM_TIMER:
      OnTimer();
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_PAINT:
      Paint();
      return true;
    case WM_CTLCOLORDLG:
      *result = reinterpret_cast<LRESULT>(GDI32(GetStockObject)(NULL_BRUSH));
      return true;
    case WM_DRAWITEM:
      if (lparam) DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      *result = TRUE;
      return true;
    default:
      return false;
  }
}

void MainWindow::OnDownloadProgress(float fraction) { SetPercentage(DownloadPercentage(fraction)); }

void MainWindow::OnFinished(int) {
  if (HWND window = window_.load()) USER32(PostMessageW)(window, WM_INSTALLER_FINISHED, 0, 0);
}

void MainWindow::OnResult(int failure_code) {
  // Kept even without a window: the progress screen shows it when it opens.
  pending_finish_code_ = failure_code;
  if (HWND window = window_.load()) USER32(PostMessageW)(window, WM_INSTALLER_RESULT, 0, 0);
}

void MainWindow::OnInstallerFinished() {
  if (!installing_) return;
  if (resume_question_ && resume_question_->is_open()) USER32(EndDialog)(resume_question_->hwnd(), 1);
  End(kEndFinished);
}

void MainWindow::OnInstallerResult() {
  // Both the posted result and the switch to the progress screen lead here; one message only.
  if (!installing_ || failure_shown_) return;
  failure_shown_ = true;
  if (resume_question_ && resume_question_->is_open()) USER32(EndDialog)(resume_question_->hwnd(), 1);
  const int failure_code = pending_finish_code_.load();
  HideWithShadow();
  if (failure_code == install::kFailureCryptoPro) {
    MakeRevocationProviderNotice(language())->Run(hwnd());
  } else if (failure_code != 0) {
    InstallErrorDialog(language(), distrib::DownloadPageUrl(*brand_, *distrib_)).Run(hwnd());
  }
  End(kEndFinished);
}

void MainWindow::SetPercentage(int percentage) {
  if (HWND window = window_.load()) USER32(PostMessageW)(window, install::WM_INSTALLER_PROGRESS, percentage, 0);
}

void MainWindow::DropCancel() {
  if (HWND window = window_.load()) USER32(PostMessageW)(window, WM_DROP_CANCEL, 0, 0);
}

}  // namespace ui
