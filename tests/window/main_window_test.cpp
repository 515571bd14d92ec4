// The main window in this process, fed through its delegate as the installation thread feeds it:
// a failure reported around the Install click shows exactly one message.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "gui_util.h"
#include "install/installer.h"
#include "ui/main_window_win.h"
#include "window_test_util.h"

namespace ui {
namespace {

constexpr wchar_t kErrorTitle[] = L"An error occurred during installation";

// Answers every error message of this thread with Cancel and counts them; a thread timer fires in
// whichever modal loop runs, the message's own included.
int g_messages = 0;

BOOL CALLBACK CancelErrorMessage(HWND window, LPARAM) {
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (!IsWindowVisible(window) || std::wstring(class_name) != L"#32770") return TRUE;
  if (window_test::ControlText(GetDlgItem(window, 107)) != kErrorTitle) return TRUE;
  ++g_messages;
  SendMessageW(GetDlgItem(window, 113), BM_CLICK, 0, 0);
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

void ClickInstall(HWND dialog) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0); }

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

}  // namespace
}  // namespace ui
