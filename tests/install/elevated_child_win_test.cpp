// The real two-process hand-off: this test plays the master with an ElevatedInstaller, and the
// installer started with "run-as-admin" is the elevated child (under Wine "runas" starts it
// without a prompt).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/process.h"
#include "base/strings.h"
#include "install/progress_relay_win.h"
#include "install/delayed_params.h"
#include "install/elevation.h"
#include "support/log_capture.h"
#include "support/test_util.h"

namespace install {
namespace {

// The installer's shared hand-off record as any program of the same user reaches it: by mapping
// the installer's image and finding the shared section. Cleared again when done.
class MappedInstallerRecord {
 public:
  MappedInstallerRecord()
      : module_(LoadLibraryExW(test::InstallerPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES)) {
    if (!module_) return;
    auto* base = reinterpret_cast<BYTE*>(module_);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
      if (std::memcmp(section->Name, ".dparams", 8) == 0 && section->Misc.VirtualSize >= sizeof(DelayedParams))
        record_ = reinterpret_cast<DelayedParams*>(base + section->VirtualAddress);
    }
  }
  ~MappedInstallerRecord() {
    if (record_) *record_ = {};
    if (module_) FreeLibrary(module_);
  }
  DelayedParams* get() { return record_; }

 private:
  HMODULE module_;
  DelayedParams* record_ = nullptr;
};

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

TEST_F(ElevatedChildTest, PathChangedInTheSharedRecordAfterTheMastersCheckIsNeverRun) {
  // The master checked the signed stand-in; before "go" another program of the user points the
  // record at a program of its own (validly signed, but by a signer no trusted list names).
  std::wstring checked = base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe");
  std::wstring foreign = base::AppendPath(test::BuildDir(), L"stand_in_setup_foreign.exe");
  std::wstring ran = scratch_.Child(L"ran.json");  // whichever stand-in runs leaves this record
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_RECORD", ran.c_str());
  MappedInstallerRecord record;
  ASSERT_TRUE(record.get());
  DelayedValues values;
  values.browser_arc_path = checked;
  ASSERT_TRUE(WriteDelayedParams(values, record.get()));

  ElevatedInstaller elevated;
  base::Process process = base::Process::Launch(ChildLine(checked, std::to_wstring(GetCurrentProcessId())).Render());
  ASSERT_TRUE(process.valid());
  HANDLE duplicate = nullptr;
  DuplicateHandle(GetCurrentProcess(), process.handle(), GetCurrentProcess(), &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS);
  elevated.Attach(base::ScopedHandle(duplicate), nullptr);
  values.browser_arc_path = foreign;
  ASSERT_TRUE(WriteDelayedParams(values, record.get()));
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_FALSE(elevated.RunModule(stop));
  CloseHandle(stop);
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_RECORD", nullptr);

  EXPECT_TRUE(elevated.verification_failed()) << elevated.exit_code();
  EXPECT_FALSE(base::PathExists(ran));
  std::string log = Log();
  EXPECT_NE(log.find("ERROR: Module verification failed: " + base::WideToUtf8(foreign)), std::string::npos) << log;
  EXPECT_EQ(log.find("RunModule results"), std::string::npos) << log;
}

TEST_F(ElevatedChildTest, ChildThatCannotWatchItsMasterStopsWaiting) {
  // The master's process cannot be opened (the id is no number) and neither event is ever set:
  // only the bound ends the wait.
  ElevatedInstaller events;
  test::LogCapture log;
  ElevatedChildOptions options;
  options.orphaned_wait_ms = 50;
  EXPECT_EQ(RunElevatedChild(ChildLine(L"C:\\never\\setup.exe", L"not-a-number"), options), kExitChildFailed);
  std::vector<std::string> lines = log.At("ExecuteAsAdmin");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("Installer started as admin has been unexpectedly synced, wr=258", 0), 0u)
      << lines.back();
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
    // The child has read the hand-off and waits for go.
    for (int i = 0; i < 3000 && Log().find("Suspicious process id") == std::string::npos; ++i) Sleep(10);
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
}  // namespace install
