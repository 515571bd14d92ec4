// The real two-process hand-off: this test plays the master with an ElevatedInstaller, and the
// installer started with "run-as-admin" is the elevated child (under Wine "runas" starts it
// without a prompt). The child's work folder is its temporary directory, here the scratch folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <future>
#include <thread>
#include <vector>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/json.h"
#include "base/process.h"
#include "base/strings.h"
#include "install/delayed_params.h"
#include "install/elevation.h"
#include "install/mapped_installer_record.h"
#include "install/progress_relay_win.h"
#include "support/log_capture.h"
#include "support/test_util.h"

namespace install {
namespace {

using install_test::MappedInstallerRecord;

// A window of the master on a thread of its own that pumps messages; the setup's close request
// is answered and then stops the installation, as the window's close handler does.
class PumpingMasterWindow {
 public:
  explicit PumpingMasterWindow(HANDLE stop_on_close) : stop_(stop_on_close) {
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    thread_ = std::thread([this, &created] {
      HWND hwnd = CreateWindowExW(0, L"STATIC", L"master", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
      thread_id_ = GetCurrentThreadId();
      created.set_value(hwnd);
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      DestroyWindow(hwnd);
    });
    window_ = window.get();
  }
  ~PumpingMasterWindow() {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<PumpingMasterWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == self->close_message_) {
      ReplyMessage(0);
      SetEvent(self->stop_);
      return 0;
    }
    return CallWindowProcW(self->previous_, hwnd, message, wparam, lparam);
  }

  HANDLE stop_;
  const UINT close_message_ = RegisterWindowMessageW(L"vorlex.lite.close_window");
  WNDPROC previous_ = nullptr;
  HWND window_ = nullptr;
  DWORD thread_id_ = 0;
  std::thread thread_;
};

class ElevatedChildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExW(0, L"STATIC", L"master", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window_);
    // Whichever stand-in runs leaves this record.
    SetEnvironmentVariableW(L"VORLEX_STAND_IN_RECORD", ran_.c_str());
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"VORLEX_STAND_IN_RECORD", nullptr);
    CloseHandle(stop_);
    DestroyWindow(window_);
  }
  // The child's command line: the placeholder setup line with a window for progress.
  base::CommandLine ChildLine(const std::wstring& setup_program, const std::wstring& parent_id,
                              HWND progress_window = nullptr) {
    base::CommandLine setup;
    setup.SetProgram(setup_program);
    setup.AppendSwitch("progress-window",
                       std::to_wstring(reinterpret_cast<uintptr_t>(progress_window ? progress_window : window_)));
    base::CommandLine child;
    child.SetProgram(test::InstallerPath());
    child.AppendSwitch("run-as-admin");
    child.AppendSwitch("parent-installer-process-id", parent_id);
    child.AppendSwitch("setup-cmd-line", setup.Render());
    return child;
  }
  std::wstring Self() const { return std::to_wstring(GetCurrentProcessId()); }
  // Starts the child and hands its process to the master's side.
  base::Process Launch(ElevatedInstaller& elevated, const base::CommandLine& child) {
    base::Process process = base::Process::Launch(child.Render());
    HANDLE duplicate = nullptr;
    if (process.valid())
      DuplicateHandle(GetCurrentProcess(), process.handle(), GetCurrentProcess(), &duplicate, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    elevated.Attach(base::ScopedHandle(duplicate), nullptr);
    return process;
  }
  // A program of the build copied into the work folder under another name.
  std::wstring Stage(const wchar_t* build_file, const wchar_t* name) {
    std::wstring path = scratch_.Child(name);
    EXPECT_TRUE(base::CopyFileTo(base::AppendPath(test::BuildDir(), build_file), path));
    return path;
  }
  std::string Log() { return base::ReadFileToString(scratch_.Child(L"lite_installer.log")).value_or(""); }
  std::vector<std::pair<UINT, WPARAM>> Messages() {
    std::vector<std::pair<UINT, WPARAM>> messages;
    MSG msg;
    while (PeekMessageW(&msg, window_, WM_APP, WM_APP + 200, PM_REMOVE)) messages.push_back({msg.message, msg.wParam});
    return messages;
  }
  // The stand-in's command line, when it ran.
  std::optional<base::CommandLine> SetupCommandLine() {
    auto record = base::ParseJson(base::ReadFileToString(ran_).value_or(""));
    if (!record) return std::nullopt;
    return base::CommandLine::FromString(base::Utf8ToWide((*record)["command_line"].get<std::string>()));
  }

  test::ScratchDir scratch_;
  test::ScopedTempDirectory temp_{scratch_.path()};
  const std::wstring ran_ = scratch_.Child(L"ran.json");
  HWND window_ = nullptr;
  HANDLE stop_ = nullptr;
};

