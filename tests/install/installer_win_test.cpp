// The Installer in this process, with a recording delegate and a short download back-off: the
// download attempts and their reports, URL changes, cancellation, and what the window is told.
#include "install/installer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <mutex>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/registry.h"
#include "base/strings.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "install/installer_delegate.h"
#include "install/mapped_installer_record.h"
#include "install/stat_events.h"
#include "support/log_capture.h"
#include "support/loopback.h"
#include "support/scratch_current_user.h"
#include "support/test_util.h"

namespace install {
namespace {

class RecordingDelegate : public InstallerDelegate {
 public:
  void OnDownloadProgress(float) override {}
  void OnSlowDownload() override {}
  void OnTimeLeft(int seconds, int state) override { Add("time_left " + std::to_string(seconds)); }
  void OnFinished(int code) override { Add("finished " + std::to_string(code)); }
  void OnResult(int failure) override { Add("result " + std::to_string(failure)); }
  HWND GetWindow() override { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)); }
  void SetPercentage(int percentage) override { Add("percentage " + std::to_string(percentage)); }
  void DropCancel() override { Add("drop_cancel"); }
  // Everything but the time-left estimates, which depend on the transfer's pace.
  std::vector<std::string> calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> calls;
    for (const std::string& call : calls_)
      if (call.rfind("time_left", 0) != 0) calls.push_back(call);
    return calls;
  }

 private:
  void Add(std::string call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
  }
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.ok());
    prefix_ = test::UniquePathPrefix();
    for (const char* service : {"STATISTICS", "REPORT", "CDN"}) {
      std::string assignment = std::string("VORLEX_") + service + "_URL=" + server_.Origin() + prefix_;
      _putenv(assignment.c_str());
    }
    _putenv(("VORLEX_STAND_IN_RECORD=" + base::WideToUtf8(scratch_.Child(L"record.json"))).c_str());
    ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/installstats/", "status": 200, "body": "ok"})"));
    ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/get/", "status": 200, "body": "ok"})"));
    auto setup = base::ReadFileToString(base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe"));
    ASSERT_TRUE(setup && server_.PutFile(prefix_.substr(1) + "/good/setup.exe", *setup));
    environment_.verify_setup = [](const std::wstring&) { return true; };
    environment_.user_id = [] { return std::string("{TEST-UID}"); };
    environment_.download_backoff_ms = 10;
    environment_.browser_window_poll_ms = 50;
    environment_.command_line = base::CommandLine::ForCurrentProcess();
  }
  void TearDown() override {
    for (const char* name : {"VORLEX_STATISTICS_URL=", "VORLEX_REPORT_URL=", "VORLEX_CDN_URL=",
                             "VORLEX_STAND_IN_RECORD="})
      _putenv(name);
  }
  // A brand whose configuration names the setup URLs (relative to this test's prefix).
  std::unique_ptr<distrib::BrandInfo> Brand(const std::string& setup_url, const std::string& setup_url64 = "") {
    auto brand = std::make_unique<distrib::BrandInfo>(scratch_.path() + L"\\");
    std::string config = R"({"brand_id": "vorlex", "install": {"setup_url": ")" + Url(setup_url) + "\"";
    if (!setup_url64.empty()) config += R"(, "setup_url64": ")" + Url(setup_url64) + "\"";
    brand->ParseConfig(config + "}}");
    brand->ApplyDefaults();
    return brand;
  }
  std::string Url(const std::string& path) const { return server_.Origin() + prefix_ + path; }
  std::vector<std::string> Events() { return install_test::StatEvents(server_.Requests(prefix_ + "/installstats/")); }

  test::Loopback server_ = test::Loopback::Server();
  test::ScratchDir scratch_;
  std::string prefix_;
  InstallerEnvironment environment_;
};

