// The installer run interactively, as a user would: a test drives its window through the
// controls and the keyboard while the stand-in setup posts the registered progress messages to it.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "base/strings.h"
#include "gui_util.h"
#include "ui/control_ids.h"
#include "window_test_util.h"

namespace {

using window_test::Click;
using window_test::ControlText;
using window_test::Distribution;
using window_test::InstallerProcess;
using window_test::WaitFor;

constexpr wchar_t kTitle[] = L"Vorlex";

size_t CountContaining(const std::vector<std::string>& paths, const std::string& text) {
  return std::count_if(paths.begin(), paths.end(),
                       [&](const std::string& path) { return path.find(text) != std::string::npos; });
}

// Samples control 124 until the process ends; the distinct percentages in order.
std::vector<std::wstring> FollowPercentage(HWND window, InstallerProcess& process, DWORD timeout_ms,
                                           const std::function<void(const std::wstring&)>& on_new = nullptr) {
  std::vector<std::wstring> seen;
  HWND text = GetDlgItem(window, ui::ids::kPercentage);
  WaitFor(
      [&] {
        std::wstring value = ControlText(text);
        if (!value.empty() && (seen.empty() || seen.back() != value)) {
          seen.push_back(value);
          if (on_new) on_new(value);
        }
        return process.Wait(0).has_value();
      },
      timeout_ms, 10);
  return seen;
}

std::string Joined(const std::vector<std::wstring>& values) {
  std::string text;
  for (const std::wstring& value : values) text += base::WideToUtf8(value) + " ";
  return text;
}

// Processes started by `parent` (Toolhelp snapshot).
std::vector<DWORD> ChildrenOf(DWORD parent) {
  std::vector<DWORD> children;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return children;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID == parent && std::wstring(entry.szExeFile).find(L"lite_installer") != std::wstring::npos)
      children.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return children;
}

class InteractiveInstallTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dist_.ok()); }
  Distribution dist_;
};

TEST_F(InteractiveInstallTest, InstallFollowsTheSetupToTheEnd) {
  ASSERT_TRUE(dist_.ServeSetup());
  ASSERT_TRUE(dist_.ServeSlide(L"full.jpg", "02.jpg"));
  dist_.env().Set("VORLEX_STAND_IN_PROGRESS", "install:5,install:6,install:7,import:50,import:100,close");
  dist_.env().Set("VORLEX_STAND_IN_STEP_DELAY", "700");
  dist_.env().Set("VORLEX_STAND_IN_EXIT_CODE", "7");
  InstallerProcess process;
  // "uac=2": never elevated, so the setup runs from this process and its exit code is the result.
  ASSERT_TRUE(process.Start(L"--distr-info-params=uac=2&lang=en"));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  // First screen: Install and the three choices; the progress parts are hidden.
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, ui::ids::kInstall)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, ui::ids::kProgressBar)));
  EXPECT_EQ(ControlText(GetDlgItem(window, ui::ids::kInstall)), L"Install");
  window_test::Screenshot("window_first_screen");

  // A progress message on the first screen is dropped.
  PostMessageW(window, WM_APP + 100, 33, 0);
  Click(window, 1);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(GetDlgItem(window, ui::ids::kProgressBar)) != FALSE; }, 10000))
      << "Install did not switch screens";
  EXPECT_EQ(GetDlgItem(window, ui::ids::kInstall), nullptr);
  EXPECT_EQ(GetDlgItem(window, ui::ids::kCloseProgress), nullptr);  // no "cancel" in the distribution: no close button
  bool shot = false;
  std::vector<std::wstring> seen = FollowPercentage(window, process, 90000, [&](const std::wstring& value) {
    if (!shot && value == L"79%") {
      window_test::Screenshot("window_progress_screen");
      shot = true;
    }
  });
  std::optional<DWORD> code = process.Wait(30000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 7u) << dist_.Log();
  // The bar follows the launch and the setup: 40, then 75, 79, import 90 and 100 (stage 6 is
  // only logged); the first-screen 33 never shows.
  std::vector<std::wstring> setup_part;
  for (const std::wstring& value : seen)
    if (value != L"0%" && value.size() <= 4) setup_part.push_back(value);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), L"33%"), 0);
  std::vector<std::wstring> expected = {L"40%", L"75%", L"79%", L"90%", L"100%"};
  std::vector<std::wstring> tail(setup_part.end() - std::min(setup_part.size(), expected.size()), setup_part.end());
  EXPECT_EQ(tail, expected) << Joined(seen);

  std::string log = dist_.Log();
  EXPECT_NE(log.find("--> Installer > MainWindow::OnInstallProgress: 75"), std::string::npos) << log;
  EXPECT_NE(log.find("--> Installer > MainWindow::OnInstallProgress: 0"), std::string::npos);
  EXPECT_NE(log.find("--> Installer > MainWindow::OnImportProgress: 50"), std::string::npos);
  EXPECT_NE(log.find("--> Installer > MainWindow::OnCloseWindow"), std::string::npos);
  EXPECT_NE(log.find("Installer exit with code: 7"), std::string::npos);

  // The Install click went out as a dialog event and as the install button action, in order.
  std::vector<std::string> paths = dist_.StatisticsPaths();
  auto install_event = std::find_if(paths.begin(), paths.end(), [](const std::string& p) {
    return p.find("-clicked_button=install") != std::string::npos;
  });
  auto action = std::find_if(paths.begin(), paths.end(), [](const std::string& p) {
    return p.find("-action=install_browser_button_clicked") != std::string::npos;
  });
  ASSERT_NE(install_event, paths.end());
  ASSERT_NE(action, paths.end());
  EXPECT_LT(install_event - paths.begin(), action - paths.begin());
  EXPECT_NE(install_event->find("-dialog_window=liteinstall"), std::string::npos) << *install_event;
}

