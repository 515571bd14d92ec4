// The main window in this process: fed through its delegate as the installation thread feeds it,
// a failure reported around the Install click shows exactly one message; the Install button's
// focus rectangle under keyboard use; the keyboard on both screens and over the resume question
// (keys pressed through SendInput); what Active Accessibility tells a screen reader.
#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "base/strings.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "gui_util.h"
#include "install/installer.h"
#include "ui/control_ids.h"
#include "ui/main_window_win.h"
#include "ui/resource_ids.h"
#include "ui/string_table.h"
#include "window_test_util.h"

namespace ui {
namespace {

using ui_test::Ids;
using ui_test::Press;
using ui_test::PressKeys;
using ui_test::PumpUntil;
using ui_test::TabTo;
using ui_test::WalkFocus;

constexpr wchar_t kErrorTitle[] = L"An error occurred during installation";

// Answers every error message of this thread with Cancel and counts them; a thread timer fires in
// whichever modal loop runs, the message's own included.
int g_messages = 0;

BOOL CALLBACK CancelErrorMessage(HWND window, LPARAM) {
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (!IsWindowVisible(window) || std::wstring(class_name) != L"#32770") return TRUE;
  if (window_test::ControlText(GetDlgItem(window, ui::ids::kDialogTitle)) != kErrorTitle) return TRUE;
  ++g_messages;
  SendMessageW(GetDlgItem(window, ui::ids::kDialogSecondButton), BM_CLICK, 0, 0);
  return TRUE;
}

void CALLBACK OnMessageTimer(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), CancelErrorMessage, 0);
}

class FailureAroundInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dist_.ok());
    brand_.set_interface_language("en");
    brand_.ApplyDefaultsFor("en");
    g_messages = 0;
    timer_ = SetTimer(nullptr, 0, 50, OnMessageTimer);
  }
  void TearDown() override { KillTimer(nullptr, timer_); }

  window_test::Distribution dist_;
  distrib::BrandInfo brand_{dist_.temp() + L"\\"};
  distrib::DistribParams params_{""};
  UINT_PTR timer_ = 0;
};

void ClickInstall(HWND dialog) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(ui::ids::kInstall, BN_CLICKED), 0); }

TEST_F(FailureAroundInstallTest, ReportedBeforeTheClick) {
  MainWindow window(&brand_, &params_, /*create_installer=*/false);
  ui_test::WhenDialogShown([&](HWND dialog) {
    // From another thread, as the installation reports; the first screen stays.
    std::thread([&] { window.OnResult(install::kFailureDownload); }).join();
    // The report was posted before the thread ended: handle what is queued.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(g_messages, 0);
    EXPECT_TRUE(IsWindowVisible(dialog));
    ClickInstall(dialog);
  });
  EXPECT_EQ(window.RunModal(), kEndFinished);
  EXPECT_EQ(g_messages, 1);
}

TEST_F(FailureAroundInstallTest, ReportedAsTheClickIsHandled) {
  MainWindow window(&brand_, &params_, /*create_installer=*/false);
  ui_test::WhenDialogShown([&](HWND dialog) {
    // The report is stored and its message posted, and the click comes before the post is read:
    // the switch of screens and the posted report both see the failure.
    std::thread([&] { window.OnResult(install::kFailureGeneral); }).join();
    ClickInstall(dialog);
  });
  EXPECT_EQ(window.RunModal(), kEndFinished);
  EXPECT_EQ(g_messages, 1);
}

TEST_F(FailureAroundInstallTest, ReportedAfterTheClick) {
  MainWindow window(&brand_, &params_, /*create_installer=*/false);
  ui_test::WhenDialogShown([&](HWND dialog) {
    ClickInstall(dialog);
    std::thread([&] { window.OnResult(install::kFailureGeneral); }).join();
  });
  EXPECT_EQ(window.RunModal(), kEndFinished);
  EXPECT_EQ(g_messages, 1);
}

// Dots of a focus rectangle on the Install button: dark pixels on the row 2 pixels inside its
// top edge, which is otherwise the button's yellow.
int FocusDots(HWND dialog) {
  HWND button = GetDlgItem(dialog, ui::ids::kInstall);
  ui_test::Pixels shot = ui_test::CaptureWindow(button);
  int dots = 0;
  for (int x = 4; x < shot.width - 4; ++x)
    if (shot.R(x, 2) < 160) ++dots;
  return dots;
}

