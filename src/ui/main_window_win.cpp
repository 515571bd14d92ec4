#include "ui/main_window_win.h"

#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>

#include "base/command_line.h"
#include "base/lazy_import.h"
#include "base/os_version.h"
#include "base/startup_timeline.h"
#include "base/strings.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "distrib/service_urls.h"
#include "install/installer.h"
#include "install/progress_relay_win.h"
#include "logging/log.h"
#include "ui/control_ids.h"
#include "ui/controls_win.h"
#include "ui/drawing_win.h"
#include "ui/first_screen_choices.h"
#include "ui/first_screen_layout.h"
#include "ui/main_window_parts_win.h"
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

using namespace main_window;

namespace {

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

// The delegate's operations arrive from the installation thread as posted messages: only the UI
// thread touches its windows, and the installation never waits for the UI thread.
constexpr UINT WM_DROP_CANCEL = WM_APP + 102;
constexpr UINT WM_INSTALLER_FINISHED = WM_APP + 103;
constexpr UINT WM_INSTALLER_RESULT = WM_APP + 104;

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
  base::MarkStartup("window object made");
  auto register_message = USER32(RegisterWindowMessageW);
  install_progress_message_ = register_message(kInstallProgressMessage);
  import_progress_message_ = register_message(kImportProgressMessage);
  close_window_message_ = register_message(kCloseWindowMessage);
  higher_version_message_ = register_message(kHigherVersionMessage);
  mask_ = CheckBoxMask(distrib_->GetFlag("def").has_value(), distrib_->GetStatFlag().has_value(),
                       distrib_->GetFlag("omrixshortcut").has_value(), brand_->omrix_taskbar_shortcut_prompt());
  if (create_installer) {
    installer_ = std::make_unique<install::Installer>(
        this, brand_, distrib_, /*with_tasks=*/true,
        install::InstallerEnvironment::Default(options_.command_line, ScaleFactor()));
    statistics_ = std::make_unique<InstallerStatisticsSink>(installer_.get());
  }
}

MainWindow::~MainWindow() {
  // The installation thread calls back into this object; it goes first.
  installer_.reset();
  slide_show_.reset();
  slide_source_.reset();
  for (auto& box : boxes_) box.reset();
  taskbar_.reset();
}

HWND MainWindow::Item(int id) const { return USER32(GetDlgItem)(hwnd(), id); }

uint16_t MainWindow::language() const { return brand_->language_id(); }

std::wstring MainWindow::String(int id) const { return LoadUiString(id, language()); }

bool MainWindow::SkipFirstScreen() const { return distrib_->IsFirstRun(); }