// The master's thread does not pump messages while the copy runs the setup (here it only waits
// for the copy): what the copy tells its window must not wait for that thread.
TEST_F(ElevatedChildTest, RunsTheSetupAfterGoWithoutWaitingForTheMastersWindow) {
  HWND cancel = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, window_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCancelControlId)), nullptr, nullptr);
  ASSERT_TRUE(cancel);
  std::wstring setup = Stage(L"stand_in_setup_signed.exe", L"vb1.tmp");
  ElevatedInstaller elevated;
  base::Process process = Launch(elevated, ChildLine(setup, Self()));
  ASSERT_TRUE(process.valid());
  base::ScopedHandle go(OpenEventA(EVENT_MODIFY_STATE, FALSE, kGoEventName));
  ASSERT_TRUE(go);
  SetEvent(go.get());
  std::optional<DWORD> code = process.WaitForExit(30000);
  const bool ended_unanswered = code.has_value();
  // The child's relay posts the launch percentage; pumping also answers a copy still waiting.
  auto messages = Messages();
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  if (!code) code = process.WaitForExit(30000);
  EXPECT_TRUE(ended_unanswered) << "the copy waited for the master's window";
  EXPECT_EQ(code, 0u);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], (std::pair<UINT, WPARAM>(install::WM_INSTALLER_PROGRESS, 40)));
  EXPECT_FALSE(IsWindowVisible(cancel));
  EXPECT_TRUE(SetupCommandLine());
  std::string log = Log();
  EXPECT_NE(log.find("INFO: Start installer as admin (ExecuteAsAdmin:"), std::string::npos) << log;
  EXPECT_NE(log.find("INFO: RunModule results: success=1"), std::string::npos) << log;
}

// The copy runs only an absolute local file with an extension, inside the work folder: anything
// else the record names is refused as unverified (402), and nothing runs.
TEST_F(ElevatedChildTest, SetupPathsOutsideTheRulesAreRefusedAndNothingRuns) {
  MappedInstallerRecord record;
  ASSERT_TRUE(record.get());
  // A relative name would be verified against the current directory and searched for by the
  // loader; a name without an extension gets ".exe" from the loader, here a foreign program.
  Stage(L"stand_in_setup_signed.exe", L"relative.exe");
  std::wstring bare = Stage(L"stand_in_setup_signed.exe", L"vbsetup");
  Stage(L"stand_in_setup_foreign.exe", L"vbsetup.exe");
  const std::wstring outside = base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe");
  wchar_t saved_directory[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved_directory);
  SetCurrentDirectoryW(scratch_.path().c_str());  // the child inherits it

  const std::pair<std::wstring, std::string> kCases[] = {
      {L"relative.exe", "Refused setup path: "},
      {bare, "Refused setup path: "},
      {outside, "Setup is not in the work folder: "},
  };
  for (const auto& [path, refusal] : kCases) {
    DelayedValues values;
    values.browser_arc_path = path;
    ASSERT_TRUE(WriteDelayedParams(values, record.get()));
    ElevatedInstaller elevated;
    ASSERT_TRUE(Launch(elevated, ChildLine(L"fake_browser_arc", Self())).valid());
    EXPECT_FALSE(elevated.RunModule(stop_));
    EXPECT_TRUE(elevated.verification_failed()) << base::WideToUtf8(path) << " " << elevated.exit_code();
    EXPECT_FALSE(base::PathExists(ran_)) << base::WideToUtf8(path);
    (void)base::DeleteFilePath(ran_);
    EXPECT_NE(Log().find("ERROR: " + refusal + base::WideToUtf8(path)), std::string::npos) << Log();
  }
  SetCurrentDirectoryW(saved_directory);
  EXPECT_EQ(Log().find("RunModule results"), std::string::npos) << Log();
}