// Keys typed into the installer's window (SendInput: the window is brought to the foreground
// first, as a user's click would).
void Type(HWND window, std::initializer_list<WORD> keys) {
  ASSERT_TRUE(ui_test::BringToForeground(window));
  ui_test::PressKeys(keys);
}

// Presses Tab in the installer's window until control `id` has the focus.
bool TabTo(HWND window, int id) {
  HWND target = GetDlgItem(window, id);
  for (int press = 0; press < 20 && ui_test::FocusIn(window) != target; ++press) {
    HWND before = ui_test::FocusIn(window);
    Type(window, {VK_TAB});
    if (!WaitFor([&] { return ui_test::FocusIn(window) != before; }, 10000)) return false;
  }
  return ui_test::FocusIn(window) == target;
}

TEST_F(InteractiveInstallTest, ClosingTheFirstScreenCancels) {
  ASSERT_TRUE(dist_.ServeSetup());
  {
    InstallerProcess process;
    ASSERT_TRUE(process.Start(L""));
    HWND window = process.WaitForWindow(kTitle);
    ASSERT_NE(window, nullptr) << dist_.Log();
    // Escape only reports; the window stays.
    Type(window, {VK_ESCAPE});
    Type(window, {VK_ESCAPE});
    EXPECT_TRUE(WaitFor([&] { return CountContaining(dist_.StatisticsPaths(), "-clicked_button=cancel") == 2; }, 30000));
    EXPECT_TRUE(IsWindowVisible(window));
    // Space on a check box toggles it and reports which one.
    ASSERT_TRUE(TabTo(window, ui::ids::kSendStatistics));
    Type(window, {VK_SPACE});
    EXPECT_TRUE(WaitFor([&] { return CountContaining(dist_.StatisticsPaths(), "-choosen_checkbox=sendstat") == 1; }, 30000));
    Click(window, 113);
    EXPECT_EQ(process.Wait(60000), 500u) << dist_.Log();
  }
  dist_.server().WaitForRequests(dist_.prefix() + "/installstats/", 4);
  std::vector<std::string> paths = dist_.StatisticsPaths();
  EXPECT_EQ(CountContaining(paths, "-clicked_button=cancel"), 3u);
  EXPECT_EQ(CountContaining(paths, "-choosen_checkbox=sendstat"), 1u);
  EXPECT_NE(dist_.Log().find("User cancelled installation."), std::string::npos);

  // Alt+F4 before the setup started is the user's cancellation.
  InstallerProcess process;
  ASSERT_TRUE(process.Start(L""));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr);
  Type(window, {VK_MENU, VK_F4});
  EXPECT_EQ(process.Wait(60000), 500u);
}