ChoiceFlags MainWindow::ChoiceFlagsNow() const {
  ChoiceFlags flags;
  flags.make_default = distrib_->GetFlag("def");
  flags.send_statistics = distrib_->GetStatFlag();
  flags.taskbar_shortcut = distrib_->GetFlag("omrixshortcut");
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
  base::MarkStartup("dialog created");
  window_ = hwnd();
  AllowRegisteredMessages();
  if (installer_ && distrib_->UacMode(options_.command_line) == distrib::kUacWithWindow &&
      NeedElevation(options_.command_line)) {
    if (!installer_->StartElevatedInstaller()) LOG(INFO) << "Declined running the installer as admin";
  }

  background_.Load(layout_.first_screen_background());
  logo_.LoadPair(layout_.first_screen_logo().id_1x, layout_.first_screen_logo().id_2x);
  base::MarkStartup("background and logo decoded");

  USER32(SetWindowTextW)(hwnd(), String(strings::kWindowTitle).c_str());
  const std::pair<int, int> texts[] = {{ids::kInstall, strings::kInstall},
                                       {ids::kMakeDefault, strings::kMakeDefault},
                                       {ids::kSendStatistics, strings::kSendStatistics},
                                       {ids::kPinTaskbar, strings::kPinOmrix},
                                       {ids::kPrivacyLink, strings::kPrivacyPolicy},
                                       {ids::kSlogan, strings::kSlogan},
                                       // Names for screen readers of what shows no text.
                                       {ids::kCloseFirst, strings::kClose},
                                       {ids::kCloseProgress, strings::kClose},
                                       {ids::kProgressBar, strings::kInstalling}};
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
  base::MarkStartup("icons and fonts made");

  int width = background_.empty() ? Scale(728) : background_.width();
  int height = background_.empty() ? Scale(400) : background_.height();
  USER32(SetWindowPos)(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Centre(hwnd());

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
  base::MarkStartup("first screen laid out");
  // The shadow and the installation thread wait for the first screen to be painted: neither is
  // needed to see it, and both would compete with it for the processor and the DLL loader.
  USER32(SetTimer)(hwnd(), kAfterFirstPaintTimer, kAfterFirstPaintFallbackMs, nullptr);
  return true;
}

void MainWindow::AfterFirstPaint() {
  USER32(KillTimer)(hwnd(), kAfterFirstPaintTimer);
  base::MarkStartup("first idle");
  // A window already hidden again (a message in its place) gets no shadow.
  if (!shadow_ && USER32(IsWindowVisible)(hwnd())) shadow_ = CreateWindowShadow(hwnd());
  StartInstaller();
}

void MainWindow::StartInstaller() {
  if (!installer_ || installer_started_) return;
  installer_->Start();
  installer_started_ = true;
}

void MainWindow::CreateFonts() {
  for (int i = 0; i < kFontCount; ++i)
    fonts_[i] = CreateUiFont(kFontSpecs[i].face, kFontSpecs[i].size, kFontSpecs[i].underline);
}

void MainWindow::DestroyChildren(int id) {
  while (HWND child = Item(id)) {
    if (!base::ScopedWindow(child).close()) break;
  }
}

void MainWindow::EndResumeQuestion() {
  if (resume_question_ && resume_question_->is_open()) USER32(EndDialog)(resume_question_->hwnd(), 1);
}

void MainWindow::OnDropCancel() {
  setup_started_ = true;
  EndResumeQuestion();
  base::ScopedWindow(Item(ids::kCloseProgress)).reset();
}

void MainWindow::EndAfterInstallation(const char* location) {
  if (installer_ && !installer_->WaitForInstallAsync())
    PLOG(ERROR) << location << ": WaitForInstallAsync timeout";
  EndResumeQuestion();
  End(kEndFinished);
  USER32(KillTimer)(hwnd(), kProgressTimer);
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
      OnInstallClicked();
      return;
    case ids::kCloseFirst:
      OnCloseFirstClicked();
      return;
    case IDCANCEL:
      SendUiEvent(&ReportClickedButton, kCancelButtonValue);
      return;
    case ids::kCloseProgress:
      OnCloseProgressClicked();
      return;
    case ids::kMakeDefault:
    case ids::kSendStatistics:
    case ids::kPinTaskbar:
      OnCheckBoxClicked(id);
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
  if (options_.link_opener) {
    options_.link_opener->Open(wide);
  } else {
    SHELL32(ShellExecuteW)(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOW);
  }
  SendUiEvent(&ReportClickedLink, wide);
}

void MainWindow::OnCloseWindow() {
  // A setup that sent this message waits for the answer, and the installation thread waits for
  // the setup: answer before waiting for that thread.
  USER32(ReplyMessage)(0);
  // The wait below delivers sent messages: a second close request arriving then is this one.
  if (closing_) return;
  closing_ = true;
  HideWithShadow();
  LOG(INFO) << "--> Installer > MainWindow::OnCloseWindow";
  EndAfterInstallation("--> Installer > MainWindow::OnCloseWindow");
}

void MainWindow::OnHigherVersion() {
  USER32(ReplyMessage)(0);  // the setup goes on while the notice is up
  EndResumeQuestion();  // the setup goes on: the question's Cancel would exit as cancelled
  HideWithShadow();
  MakeNewerVersionNotice(language())->Run(USER32(GetActiveWindow)());
  End(kEndFinished);
}

void MainWindow::Paint() {
  base::PaintScope paint(hwnd());
  HDC dc = paint.dc();
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
      OnDropCancel();
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
      if ((wparam & 0xFFF0) != SC_CLOSE) return true;
      if (setup_started_) {
        // Nothing cancels a running setup: the window goes, the installation ends as it ends.
        HideWithShadow();
        EndAfterInstallation("OnSysCommand");
      } else {
        End(kEndSystemClose);
      }
      return true;
    case WM_TIMER:
      if (wparam == kAfterFirstPaintTimer) {
        AfterFirstPaint();
      } else {
        OnTimer();
      }
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_PAINT:
      Paint();
      if (!painted_) {
        base::MarkStartup("first paint");
        USER32(SetTimer)(hwnd(), kAfterFirstPaintTimer, 0, nullptr);
      }
      painted_ = true;
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
  EndResumeQuestion();
  End(kEndFinished);
}

void MainWindow::OnInstallerResult() {
  // Both the posted result and the switch to the progress screen lead here; one message only.
  if (!installing_ || failure_shown_) return;
  failure_shown_ = true;
  EndResumeQuestion();
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