// The Install button starts with the focus but without a focus rectangle; it shows one once the
// user has moved the focus by keyboard, and the next activation of the window hides it again.
class InstallFocusTest : public FailureAroundInstallTest {};

TEST_F(InstallFocusTest, ShownOnlyAfterKeyboardUse) {
  MainWindow window(&brand_, &params_, /*create_installer=*/false);
  int at_start = -1, after_keys = -1, after_activation = -1;
  ui_test::WhenDialogShown([&](HWND dialog) {
    HWND install = GetDlgItem(dialog, ui::ids::kInstall);
    SetForegroundWindow(dialog);
    SetFocus(install);
    at_start = FocusDots(dialog);
    PressKeys({VK_TAB});
    EXPECT_TRUE(PumpUntil(dialog, [&] { return GetFocus() != install; })) << "Tab did not move the focus";
    PressKeys({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(PumpUntil(dialog, [&] { return GetFocus() == install; })) << "Shift+Tab did not come back";
    after_keys = FocusDots(dialog);
    SendMessageW(dialog, WM_NCACTIVATE, TRUE, 0);
    after_activation = FocusDots(dialog);
    ui_test::SaveScreenshot(ui_test::CaptureWindow(dialog), L"window_install_focus");
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(window.RunModal(), kEndSystemClose);
  EXPECT_LT(at_start, 3) << "a focus rectangle before any keyboard use";
  EXPECT_GT(after_keys, 10) << "no focus rectangle after Tab and Shift+Tab";
  EXPECT_LT(after_activation, 3) << "the focus rectangle stayed after the window was activated";
}

// The window's icons come from the icon group, whose larger images are PNG: both sizes load, each
// at the size the system asks for.
TEST_F(FailureAroundInstallTest, IconsLoadAtTheSystemSizes) {
  MainWindow window(&brand_, &params_, /*create_installer=*/false);
  SIZE big = {}, small = {};
  auto size_of = [](HICON icon) {
    ICONINFO info = {};
    BITMAP bitmap = {};
    if (!icon || !GetIconInfo(icon, &info)) return SIZE{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return SIZE{bitmap.bmWidth, bitmap.bmHeight};
  };
  ui_test::WhenDialogShown([&](HWND dialog) {
    big = size_of(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)));
    small = size_of(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0)));
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(window.RunModal(), kEndSystemClose);
  EXPECT_EQ(big.cx, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(big.cy, GetSystemMetrics(SM_CYICON));
  EXPECT_EQ(small.cx, GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(small.cy, GetSystemMetrics(SM_CYSMICON));
}

// The keyboard ------------------------------------------------------------------------------

// The main window run in this process; the links it opens are recorded instead of starting a
// browser.
class WindowKeysTest : public ::testing::Test, public LinkOpener {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dist_.ok());
    brand_.set_interface_language("en");
    brand_.ApplyDefaultsFor("en");
    options_.link_opener = this;
  }
  void Open(const std::wstring& url) override { opened_.push_back(url); }

  window_test::Distribution dist_;
  distrib::BrandInfo brand_{dist_.temp() + L"\\"};
  MainWindowOptions options_;
  std::vector<std::wstring> opened_;
};

int Id(HWND control) { return control ? GetDlgCtrlID(control) : 0; }

// A control the user can see and use: shown, enabled and not empty.
bool OnScreen(HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  return IsWindowVisible(control) && IsWindowEnabled(control) && !IsRectEmpty(&rect);
}

// UAC mode 2 takes the make-default box away (and this brand does not ask about the taskbar):
// the keyboard must not reach either box, nor the progress screen's close button waiting
// (hidden) for its screen. Tab visits Install, the statistics box and the two links; the arrows go round every control on the screen and nothing else; Space ticks a
// box, Enter on a link opens the link (and does not install), Escape leaves the window open, and
// Enter on Install switches to the progress screen.
TEST_F(WindowKeysTest, FirstScreen) {
  distrib::DistribParams params("uac=2");
  MainWindow window(&brand_, &params, /*create_installer=*/false, options_);
  bool walked = false;
  ui_test::WhenDialogShown([&](HWND dialog) {
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    HWND install = GetDlgItem(dialog, ui::ids::kInstall);
    EXPECT_EQ(GetFocus(), install) << "Install does not start with the focus";
    SetFocus(install);

    std::vector<HWND> tabs = WalkFocus(dialog, {VK_TAB});
    EXPECT_EQ(Ids(tabs), "110 118 123 1 ");
    std::vector<HWND> back = WalkFocus(dialog, {VK_SHIFT, VK_TAB});
    EXPECT_EQ(Ids(back), "123 118 110 1 ");
    std::vector<HWND> arrows = WalkFocus(dialog, {VK_DOWN});
    EXPECT_FALSE(arrows.empty());
    EXPECT_EQ(arrows.empty() ? nullptr : arrows.back(), install) << Ids(arrows);
    for (HWND control : arrows) EXPECT_TRUE(OnScreen(control)) << "the arrows reach control " << Id(control);
    std::vector<HWND> up = WalkFocus(dialog, {VK_UP});
    for (HWND control : up) EXPECT_TRUE(OnScreen(control)) << "the arrows reach control " << Id(control);

    // Space ticks the statistics box (and Space again clears it).
    ASSERT_TRUE(TabTo(dialog, ui::ids::kSendStatistics));
    HWND box = GetFocus();
    const LRESULT ticked = SendMessageW(box, BM_GETCHECK, 0, 0);
    Press(dialog, {VK_SPACE});
    EXPECT_NE(SendMessageW(box, BM_GETCHECK, 0, 0), ticked) << "Space did not toggle the box";
    Press(dialog, {VK_SPACE});
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), ticked);

    // Enter on a focused link opens it; the installation does not start.
    ASSERT_TRUE(TabTo(dialog, ui::ids::kLicenseLink));
    Press(dialog, {VK_RETURN});
    ASSERT_FALSE(window.progress_shown()) << "Enter on the license link started the installation";
    ASSERT_TRUE(TabTo(dialog, ui::ids::kPrivacyLink));
    Press(dialog, {VK_SPACE});
    EXPECT_FALSE(window.progress_shown()) << "a key on a link started the installation";
    EXPECT_EQ(opened_.size(), 2u);

    Press(dialog, {VK_ESCAPE});
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Escape closed the window";
    EXPECT_FALSE(window.progress_shown());

    ASSERT_TRUE(TabTo(dialog, ui::ids::kInstall));
    Press(dialog, {VK_RETURN});
    EXPECT_TRUE(window.progress_shown()) << "Enter on Install did not switch screens";
    walked = true;
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  window.RunModal();
  EXPECT_TRUE(walked);
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_NE(opened_[0].find(L"?lang=en"), std::wstring::npos) << opened_[0];
  EXPECT_NE(opened_[0], opened_[1]);  // the license, then the privacy policy
}

// The progress screen with its close button: Tab reaches it, Enter asks the resume question,
// whose keys are Tab between its buttons, and Escape and Alt+F4 leave it open. The setup's start
// ("drop cancel", from the installation's thread) answers an open question with Resume; closing
// the window after that (Alt+F4) ends it as finished, so the installation's result counts.
TEST_F(WindowKeysTest, ProgressScreenAndTheResumeQuestion) {
  distrib::DistribParams params("uac=2&cancel=1");
  MainWindow window(&brand_, &params, /*create_installer=*/false, options_);
  bool question_seen = false, question_answered = false;
  ui_test::WhenDialogShown([&](HWND dialog) {
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    Press(dialog, {VK_RETURN});
    ASSERT_TRUE(window.progress_shown());
    ASSERT_TRUE(TabTo(dialog, ui::ids::kCloseProgress)) << "Tab does not reach the close button";

    ui_test::WhenDialogShownOver(dialog, [&](HWND question) {
      question_seen = true;
      ASSERT_TRUE(ui_test::BringToForeground(question));
      EXPECT_EQ(Id(GetFocus()), ui::ids::kDialogMainButton);
      EXPECT_EQ(Ids(WalkFocus(question, {VK_TAB})), "113 1 ");
      Press(question, {VK_ESCAPE});
      Press(question, {VK_MENU, VK_F4});
      EXPECT_TRUE(IsWindowVisible(question)) << "Escape or Alt+F4 answered the question";
      std::thread([&] { window.DropCancel(); }).join();
      question_answered = PumpUntil(question, [&] { return !IsWindowVisible(question); });
      EXPECT_TRUE(question_answered) << "the question stayed open after the setup started";
      if (!question_answered) EndDialog(question, 1);
    });
    Press(dialog, {VK_RETURN});
    EXPECT_TRUE(question_seen) << "Enter on the close button asked nothing";
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetDlgItem(dialog, ui::ids::kCloseProgress), nullptr) << "the close button stayed after the setup started";
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    PressKeys({VK_MENU, VK_F4});
  });
  EXPECT_EQ(window.RunModal(), kEndFinished) << "closed after the setup started, as a cancellation";
  EXPECT_TRUE(question_answered);
}

// The setup finds a newer browser while the resume question is open: the question ends with
// Resume before the notice shows, and Enter on the notice's OK ends the window as finished.
TEST_F(WindowKeysTest, HigherVersionAnswersTheResumeQuestion) {
  distrib::DistribParams params("uac=2&cancel=1");
  MainWindow window(&brand_, &params, /*create_installer=*/false, options_);
  bool notice_seen = false;
  ui_test::WhenDialogShown([&](HWND dialog) {
    ASSERT_TRUE(ui_test::BringToForeground(dialog));
    Press(dialog, {VK_RETURN});
    ASSERT_TRUE(TabTo(dialog, ui::ids::kCloseProgress));
    ui_test::WhenDialogShownOver(dialog, [&](HWND question) {
      ui_test::WhenDialogShownOver(question, [&](HWND notice) {
        notice_seen = true;
        EXPECT_FALSE(IsWindowVisible(question)) << "the resume question stayed open under the notice";
        if (IsWindowVisible(question)) EndDialog(question, 1);
        ASSERT_TRUE(ui_test::BringToForeground(notice));
        EXPECT_EQ(Id(GetFocus()), ui::ids::kDialogMainButton);
        Press(notice, {VK_RETURN});
      });
      PostMessageW(dialog, RegisterWindowMessageW(kHigherVersionMessage), 0, 0);
      PumpUntil(question, [&] { return notice_seen && !IsWindowVisible(question); });
    });
    Press(dialog, {VK_SPACE});
  });
  EXPECT_EQ(window.RunModal(), kEndFinished);
  EXPECT_TRUE(notice_seen);
}

// Screen readers ---------------------------------------------------------------------------

// Every control a user can reach (shown) has a name, a role and no "unavailable" state through
// Active Accessibility, on the first screen with all three boxes and on the progress screen with
// its close button and the license sentence over the first slide.
void ExpectNamedControls(HWND dialog, const char* screen) {
  EXPECT_EQ(ui_test::AccessibilityProblems(dialog), "")
      << screen << "\n" << base::WideToUtf8(ui_test::DescribeControls(dialog));
}

TEST_F(WindowKeysTest, EveryShownControlHasANameForScreenReaders) {
  {
    distrib::DistribParams params("");
    MainWindow window(&brand_, &params, /*create_installer=*/false, options_);
    ui_test::WhenDialogShown([&](HWND dialog) {
      ExpectNamedControls(dialog, "first screen");
      HWND close = GetDlgItem(dialog, ui::ids::kCloseFirst);
      ui_test::Accessible info = ui_test::ReadAccessible(close);
      EXPECT_EQ(info.name, LoadUiString(strings::kClose, 1033));
      ui_test::Accessible box = ui_test::ReadAccessible(GetDlgItem(dialog, ui::ids::kPinTaskbar));
      EXPECT_EQ(box.name, L"Pin Omrix to the taskbar");
      PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    window.RunModal();
  }
  distrib::DistribParams params("first=1&def=1&stat=1&uac=2&cancel=1");
  MainWindow window(&brand_, &params, /*create_installer=*/false, options_);
  ui_test::WhenDialogShown([&](HWND dialog) {
    window.SetPercentage(5);
    PumpUntil(dialog, [&] { return window_test::ControlText(GetDlgItem(dialog, ui::ids::kPercentage)) == L"5%"; });
    ExpectNamedControls(dialog, "progress screen");
    ui_test::Accessible close = ui_test::ReadAccessible(GetDlgItem(dialog, ui::ids::kCloseProgress));
    EXPECT_EQ(close.name, LoadUiString(strings::kClose, 1033));
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  window.RunModal();
}

}  // namespace
}  // namespace ui