TEST_F(InstallerTest, EveryAttemptFailsWith401AndIsReported) {
  auto brand = Brand("/missing/setup.exe");
  distrib::DistribParams distrib("vup=0");
  RecordingDelegate delegate;
  int result = 0;
  {
    Installer installer(&delegate, brand.get(), &distrib, false, environment_);
    installer.RunSynchronously();
    result = installer.result_code();
    // Reports still queued go with the installer: wait for them while it lives.
    server_.WaitForRequests(prefix_ + "/installstats/", 14);
  }
  EXPECT_EQ(result, kExitSetupNotObtained);
  EXPECT_EQ(server_.Requests(prefix_ + "/missing/").size(), 6u);
  std::vector<std::string> events = Events();
  ASSERT_EQ(events.size(), 14u);
  EXPECT_EQ(events[1], "download/started");
  EXPECT_EQ(events[2], "download/error!attempt_1_final_query_info_404_0");
  EXPECT_EQ(events[3], "download_attempt/failed!final_query_info_404_0");
  EXPECT_EQ(events[13], "download_attempt/failed!final_query_info_404_0");
  // The window hears the failure; the worker's last check finds no browser either.
  EXPECT_EQ(delegate.calls(), (std::vector<std::string>{"result 2", "finished 1"}));
  auto reports = server_.Requests(prefix_ + "/get/browser/install");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].query.find("result=failed"), std::string::npos);
}

// A setup server whose certificate is refused never serves the setup, though the file is there
// and this test's check would accept it: every attempt fails at the open with WinINet's error in
// its tag, no request reaches the server, nothing runs, and the installation ends with 401.
TEST_F(InstallerTest, SetupServerWithBadCertificateIsNeverUsed) {
  const struct {
    test::Certificate certificate;
    const char* tag;
  } kCases[] = {{test::Certificate::kWrongHost, "internet_open_url_12038"},
                {test::Certificate::kExpired, "internet_open_url_12037"},
                {test::Certificate::kUntrusted, "internet_open_url_12045"}};
  size_t reported = 0;
  for (const auto& refused : kCases) {
    const std::string origin = server_.HttpsOrigin(refused.certificate);
    ASSERT_FALSE(origin.empty()) << "the loopback server answers no HTTPS";
    auto brand = std::make_unique<distrib::BrandInfo>(scratch_.path() + L"\\");
    brand->ParseConfig(R"({"brand_id": "vorlex", "install": {"setup_url": ")" + origin + prefix_ +
                       R"(/good/setup.exe"}})");
    brand->ApplyDefaults();
    distrib::DistribParams distrib("vup=0");
    int result = 0;
    {
      Installer installer(nullptr, brand.get(), &distrib, false, environment_);
      installer.RunSynchronously();
      result = installer.result_code();
      reported += 14;  // started, download started, six failed attempts of two reports each
      server_.WaitForRequests(prefix_ + "/installstats/", reported);
    }
    EXPECT_EQ(result, kExitSetupNotObtained) << origin;
    std::vector<std::string> events = Events();
    ASSERT_EQ(events.size(), reported) << origin;
    for (size_t i = reported - 12; i < reported; i += 2) {
      EXPECT_EQ(events[i], "download/error!attempt_" + std::to_string((i - (reported - 12)) / 2 + 1) + "_" +
                               refused.tag);
      EXPECT_EQ(events[i + 1], std::string("download_attempt/failed!") + refused.tag);
    }
  }
  EXPECT_TRUE(server_.Requests(prefix_ + "/good/").empty());
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"record.json")));
}

TEST_F(InstallerTest, SetupFileThatCannotBeCreatedIsNotObtained) {
  // Another program holds the setup file without sharing from the moment it is picked.
  base::ScopedFile holder;
  std::wstring path;
  environment_.create_temp_file = [&](const std::wstring& dir, const std::wstring& prefix) {
    path = base::CreateTemporaryFileIn(dir, prefix);
    holder.reset(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return path;
  };
  auto brand = Brand("/good/setup.exe");
  distrib::DistribParams distrib("vup=0");
  test::LogCapture log;
  Installer installer(nullptr, brand.get(), &distrib, false, environment_);
  installer.RunSynchronously();
  ASSERT_TRUE(holder.valid());
  EXPECT_EQ(installer.result_code(), kExitSetupNotObtained);
  EXPECT_TRUE(server_.Requests(prefix_ + "/good/").empty());
  std::vector<std::string> lines = log.At("GetModule");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("Module was not downloaded: " + base::WideToUtf8(path), 0), 0u) << lines[0];
}