TEST_F(ElevatedChildTest, PathChangedInTheSharedRecordAfterTheMastersCheckIsNeverRun) {
  // The master checked the signed stand-in; before "go" another program of the user points the
  // record at a program of its own (validly signed, but by a signer no trusted list names).
  std::wstring checked = Stage(L"stand_in_setup_signed.exe", L"vb3.tmp");
  std::wstring foreign = Stage(L"stand_in_setup_foreign.exe", L"vb4.tmp");
  MappedInstallerRecord record;
  ASSERT_TRUE(record.get());
  DelayedValues values;
  values.browser_arc_path = checked;
  ASSERT_TRUE(WriteDelayedParams(values, record.get()));

  ElevatedInstaller elevated;
  ASSERT_TRUE(Launch(elevated, ChildLine(checked, Self())).valid());
  values.browser_arc_path = foreign;
  ASSERT_TRUE(WriteDelayedParams(values, record.get()));
  EXPECT_FALSE(elevated.RunModule(stop_));

  EXPECT_TRUE(elevated.verification_failed()) << elevated.exit_code();
  EXPECT_FALSE(base::PathExists(ran_));
  std::string log = Log();
  EXPECT_NE(log.find("ERROR: Module verification failed: " + base::WideToUtf8(foreign)), std::string::npos) << log;
  EXPECT_EQ(log.find("RunModule results"), std::string::npos) << log;
}

// The side files of the record reach the setup only when they are files inside the work folder;
// time texts only when they are numbers.
TEST_F(ElevatedChildTest, SideFilesOutsideTheWorkFolderNeverReachTheSetup) {
  std::wstring setup = Stage(L"stand_in_setup_signed.exe", L"vb5.tmp");
  const std::wstring preferences = scratch_.Child(L"master_preferences");
  const std::wstring clids = scratch_.Child(L"clids.xml");
  ASSERT_TRUE(base::WriteStringToFile(preferences, "{}"));
  ASSERT_TRUE(base::WriteStringToFile(clids, "<clids/>"));
  MappedInstallerRecord record;
  ASSERT_TRUE(record.get());
  DelayedValues values;
  values.browser_arc_path = setup;
  values.installer_data_path = preferences;
  values.clids_file_path = clids;
  values.clids_searchband_file_path = test::InstallerPath();                    // a file elsewhere
  values.vorlex_website_icon_file_path = scratch_.Child(L"missing.ico");        // no such file
  values.brand_package_path = L"clids.xml";                                     // relative
  values.partner_package_path = L"\\\\127.0.0.1\\share\\partner.cab";           // a network path
  values.partner_package_override_path = scratch_.path() + L"\\.\\clids.xml";  // not a plain path
  values.histogram_full_time = L"12\" --silent";
  values.histogram_download_time = L"7";
  ASSERT_TRUE(WriteDelayedParams(values, record.get()));

  ElevatedInstaller elevated;
  ASSERT_TRUE(Launch(elevated, ChildLine(L"fake_browser_arc", Self())).valid());
  EXPECT_TRUE(elevated.RunModule(stop_)) << Log();
  std::optional<base::CommandLine> line = SetupCommandLine();
  ASSERT_TRUE(line) << Log();
  EXPECT_EQ(line->GetSwitchValue("installerdata"), preferences);
  EXPECT_EQ(line->GetSwitchValue("clids-file"), clids);
  EXPECT_EQ(line->GetSwitchValue("histogram-download-time"), L"7");
  for (const char* dropped : {"clids-searchband-file", "vorlex-website-icon-file", "brand-package", "partner-package",
                              "override-partner-package", "install-start-time-no-uac", "silent"})
    EXPECT_FALSE(line->HasSwitch(dropped)) << dropped;
  std::string log = Log();
  EXPECT_NE(log.find("WARNING: Dropped clids-searchband-file, not a file in the work folder: " +
                     base::WideToUtf8(test::InstallerPath())),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("WARNING: Dropped partner-package, not a file in the work folder: \\\\127.0.0.1"), std::string::npos);
  EXPECT_NE(log.find("WARNING: Dropped install-start-time-no-uac, not a number: 12\" --silent"), std::string::npos);
}

