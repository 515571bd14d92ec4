// The main window in this process: fed through its delegate as the installation thread feeds it,
// a failure reported around the Install click shows exactly one message; and the Install
// button's focus rectangle under keyboard use.
#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <iterator>
#include <thread>
#include <vector>

#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "gui_util.h"
#include "install/installer.h"
#include "ui/control_ids.h"
#include "ui/main_window_win.h"
#include "window_test_util.h"

namespace ui {
namespace {

using ui_test::PumpUntil;

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

void PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> input;
  for (WORD key : keys) {
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    input.push_back(down);
  }
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
    INPUT up = {};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = *key;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    input.push_back(up);
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
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

}  // namespace
}  // namespace ui