TEST_F(InstallerTest, TwoUrlsTakeThreeAttemptsEachAndALaterSuccessEndsTheExperiment) {
  // The 64-bit experiment chooses 64 bits; that URL fails three times, the default one serves.
  auto hkcu = std::make_unique<test::ScratchCurrentUser>();
  auto brand = Brand("/good/setup.exe", "/x64/setup.exe");
  distrib::DistribParams distrib("vup=0&try_x64=1&x64_ram=1024");
  environment_.machine = {true, 1ull << 32, true};
  _putenv("VORLEX_STAND_IN_EXIT_CODE=3");
  int result = 0;
  {
    Installer installer(nullptr, brand.get(), &distrib, false, environment_);
    installer.RunSynchronously();
    result = installer.result_code();
    server_.WaitForRequests(prefix_ + "/installstats/", 12);
  }
  _putenv("VORLEX_STAND_IN_EXIT_CODE=");
  base::RegistryKey product = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_READ);
  std::optional<std::wstring> stored = product.valid() ? product.ReadString(L"try_x64") : std::nullopt;
  hkcu.reset();

  EXPECT_EQ(result, 3);
  EXPECT_EQ(stored, L"2");  // success only on a later URL switches the experiment off
  EXPECT_EQ(server_.Requests(prefix_ + "/x64/").size(), 3u);
  EXPECT_EQ(server_.Requests(prefix_ + "/good/").size(), 1u);
  std::vector<std::string> events = Events();
  EXPECT_EQ(events[8], "download_attempt/success");
  EXPECT_EQ(events.back(), "setup/setup_exe_exited");  // exit code 3 carries no error
  auto attempts = server_.Requests(prefix_ + "/installstats/");
  EXPECT_NE(attempts[8].path.find("-attempt_number=4,"), std::string::npos) << attempts[8].path;
  EXPECT_NE(attempts[8].path.find("-x64=1"), std::string::npos) << attempts[8].path;
}