// The setup has succeeded and the window only waits for the browser's window: Alt+F4 ends the
// run with the setup's result, not as a cancellation.
TEST_F(InteractiveInstallTest, ClosingAfterTheSetupSucceededEndsWithItsResult) {
  ASSERT_TRUE(dist_.ServeSetup());
  dist_.env().Set("VORLEX_STAND_IN_BROWSER_WINDOW", "60000");
  InstallerProcess process;
  ASSERT_TRUE(process.Start(L"--distr-info-params=uac=2"));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  Type(window, {VK_RETURN});  // Install has the focus
  ASSERT_TRUE(WaitFor([&] { return dist_.Log().find("Setup process exit with code") != std::string::npos; }, 90000))
      << dist_.Log();
  Type(window, {VK_MENU, VK_F4});
  EXPECT_EQ(process.Wait(60000), 0u) << dist_.Log();
  // The stand-in's browser window would hold the next installations: end its process.
  if (HWND browser = FindWindowExW(HWND_MESSAGE, nullptr, L"VorlexBrowser_MessageWindow", nullptr)) {
    DWORD id = 0;
    GetWindowThreadProcessId(browser, &id);
    if (HANDLE owner = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
      TerminateProcess(owner, 0);
      WaitForSingleObject(owner, 10000);
      CloseHandle(owner);
    }
  }
}

TEST_F(InteractiveInstallTest, CancelOnTheProgressScreenAsksFirst) {
  ASSERT_TRUE(dist_.ServeSetup());
  // A slow setup download keeps the close button (it goes once the setup runs).
  ASSERT_TRUE(dist_.server().AddRule(R"({"path": ")" + dist_.prefix() + R"(/browser/vorlex/", "delay_ms": 20000})"));
  InstallerProcess process;
  ASSERT_TRUE(process.Start(L"--distr-info-params=cancel=1"));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  Click(window, 1);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(GetDlgItem(window, ui::ids::kProgressBar)) != FALSE; }, 10000));
  ASSERT_TRUE(IsWindowVisible(GetDlgItem(window, ui::ids::kCloseProgress)));

  // Resume keeps the installation; the question can be asked again.
  Click(window, 112);
  HWND question = process.WaitForWindow(L"", 10000);
  ASSERT_NE(question, nullptr);
  window_test::Screenshot("window_resume_question");
  Click(question, 1);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(question); }, 10000));
  EXPECT_TRUE(IsWindowVisible(window));

  Click(window, 112);
  question = process.WaitForWindow(L"", 10000);
  ASSERT_NE(question, nullptr);
  Click(question, 113);
  EXPECT_EQ(process.Wait(90000), 500u) << dist_.Log();
}

// UAC mode 1: the elevated copy starts while the window initialises (under Wine "runas" starts
// it without a prompt), waits for "go", runs the setup and relays the bar to the master's window;
// the master itself ran no setup and ends with 400.
TEST_F(InteractiveInstallTest, ElevatedCopyStartsWithTheWindowInUacMode1) {
  ASSERT_TRUE(dist_.ServeSetup());
  dist_.env().Set("VORLEX_STAND_IN_PROGRESS", "install:5,install:7,import:100,close");
  dist_.env().Set("VORLEX_STAND_IN_STEP_DELAY", "700");
  InstallerProcess process;
  ASSERT_TRUE(process.Start(L"--distr-info-params=uac=1"));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  // Before Install: the copy already runs, started by this process with "run-as-admin".
  EXPECT_TRUE(WaitFor([&] { return !ChildrenOf(process.id()).empty(); }, 10000)) << dist_.Log();

  Click(window, 1);
  std::vector<std::wstring> seen = FollowPercentage(window, process, 90000);
  EXPECT_EQ(process.Wait(30000), 400u) << dist_.Log();
  // 40 comes only from the copy's relay (WM_INSTALLER_PROGRESS posted to this window).
  EXPECT_NE(std::find(seen.begin(), seen.end(), L"40%"), seen.end()) << Joined(seen);
  EXPECT_NE(std::find(seen.begin(), seen.end(), L"100%"), seen.end()) << Joined(seen);
  std::string log = dist_.Log();
  EXPECT_NE(log.find("The elevated installer has finished, success=1"), std::string::npos) << log;
  EXPECT_NE(log.find("Installer exit with code: 400"), std::string::npos);
}

// A setup that fails verification: the error message replaces the window; its Cancel ends the
// run with the installer's result code.
TEST_F(InteractiveInstallTest, FailedVerificationShowsTheErrorMessage) {
  ASSERT_TRUE(dist_.ServeSetup(L"stand_in_setup_foreign.exe"));
  InstallerProcess process;
  ASSERT_TRUE(process.Start(L"--distr-info-params=uac=2"));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  Click(window, 1);
  HWND message = process.WaitForWindow(L"", 30000);
  ASSERT_NE(message, nullptr) << dist_.Log();
  EXPECT_EQ(ControlText(GetDlgItem(message, ui::ids::kDialogTitle)), L"An error occurred during installation");
  EXPECT_EQ(ControlText(GetDlgItem(message, ui::ids::kDialogMainButton)), L"Download");
  EXPECT_FALSE(IsWindowVisible(window));
  // Shown by the window's own thread, not by the installation thread that failed.
  EXPECT_EQ(GetWindowThreadProcessId(message, nullptr), GetWindowThreadProcessId(window, nullptr));
  window_test::Screenshot("window_install_error");
  Click(message, 113);
  EXPECT_EQ(process.Wait(60000), 402u) << dist_.Log();
}