// The setup asks the window to close just before it exits, and the window's close handler stops
// the installation while the copy is still ending: the copy's result still counts.
TEST_F(ElevatedChildTest, StopWhileTheCopyEndsStillTakesItsResult) {
  {
    // A copy that has ended by the time the stop is seen.
    base::Process ended = base::Process::Launch(L"\"" + base::AppendPath(test::BuildDir(), L"stand_in_setup.exe") + L"\"");
    ASSERT_EQ(ended.WaitForExit(30000), 0u);
    HANDLE duplicate = nullptr;
    DuplicateHandle(GetCurrentProcess(), ended.handle(), GetCurrentProcess(), &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS);
    ElevatedInstaller elevated;
    elevated.Attach(base::ScopedHandle(duplicate), nullptr);
    base::ScopedHandle stopped(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    EXPECT_TRUE(elevated.RunModule(stopped.get()));
    EXPECT_EQ(elevated.exit_code(), 0u);
  }
  std::wstring setup = Stage(L"stand_in_setup_signed.exe", L"vb6.tmp");
  PumpingMasterWindow master(stop_);
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_PROGRESS", L"send-close");
  bool ok = false;
  DWORD exit_code = 1;
  {
    ElevatedInstaller elevated;
    ASSERT_TRUE(Launch(elevated, ChildLine(setup, Self(), master.window())).valid());
    ok = elevated.RunModule(stop_);
    exit_code = elevated.exit_code();
  }
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_PROGRESS", nullptr);
  EXPECT_TRUE(base::IsSignalled(stop_)) << "the setup never asked to close";
  EXPECT_TRUE(ok);
  EXPECT_EQ(exit_code, 0u);
  EXPECT_NE(Log().find("INFO: RunModule results: success=1"), std::string::npos) << Log();
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
    ASSERT_TRUE(Launch(elevated, child).valid());
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
  std::wstring setup = Stage(L"stand_in_setup_signed.exe", L"vb7.tmp");
  base::Process process;
  bool hung = false;
  DWORD setup_id = 0;
  {
    ElevatedInstaller elevated(/*hang_timeout_ms=*/500);
    process = Launch(elevated, ChildLine(setup, Self()));
    ASSERT_TRUE(process.valid());
    SetEvent(stop_);  // the installation was stopped
    EXPECT_FALSE(elevated.RunModule(stop_));
    std::optional<base::Json> started;
    for (int i = 0; i < 6000 && !(started = base::ParseJson(base::ReadFileToString(ran_).value_or(""))); ++i) Sleep(10);
    ASSERT_TRUE(started) << "the setup never started";
    setup_id = (*started)["process_id"].get<DWORD>();
    elevated.EnsureProcessFinished();
    hung = elevated.hung();
  }
  SetEnvironmentVariableW(L"VORLEX_STAND_IN_SLEEP", nullptr);
  EXPECT_TRUE(hung);
  EXPECT_EQ(process.WaitForExit(5000), 0u);  // terminated with exit code 0
  // The setup the child started is left; end it so it does not outlive the test.
  base::Process setup_process(base::ScopedHandle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, setup_id)), setup_id);
  EXPECT_TRUE(setup_process.Terminate(1));
  (void)setup_process.WaitForExit(10000);
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