// Whether this process runs on 64-bit Windows, asked another way than the installer asks: a 64-bit
// process, or a 32-bit one under WOW64 (the i686 build in the test prefix, as on nearly every
// user's machine).
bool RunsOn64BitWindows() {
  if (sizeof(void*) == 8) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

TEST_F(InstallerTest, ThisMachineDecidesTheExperimentAndA64BitSystemTakesThe64BitSetup) {
  // The test runner says which prefix it made; a 64-bit one must look 64-bit from here too.
  char prefix_arch[16] = {};
  if (GetEnvironmentVariableA("VORLEX_PREFIX_ARCH", prefix_arch, sizeof(prefix_arch)) &&
      std::string(prefix_arch) == "win64") {
    ASSERT_TRUE(RunsOn64BitWindows());
  }
  const bool x64 = RunsOn64BitWindows();
  auto setup = base::ReadFileToString(base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe"));
  ASSERT_TRUE(setup && server_.PutFile(prefix_.substr(1) + "/x64/setup.exe", *setup));
  auto hkcu = std::make_unique<test::ScratchCurrentUser>();
  auto brand = Brand("/good/setup.exe", "/x64/setup.exe");
  distrib::DistribParams distrib("vup=0&try_x64=1&x64_ram=1024");
  environment_.machine = MachineFacts::Current();
  environment_.machine.coin = true;  // the experiment's draw is not what this test is about
  {
    Installer installer(nullptr, brand.get(), &distrib, false, environment_);
    installer.RunSynchronously();
    EXPECT_EQ(installer.result_code(), 0);
    server_.WaitForRequests(prefix_ + "/installstats/", 6);
  }
  base::RegistryKey product = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_READ);
  std::optional<std::wstring> stored = product.valid() ? product.ReadString(L"try_x64") : std::nullopt;
  hkcu.reset();

  EXPECT_EQ(environment_.machine.native_x64, x64);
  EXPECT_EQ(server_.Requests(prefix_ + "/x64/").size(), x64 ? 1u : 0u);
  EXPECT_EQ(server_.Requests(prefix_ + "/good/").size(), x64 ? 0u : 1u);
  EXPECT_EQ(stored, x64 ? std::optional<std::wstring>(L"1") : std::nullopt);
  auto attempts = server_.Requests(prefix_ + "/installstats/");
  ASSERT_GE(attempts.size(), 3u);
  EXPECT_EQ(attempts[2].path.find("-x64=1") != std::string::npos, x64) << attempts[2].path;
}

// With "do-not-launch-browser" the window is told 100 % and finished as soon as the setup has
// finished. Without it the window waits for the browser's message window, which the stand-in does
// not leave: finished at the first check, and the installer never sets 100 % itself.
TEST_F(InstallerTest, DoNotLaunchBrowserFinishesTheWindowAtOnce) {
  auto brand = Brand("/good/setup.exe");
  auto run = [&](bool do_not_launch) {
    base::CommandLine& command_line = environment_.command_line;
    if (do_not_launch) command_line.AppendSwitch("do-not-launch-browser");
    distrib::DistribParams distrib("vup=0");
    RecordingDelegate delegate;
    {
      Installer installer(&delegate, brand.get(), &distrib, false, environment_);
      installer.RunSynchronously();
      EXPECT_EQ(installer.result_code(), 0);
    }
    command_line.RemoveSwitch("do-not-launch-browser");
    return delegate.calls();
  };
  EXPECT_EQ(run(true), (std::vector<std::string>{"percentage 40", "drop_cancel", "percentage 100", "finished 1"}));
  EXPECT_EQ(run(false), (std::vector<std::string>{"percentage 40", "drop_cancel", "finished 1"}));
}

TEST_F(InstallerTest, CancelledInstallationIsReportedAsSuch) {
  auto brand = Brand("/missing/setup.exe");
  distrib::DistribParams distrib("vup=0");
  RecordingDelegate delegate;
  {
    Installer installer(&delegate, brand.get(), &distrib, false, environment_);
    installer.Cancel();
    installer.Start();
    server_.WaitForRequests(prefix_ + "/missing/", 1);
    EXPECT_TRUE(installer.WaitForInstallAsync());
  }
  // No attempt is reported once the user cancelled, and the stopped run tells the window nothing.
  for (const std::string& event : Events()) EXPECT_EQ(event.find("download_attempt"), std::string::npos) << event;
  EXPECT_EQ(delegate.calls(), std::vector<std::string>());
  auto reports = server_.WaitForRequests(prefix_ + "/get/browser/install", 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].query.find("result=cancelled"), std::string::npos);
}