// A setup that sends the close-window message (rather than posting it) waits for the answer
// while the window waits for the installation, which waits for the setup to exit.
TEST_F(InteractiveInstallTest, SentCloseWindowMessageDoesNotHoldTheSetup) {
  ASSERT_TRUE(dist_.ServeSetup());
  dist_.env().Set("VORLEX_STAND_IN_PROGRESS", "install:5,send-close");
  dist_.env().Set("VORLEX_STAND_IN_EXIT_CODE", "7");
  InstallerProcess process;
  ASSERT_TRUE(process.Start(L"--distr-info-params=uac=2"));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  Click(window, 1);
  EXPECT_EQ(process.Wait(120000), 7u) << dist_.Log();
  std::string log = dist_.Log();
  EXPECT_NE(log.find("--> Installer > MainWindow::OnCloseWindow"), std::string::npos) << log;
  EXPECT_EQ(log.find("WaitForInstallAsync timeout"), std::string::npos) << log;
}

// The setup finds a newer browser: the notice, then the window ends.
TEST_F(InteractiveInstallTest, HigherVersionShowsTheNotice) {
  ASSERT_TRUE(dist_.ServeSetup());
  dist_.env().Set("VORLEX_STAND_IN_PROGRESS", "higher");
  dist_.env().Set("VORLEX_STAND_IN_SLEEP", "1000");
  InstallerProcess process;
  ASSERT_TRUE(process.Start(L"--distr-info-params=uac=2"));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  Click(window, 1);
  HWND notice = process.WaitForWindow(L"", 30000);
  ASSERT_NE(notice, nullptr) << dist_.Log();
  EXPECT_EQ(ControlText(GetDlgItem(notice, ui::ids::kDialogMainButton)), L"OK");
  Click(notice, 1);
  std::optional<DWORD> code = process.Wait(60000);
  ASSERT_TRUE(code.has_value());
  EXPECT_NE(*code, 500u);  // ended with 1: not a cancellation
}

// UAC mode 0 (the default): the elevated copy starts only when Install switches the screens.
TEST_F(InteractiveInstallTest, ElevatedCopyStartsOnInstallInUacMode0) {
  ASSERT_TRUE(dist_.ServeSetup());
  dist_.env().Set("VORLEX_STAND_IN_PROGRESS", "install:5,close");
  dist_.env().Set("VORLEX_STAND_IN_STEP_DELAY", "500");
  InstallerProcess process;
  ASSERT_TRUE(process.Start(L""));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  // In UAC mode 1 the elevated copy would already run: the window starts it before it is shown.
  EXPECT_TRUE(ChildrenOf(process.id()).empty());
  Click(window, 1);
  EXPECT_TRUE(WaitFor([&] { return !ChildrenOf(process.id()).empty(); }, 10000)) << dist_.Log();
  EXPECT_EQ(process.Wait(60000), 400u) << dist_.Log();
  EXPECT_NE(dist_.Log().find("The elevated installer has finished, success=1"), std::string::npos);
}

// Distribution data that skips the first screen: the window opens on the progress screen, which
// counts as the user's Install.
constexpr wchar_t kSkipFirstScreen[] = L"--distr-info-params=first=1&def=1&stat=1&uac=2";

// Dark pixels (the sentence's black text) in a rectangle of design units of the window.
int DarkPixels(const ui_test::Pixels& shot, int left, int top, int right, int bottom, double scale) {
  int count = 0;
  for (int y = static_cast<int>(top * scale); y < static_cast<int>(bottom * scale) && y < shot.height; ++y)
    for (int x = static_cast<int>(left * scale); x < static_cast<int>(right * scale) && x < shot.width; ++x)
      if (shot.R(x, y) < 100 && shot.G(x, y) < 100 && shot.B(x, y) < 100) ++count;
  return count;
}

