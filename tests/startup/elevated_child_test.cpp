// The real two-process hand-off: this test plays the master with an ElevatedInstaller, and the
// installer started with "run-as-admin" is the elevated child (under Wine "runas" starts it
// without a prompt).
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/process.h"
#include "install/progress_relay_win.h"
#include "startup/elevation.h"
#include "support/test_util.h"

namespace startup {
namespace {

class ElevatedChildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExW(0, L"STATIC", L"master", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window_);
  }
  void TearDown() override { DestroyWindow(window_); }
  // The child's command line: the placeholder setup line with this window for progress.
  base::CommandLine ChildLine(const std::wstring& setup_program, const std::wstring& parent_id) {
    base::CommandLine setup;
    setup.SetProgram(setup_program);
    setup.AppendSwitch("progress-window", std::to_wstring(reinterpret_cast<uintptr_t>(window_)));
    base::CommandLine child;
    child.SetProgram(test::InstallerPath());
    child.AppendSwitch("run-as-admin");
    child.AppendSwitch("parent-installer-process-id", parent_id);
    child.AppendSwitch("setup-cmd-line", setup.Render());
    return child;
  }
  std::string Log() { return base::ReadFileToString(scratch_.Child(L"lite_installer.log")).value_or(""); }
  std::vector<std::pair<UINT, WPARAM>> Messages() {
    std::vector<std::pair<UINT, WPARAM>> messages;
    MSG msg;
    while (PeekMessageW(&msg, window_, WM_APP, WM_APP + 200, PM_REMOVE)) messages.push_back({msg.message, msg.wParam});
    return messages;
  }

  test::ScratchDir scratch_;
  test::ScopedTempDirectory temp_{scratch_.path()};
  HWND window_ = nullptr;
};

TEST_F(ElevatedChildTest, RunsTheSetupAfterGoAndRelaysProgress) {
  std::wstring setup = base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe");
  base::CommandLine child = ChildLine(setup, std::to_wstring(GetCurrentProcessId()));
  ElevatedInstaller elevated;
  base::Process process = base::Process::Launch(child.Render());
  ASSERT_TRUE(process.valid());
  HANDLE duplicate = nullptr;
  DuplicateHandle(GetCurrentProcess(), process.handle(), GetCurrentProcess(), &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS);
  elevated.Attach(base::ScopedHandle(duplicate), nullptr);
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_TRUE(elevated.RunModule(stop));
  CloseHandle(stop);
  EXPECT_EQ(elevated.exit_code(), 0u);
  // The child's relay posts the launch percentage to the master's window.
  auto messages = Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], (std::pair<UINT, WPARAM>(install::WM_INSTALLER_PROGRESS, 40)));
  std::string log = Log();
  EXPECT_NE(log.find("INFO: Start installer as admin (ExecuteAsAdmin:"), std::string::npos) << log;
  EXPECT_NE(log.find("INFO: RunModule results: success=1"), std::string::npos) << log;
}

TEST_F(ElevatedChildTest, MasterGivingUpBeforeGoEndsTheChild) {
  base::CommandLine child = ChildLine(L"C:\\never\\setup.exe", L"not-a-number");
  {
    ElevatedInstaller elevated;
    base::Process process = base::Process::Launch(child.Render());
    ASSERT_TRUE(process.valid());
    HANDLE duplicate = nullptr;
    DuplicateHandle(GetCurrentProcess(), process.handle(), GetCurrentProcess(), &duplicate, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    elevated.Attach(base::ScopedHandle(duplicate), nullptr);
    Sleep(300);  // the child is waiting for go
    // Destroyed without go: the child is told to stop and waited for.
  }
  std::string log = Log();
  EXPECT_NE(log.find("ERROR: Suspicious process id=not-a-number"), std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: Installer started as admin has been unexpectedly synced, wr=1"), std::string::npos) << log;
}

TEST_F(ElevatedChildTest, MasterDyingWhileTheChildWaitsEndsTheChild) {
  // A stand-in master that ends after a moment, without ever sending go or stop.
  base::Process master = base::Process::Launch(
      L"\"" + base::AppendPath(test::BuildDir(), L"stand_in_setup.exe") + L"\" --stand-in-sleep=500");
  ASSERT_TRUE(master.valid());
  ElevatedInstaller events;  // the named events exist, as the master would have made them
  base::Process child = base::Process::Launch(ChildLine(L"C:\\never\\setup.exe", std::to_wstring(master.id())).Render());
  ASSERT_TRUE(child.valid());
  EXPECT_EQ(child.WaitForExit(30000), static_cast<DWORD>(-1));
  EXPECT_NE(Log().find("has been unexpectedly synced, wr=2"), std::string::npos) << Log();
}

TEST_F(ElevatedChildTest, HangingChildIsTerminatedAfterTheMasterGivesUp) {
  // The setup sleeps far longer than the master will wait once it gives up. It writes its record
  // when it starts: the master gives up only once the setup runs, so that the child is never
  // terminated while it is still creating the setup's process.
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_SLEEP", L"60000");
  const std::wstring record = scratch_.Child(L"setup_record.json");
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_RECORD", record.c_str());
  std::wstring setup = base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe");
  base::CommandLine child = ChildLine(setup, std::to_wstring(GetCurrentProcessId()));
  base::Process process = base::Process::Launch(child.Render());
  ASSERT_TRUE(process.valid());
  bool hung = false;
  {
    ElevatedInstaller elevated(/*hang_timeout_ms=*/500);
    HANDLE duplicate = nullptr;
    DuplicateHandle(GetCurrentProcess(), process.handle(), GetCurrentProcess(), &duplicate, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    elevated.Attach(base::ScopedHandle(duplicate), nullptr);
    HANDLE stop = CreateEventW(nullptr, TRUE, TRUE, nullptr);  // the installation was stopped
    EXPECT_FALSE(elevated.RunModule(stop));
    CloseHandle(stop);
    for (int i = 0; i < 6000 && !base::PathExists(record); ++i) Sleep(10);
    EXPECT_TRUE(base::PathExists(record)) << "the setup never started";
    elevated.EnsureProcessFinished();
    hung = elevated.hung();
  }
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_SLEEP", nullptr);
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_RECORD", nullptr);
  EXPECT_TRUE(hung);
  EXPECT_EQ(process.WaitForExit(5000), 0u);  // terminated with exit code 0
  // The setup the child started is left; end it so it does not outlive the test.
  (void)test::RunAndWait(L"taskkill /f /im stand_in_setup_signed.exe", 10000);
}

TEST_F(ElevatedChildTest, RunasStartsTheCopy) {
  base::CommandLine setup;
  setup.SetProgram(L"fake_browser_arc");
  base::CommandLine master;
  master.SetProgram(test::InstallerPath());
  bool declined = false;
  std::unique_ptr<ElevatedInstaller> elevated = StartElevatedInstaller(master, setup, &declined);
  ASSERT_TRUE(elevated);
  EXPECT_FALSE(declined);
  EXPECT_TRUE(elevated->has_process());
  elevated.reset();  // no go: the copy gives up
  EXPECT_NE(Log().find("has been unexpectedly synced, wr=1"), std::string::npos) << Log();
}

}  // namespace
}  // namespace startup