// A failed verification keeps the registry hand-off for a later run; a successful installation
// removes it.
TEST_F(InstallerTest, FailedVerificationKeepsTheHandOffForALaterRun) {
  test::ScratchCurrentUser hkcu;
  auto brand = Brand("/good/setup.exe");
  const std::wstring preferences = scratch_.Child(L"master_preferences");
  {
    distrib::DistribParams distrib("vup=0");
    environment_.verify_setup = [](const std::wstring&) { return false; };
    Installer installer(nullptr, brand.get(), &distrib, false, environment_);
    installer.RunSynchronously();
    ASSERT_EQ(installer.result_code(), kExitVerificationFailed);
    // The reports still queued go with the installer: wait for them while it lives.
    server_.WaitForRequests(prefix_ + "/installstats/", 5);
  }
  EXPECT_EQ(Events().back(), "verification/error");
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"record.json")));
  EXPECT_TRUE(base::PathExists(preferences));
  EXPECT_EQ(hkcu.ProductValue(L"InstallerData"), preferences);
  {
    distrib::DistribParams distrib("vup=0");
    environment_.verify_setup = [](const std::wstring&) { return true; };
    Installer installer(nullptr, brand.get(), &distrib, false, environment_);
    installer.RunSynchronously();
    ASSERT_EQ(installer.result_code(), 0);
  }
  EXPECT_TRUE(base::PathExists(scratch_.Child(L"record.json")));
  EXPECT_EQ(hkcu.ProductValue(L"InstallerData"), std::nullopt);
}

// The elevated copy checks the setup again and refuses it (here: this process's own check passes
// a setup that no trusted list names): the installation fails with 402 as a refusal of its own
// would, and nothing runs.
TEST_F(InstallerTest, SetupRefusedByTheElevatedCopyFailsWith402) {
  test::ScopedTempDirectory temp(scratch_.path());  // the copy's work folder is this one's
  install_test::MappedInstallerRecord record;
  ASSERT_TRUE(record.get());
  auto foreign = base::ReadFileToString(base::AppendPath(test::BuildDir(), L"stand_in_setup_foreign.exe"));
  ASSERT_TRUE(foreign && server_.PutFile(prefix_.substr(1) + "/foreign/setup.exe", *foreign));
  auto brand = Brand("/foreign/setup.exe");
  distrib::DistribParams distrib("vup=0");
  base::CommandLine installer_line;
  installer_line.SetProgram(test::InstallerPath());
  environment_.command_line = installer_line;
  environment_.hand_off_record = record.get();
  test::LogCapture log;
  int result = 0;
  {
    Installer installer(nullptr, brand.get(), &distrib, false, environment_);
    ASSERT_TRUE(installer.StartElevatedInstaller());
    installer.RunSynchronously();
    result = installer.result_code();
    server_.WaitForRequests(prefix_ + "/installstats/", 7);
  }
  EXPECT_EQ(result, kExitVerificationFailed);
  std::vector<std::string> events = Events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
            (std::vector<std::string>{"setup/setup_exe_launched", "verification/error",
                                      "setup/setup_exe_exited!FailedToStart"}));
  std::vector<std::string> lines = log.At("ObtainVerifyAndRun");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("Module verification failed: " + base::WideToUtf8(scratch_.path()), 0), 0u)
      << lines.back();
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"record.json")));
  std::string child_log = base::ReadFileToString(scratch_.Child(L"lite_installer.log")).value_or("");
  EXPECT_NE(child_log.find("ERROR: Module verification failed: "), std::string::npos) << child_log;
  auto reports = server_.WaitForRequests(prefix_ + "/get/browser/install", 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].query.find("result=failed"), std::string::npos);
}

// A failed transfer keeps its partial data for the next attempt only from 10 % of the announced
// size on; the attempt reports show what was kept.
TEST_F(InstallerTest, PartialDataBelowTenPercentIsDiscarded) {
  auto setup = base::ReadFileToString(base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe"));
  ASSERT_TRUE(setup && server_.PutFile(prefix_.substr(1) + "/partial/setup.exe", *setup));
  const size_t size = setup->size();
  // Newest rules match first: 5 % then 50 % of the file, then the whole file.
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/partial/", "drop_after": )" +
                              std::to_string(size / 2) + R"(, "count": 1})"));
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/partial/", "drop_after": )" +
                              std::to_string(size / 20) + R"(, "count": 1})"));
  auto brand = Brand("/partial/setup.exe");
  distrib::DistribParams distrib("vup=0");
  int result = -1;
  {
    Installer installer(nullptr, brand.get(), &distrib, false, environment_);
    installer.RunSynchronously();
    result = installer.result_code();
    // Up to the success: started, download started, two failed attempts with their errors.
    server_.WaitForRequests(prefix_ + "/installstats/", 7);
  }
  EXPECT_EQ(result, 0);
  std::vector<std::string> sizes;
  for (const auto& request : server_.Requests(prefix_ + "/installstats/")) {
    size_t at = request.path.find("-downloaded_size=");
    if (at != std::string::npos && request.path.find("-status=failed") != std::string::npos)
      sizes.push_back(request.path.substr(at + 17, request.path.find(',', at) - at - 17));
  }
  ASSERT_GE(sizes.size(), 2u);
  EXPECT_EQ(sizes[0], "0");                          // 5 %: discarded
  // 50 %: kept for resuming (what arrived in whole blocks before the reset).
  EXPECT_GE(std::stoull(sizes[1]), size / 10);
  EXPECT_LE(std::stoull(sizes[1]), size / 2);
}

