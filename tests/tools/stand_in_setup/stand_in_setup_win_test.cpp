// The stand-in setup does what the installation tests rely on: it records how it was started,
// posts the registered progress messages, leaves the browser's message window behind for a
// while, writes the launch command line and exits with the chosen code.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/json.h"
#include "base/strings.h"
#include "support/test_util.h"

namespace {

std::vector<std::pair<UINT, WPARAM>> g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= 0xC000) g_received.emplace_back(message, wparam);  // registered messages
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND FindBrowserWindow() { return FindWindowExW(HWND_MESSAGE, nullptr, L"VorlexBrowser_MessageWindow", nullptr); }

TEST(StandInSetupTest, BehavesAsItsSwitchesAndEnvironmentSay) {
  test::ScratchDir scratch;
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = RecordingProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"StandInSetupTestTarget";
  ASSERT_TRUE(RegisterClassW(&window_class));
  HWND target = CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                window_class.hInstance, nullptr);
  ASSERT_TRUE(target);
  ASSERT_FALSE(FindBrowserWindow());

  std::wstring record = scratch.Child(L"record.json");
  std::wstring command_line = base::QuoteArgument(base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe")) +
                              L" --progress-window=" + std::to_wstring(uintptr_t(target)) +
                              L" --stand-in-record=" + base::QuoteArgument(record) +
                              L" --stand-in-progress=install:5,install:7,import:50,close" +
                              L" --brand-name=\"a \\\"b\\\"\" --stand-in-exit-code=1234 --stand-in-browser-window=1500";
  const wchar_t kLaunch[] = L"\"C:\\Program Files\\Vorlex\\browser.exe\" --from-installer";
  ASSERT_TRUE(SetEnvironmentVariableW(L"VORLEX_STAND_IN_LAUNCH_CMDLINE", kLaunch));
  std::optional<DWORD> code = test::RunAndWait(command_line);
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_LAUNCH_CMDLINE", nullptr);
  ASSERT_EQ(code, 1234u);
  EXPECT_TRUE(FindBrowserWindow());

  MSG message;
  for (int i = 0; i < 100 && g_received.size() < 4; ++i) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
  std::vector<std::pair<UINT, WPARAM>> expected = {
      {RegisterWindowMessageW(L"vorlex.lite.set_install_progress"), 5},
      {RegisterWindowMessageW(L"vorlex.lite.set_install_progress"), 7},
      {RegisterWindowMessageW(L"vorlex.lite.set_import_progress"), 50},
      {RegisterWindowMessageW(L"vorlex.lite.close_window"), 0},
  };
  EXPECT_EQ(g_received, expected);
  DestroyWindow(target);

  std::optional<std::string> text = base::ReadFileToString(record);
  ASSERT_TRUE(text);
  std::optional<base::Json> json = base::ParseJson(*text);
  ASSERT_TRUE(json);
  EXPECT_EQ(base::Utf8ToWide((*json)["command_line"].get<std::string>()), command_line);
  wchar_t directory[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, directory);
  EXPECT_EQ(base::Utf8ToWide((*json)["current_directory"].get<std::string>()), directory);
  EXPECT_EQ(base::Utf8ToWide((*json)["arguments"][4].get<std::string>()), L"--brand-name=a \"b\"");

  wchar_t stored[512] = {};
  DWORD size = sizeof(stored);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Vorlex\\VorlexBrowser", L"InstallerSuccessLaunchCmdLine",
                         RRF_RT_REG_SZ, nullptr, stored, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(stored, kLaunch);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Vorlex\\VorlexBrowser", L"InstallerSuccessLaunchCmdLine");

  // The window goes away by itself.
  for (int i = 0; i < 100 && FindBrowserWindow(); ++i) Sleep(50);
  EXPECT_FALSE(FindBrowserWindow());

  // Exit codes beyond the signed range arrive intact.
  EXPECT_EQ(test::RunAndWait(base::AppendPath(test::BuildDir(), L"stand_in_setup.exe") +
                             L" --stand-in-exit-code=3221225477"),
            3221225477u);
}

}  // namespace