TEST_F(InteractiveInstallTest, SkippedFirstScreenShowsTheLicenseUnderTheFirstSlide) {
  ASSERT_TRUE(dist_.ServeSetup());
  // A slow setup download keeps the window on its first slide.
  ASSERT_TRUE(dist_.server().AddRule(R"({"path": ")" + dist_.prefix() + R"(/browser/vorlex/", "delay_ms": 20000})"));
  InstallerProcess process;
  ASSERT_TRUE(process.Start(kSkipFirstScreen));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, ui::ids::kProgressBar)));
  EXPECT_EQ(GetDlgItem(window, ui::ids::kInstall), nullptr);
  HWND link = GetDlgItem(window, ui::ids::kSlideLicenseLink);
  ASSERT_NE(link, nullptr) << "no license link on the progress screen";
  EXPECT_EQ(ControlText(link), L"License Agreement");
  window_test::Screenshot("window_skipped_first_screen");
  ui_test::Pixels shot = ui_test::CaptureWindow(window);
  RECT bounds;
  GetWindowRect(window, &bounds);
  const double scale = (bounds.right - bounds.left) / 728.0;
  // The sentence is centred in 424..666 from y = 350, two lines of the 11-unit font.
  EXPECT_GT(DarkPixels(shot, 424, 350, 666, 380, scale), 100) << "the license sentence is not on the screen";
}

TEST_F(InteractiveInstallTest, SkippedFirstScreenShowsFailuresAndEndsWithTheirCode) {
  ASSERT_TRUE(dist_.ServeSetup(L"stand_in_setup.exe"));  // not signed: verification fails
  InstallerProcess process;
  ASSERT_TRUE(process.Start(kSkipFirstScreen));
  HWND window = process.WaitForWindow(kTitle);
  ASSERT_NE(window, nullptr) << dist_.Log();
  HWND message = process.WaitForWindow(L"", 60000);
  ASSERT_NE(message, nullptr) << "no error message: " << dist_.Log();
  EXPECT_EQ(ControlText(GetDlgItem(message, ui::ids::kDialogTitle)), L"An error occurred during installation");
  EXPECT_EQ(GetWindowThreadProcessId(message, nullptr), GetWindowThreadProcessId(window, nullptr));
  Click(message, 113);
  EXPECT_EQ(process.Wait(60000), 402u) << dist_.Log();
  EXPECT_NE(dist_.Log().find("Module verification failed"), std::string::npos);
}

// Without the setup's close-window message the window ends once the setup has finished (here at
// once: the browser is not to be started).
TEST_F(InteractiveInstallTest, SkippedFirstScreenEndsWhenTheSetupHasFinished) {
  ASSERT_TRUE(dist_.ServeSetup());
  dist_.env().Set("VORLEX_STAND_IN_EXIT_CODE", "7");
  InstallerProcess process;
  ASSERT_TRUE(process.Start(std::wstring(L"--do-not-launch-browser ") + kSkipFirstScreen));
  ASSERT_NE(process.WaitForWindow(kTitle), nullptr) << dist_.Log();
  EXPECT_EQ(process.Wait(90000), 7u) << dist_.Log();
}

// Whichever server stays silent at the end (the installation report, the statistics, the
// variations seed still being fetched), the setup's close-window message ends the window and the
// process with the setup's code: the waits for the installation thread, the statistics and the
// background tasks are bounded, and every request made at the end has time-outs. (A process
// that waited for the server would still be running an hour later.)
TEST_F(InteractiveInstallTest, SilentServersDoNotOutliveTheWindow) {
  for (const char* silent : {"/get/browser/install", "/installstats/", "/content/"}) {
    SCOPED_TRACE(silent);
    Distribution dist;
    ASSERT_TRUE(dist.ok());
    ASSERT_TRUE(dist.ServeSetup());
    ASSERT_TRUE(dist.server().AddRule(R"({"path": ")" + dist.prefix() + silent + R"(", "delay_ms": 3600000})"));
    dist.env().Set("VORLEX_STAND_IN_PROGRESS", "install:5,close");
    dist.env().Set("VORLEX_STAND_IN_EXIT_CODE", "7");
    InstallerProcess process;
    ASSERT_TRUE(process.Start(kSkipFirstScreen));
    ASSERT_NE(process.WaitForWindow(kTitle), nullptr) << dist.Log();
    ASSERT_EQ(process.Wait(90000), 7u) << dist.Log();
    // The silent server really had the request the run did not wait for.
    EXPECT_FALSE(dist.server().Requests(dist.prefix() + silent).empty());
    std::string log = dist.Log();
    EXPECT_NE(log.find("--> Installer > MainWindow::OnCloseWindow"), std::string::npos) << log;
    EXPECT_NE(log.find("Installer exit with code: 7"), std::string::npos) << log;
  }
}

}  // namespace