// All five background tasks: their paths reach the setup, and what the setup finds there is what
// the server served. The setup download is slowed so that the tasks are done by then.
TEST_F(InstallerTest, SideDataReachesTheSetup) {
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/seed", "variations-body"));
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/abt", "abt-body"));
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/ntp/update.json",
                              R"({"version": "1", "main_html": "i.html", "resources": ["js/r.js"]})"));
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/ntp/i.html", "<html>"));
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/ntp/js/r.js", "r"));
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/configs/all_zip", "server-config"));
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/wall/pack-2.zip", "wallpapers"));
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/seed", "headers": [["X-Seed-Signature", "s1"]]})"));
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/abt", "headers": [["X-Seed-Signature", "s2"]]})"));
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/good/", "delay_ms": 1500})"));
  auto brand = std::make_unique<distrib::BrandInfo>(scratch_.path() + L"\\");
  brand->ParseConfig(R"({"brand_id": "vorlex", "urls": {"variations": ")" + Url("/seed") + R"(", "abt": ")" +
                     Url("/abt") + R"(", "webntp": ")" + Url("/ntp") + R"("}, "install": {"setup_url": ")" +
                     Url("/good/setup.exe") + R"(", "preloaded_wallpapers_url": ")" + Url("/wall/") + R"("}})");
  brand->ApplyDefaults();
  distrib::DistribParams distrib("vup=1&abtup=1&webntp=1&scup=1&pwexp=pack-2.zip");
  std::wstring kept = scratch_.Child(L"kept");
  _putenv(("VORLEX_STAND_IN_KEEP_SIDE_DATA=" + base::WideToUtf8(kept)).c_str());
  int result = -1;
  {
    Installer installer(nullptr, brand.get(), &distrib, true, environment_);
    installer.RunSynchronously();
    result = installer.result_code();
  }
  _putenv("VORLEX_STAND_IN_KEEP_SIDE_DATA=");
  EXPECT_EQ(result, 0);
  auto read = [&](const wchar_t* name) { return base::ReadFileToString(base::AppendPath(kept, name)).value_or("<none>"); };
  EXPECT_NE(read(L"variations-update-path").find("\"variations_seed_base64\":\"dmFyaWF0aW9ucy1ib2R5\""),
            std::string::npos);
  EXPECT_NE(read(L"abt-update-path").find("\"variations_seed_signature\":\"s2\""), std::string::npos);
  EXPECT_EQ(read(L"webntp-path\\webntp\\js\\r.js"), "r");
  EXPECT_EQ(read(L"webntp-path\\webntp\\flag"), "");
  EXPECT_EQ(read(L"server-config-bundle-path"), "server-config");
  EXPECT_EQ(read(L"preloaded-wallpaper-bundle-path"), "wallpapers");
  auto configs = server_.Requests(prefix_ + "/configs/all_zip");
  ASSERT_EQ(configs.size(), 1u);
  EXPECT_EQ(configs[0].query, "brandID=vorlex");
}

}  // namespace
}  // namespace install
