// Silent installations run by the real installer against the loopback distribution server: the
// exit code, what the setup received, the statistics and the installation report, over HTTP and,
// as in production, over HTTPS.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/json.h"
#include "base/process.h"
#include "base/strings.h"
#include "install/setup_downloader.h"
#include "install/stat_events.h"
#include "support/distribution_test.h"
#include "support/loopback.h"
#include "support/test_util.h"

namespace install {
namespace {

class SilentInstallTest : public test::DistributionTest {
 protected:
  std::optional<DWORD> RunInstaller(const std::wstring& arguments) { return Run(test::InstallerPath(), arguments); }
};

TEST_F(SilentInstallTest, SetupRunsAndItsExitCodeIsTheInstallers) {
  ASSERT_TRUE(ServeSetup(L"stand_in_setup_signed.exe"));
  Env("VORLEX_STAND_IN_EXIT_CODE", "7");
  std::optional<DWORD> code = RunInstaller(L"--silent --send-statistics --custom-switch=kept");
  ASSERT_EQ(code, 7u) << Log();

  auto record = base::ParseJson(base::ReadFileToString(record_).value_or(""));
  ASSERT_TRUE(record) << Log();
  std::wstring command_line = base::Utf8ToWide((*record)["command_line"].get<std::string>());
  base::CommandLine setup = base::CommandLine::FromString(command_line);
  EXPECT_TRUE(base::StartsWith(base::BaseName(setup.GetProgram()), L"vb")) << command_line;
  EXPECT_TRUE(setup.HasSwitch("silent"));
  EXPECT_EQ(setup.GetSwitchValue("custom-switch"), L"kept");
  EXPECT_EQ(setup.GetSwitchValue("progress-window"), L"0");
  EXPECT_TRUE(setup.HasSwitch("verbose-logging"));
  EXPECT_TRUE(setup.HasSwitch("send-statistics"));
  EXPECT_FALSE(setup.HasSwitch("make-browser-default-after-import"));
  EXPECT_EQ(setup.GetSwitchValue("source"), L"lite");
  EXPECT_EQ(setup.GetSwitchValue("installerdata"), temp_ + L"\\master_preferences");
  EXPECT_EQ(setup.GetSwitchValue("clids-file"), temp_ + L"\\clids.xml");
  EXPECT_FALSE(setup.GetSwitchValue("variations-update-path").empty());
  EXPECT_FALSE(setup.GetSwitchValue("install-start-time-no-uac").empty());
  // The setup file is removed after the run; the side files stay for the browser.
  EXPECT_FALSE(base::PathExists(setup.GetProgram()));
  EXPECT_TRUE(base::PathExists(temp_ + L"\\master_preferences"));

  server_.WaitForRequests(prefix_ + "/installstats/", 6);
  EXPECT_EQ(Events(), (std::vector<std::string>{"installer_started", "download/started", "download_attempt/success",
                                              "download/finished", "setup/setup_exe_launched",
                                              "setup/setup_exe_exited!7"}));
  auto reports = server_.WaitForRequests(prefix_ + "/get/browser/install", 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].query.find("&result=success&time="), std::string::npos) << reports[0].query;
  std::string log = Log();
  EXPECT_NE(log.find("INFO: Setup process exit with code: SUCCESS_EXIT_CODE(0); error: 7"), std::string::npos);
  EXPECT_NE(log.find("INFO: Installer exit with code: 7 (wWinMain:"), std::string::npos) << log;
}

// Every endpoint on HTTPS, as in production, with the certificate the test prefix trusts: the
// setup download (its first attempt reset half-way, so that the next one resumes), the
// statistics, the server configuration and the installation report all arrive in TLS.
TEST_F(SilentInstallTest, EverythingOverHttpsWithAResumedDownload) {
  const std::string https = server_.HttpsOrigin(test::Certificate::kGood);
  ASSERT_FALSE(https.empty()) << "the loopback server answers no HTTPS";
  for (const char* service : {"CDN", "STATISTICS", "REPORT", "VARIATIONS", "ABT", "WEBNTP"})
    Env(std::string("VORLEX_") + service + "_URL", https + prefix_);
  ASSERT_TRUE(ServeSetup(L"stand_in_setup_signed.exe"));
  const size_t setup_size =
      base::ReadFileToString(base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe")).value_or("").size();
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/browser/", "drop_after": )" +
                              std::to_string(setup_size / 2) + R"(, "count": 1})"));
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/configs/all_zip", "server-config"));
  const std::wstring kept = scratch_.Child(L"kept");
  Env("VORLEX_STAND_IN_KEEP_SIDE_DATA", base::WideToUtf8(kept));
  Env("VORLEX_STAND_IN_EXIT_CODE", "7");
  ASSERT_EQ(RunInstaller(L"--silent --distr-info-params=scup=1"), 7u) << Log();
  ASSERT_TRUE(base::PathExists(record_));
  EXPECT_EQ(base::ReadFileToString(base::AppendPath(kept, L"server-config-bundle-path")), "server-config");

  std::vector<test::CapturedRequest> stats = server_.WaitForRequests(prefix_ + "/installstats/", 10);
  std::vector<std::string> events = install_test::StatEvents(stats);
  ASSERT_GE(events.size(), 8u) << Log();
  EXPECT_EQ(events[0], "installer_started");
  EXPECT_EQ(events[1], "download/started");
  EXPECT_THAT(events[2], ::testing::StartsWith("download/error!attempt_1_internet_read_"));
  EXPECT_THAT(events[3], ::testing::StartsWith("download_attempt/failed!internet_read_"));
  const std::string& first = stats[3].path;
  const size_t at = first.find("-downloaded_size=");
  ASSERT_NE(at, std::string::npos) << first;
  EXPECT_GE(std::stoull(first.substr(at + 17)), setup_size / 10);  // kept for resuming
  // The second attempt resumes. Wine's WinINet cannot position an HTTP response (12016), so
  // there the kept bytes are dropped and a third attempt fetches the whole file; on Windows the
  // second attempt completes it.
  std::vector<std::string> rest(events.begin() + 4, events.end());
  if (!rest.empty() && rest[0] == "download/error!attempt_2_internet_set_file_pointer_12016") {
    EXPECT_EQ(rest[1], "download_attempt/failed!internet_set_file_pointer_12016");
    rest.erase(rest.begin(), rest.begin() + 2);
  }
  EXPECT_EQ(rest, (std::vector<std::string>{"download_attempt/success", "download/finished",
                                            "setup/setup_exe_launched", "setup/setup_exe_exited!7"}));

  std::vector<test::CapturedRequest> reports = server_.WaitForRequests(prefix_ + "/get/browser/install", 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].query.find("&result=success&time="), std::string::npos) << reports[0].query;
  EXPECT_EQ(server_.Requests(prefix_ + "/configs/all_zip").size(), 1u);
  // Nothing went in the clear.
  for (const test::CapturedRequest& request : server_.Requests(prefix_))
    EXPECT_EQ(request.tls, "good") << request.path;
}

// Whichever server stays silent at the end (the installation report, the statistics, the
// variations seed still being fetched), a distribution program gets the setup's code soon after
// the setup has exited: every request made at the end has time-outs and the ends of the
// statistics and background threads are bounded. (Waiting for the server, the run would still
// be going an hour later.)
TEST_F(SilentInstallTest, SilentServersDoNotHoldTheExitCode) {
  ASSERT_TRUE(ServeSetup(L"stand_in_setup_signed.exe"));
  Env("VORLEX_STAND_IN_EXIT_CODE", "7");
  for (const char* silent : {"/get/browser/install", "/installstats/", "/content/"}) {
    SCOPED_TRACE(silent);
    prefix_ = test::UniquePathPrefix();  // a fresh corner of the server for each run
    ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/browser/vorlex/browser-setup.arc",
                                *base::ReadFileToString(base::AppendPath(test::BuildDir(), L"stand_in_setup_signed.exe"))));
    for (const char* service : {"CDN", "STATISTICS", "REPORT", "VARIATIONS"})
      Env(std::string("VORLEX_") + service + "_URL", server_.Origin() + prefix_);
    ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/installstats/", "status": 200, "body": "ok"})"));
    ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/get/browser/install", "status": 200, "body": "ok"})"));
    ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + silent + R"(", "delay_ms": 3600000})"));
    static_cast<void>(base::DeleteFilePath(base::AppendPath(temp_, L"lite_installer.log")));
    EXPECT_EQ(test::RunAndWait(L"\"" + test::InstallerPath() + L"\" --silent", 90000), 7u) << Log();
    EXPECT_FALSE(server_.Requests(prefix_ + silent).empty()) << Log();
    EXPECT_NE(Log().find("Installer exit with code: 7"), std::string::npos) << Log();
  }
}

TEST_F(SilentInstallTest, ForeignSetupIsNeverRun) {
  ASSERT_TRUE(ServeSetup(L"stand_in_setup_foreign.exe"));
  EXPECT_EQ(RunInstaller(L"--silent"), 402u);
  EXPECT_FALSE(base::PathExists(record_));
  std::string log = Log();
  EXPECT_NE(log.find("ERROR: Module verification failed: "), std::string::npos) << log;
  auto reports = server_.WaitForRequests(prefix_ + "/get/browser/install", 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].query.find("&result=failed&"), std::string::npos) << reports[0].query;
  EXPECT_EQ(reports[0].query.find("download_time="), std::string::npos);  // under a second: left out
}

// Every setup that fails verification ends with 402: it never runs and its file is gone.
TEST_F(SilentInstallTest, UntrustedSetupsAreNeverRun) {
  for (const wchar_t* setup : {L"stand_in_setup_tampered.exe", L"stand_in_setup.exe",
                               L"stand_in_setup_list_key10_signed.exe", L"stand_in_setup_list_bad_signature_signed.exe",
                               L"stand_in_setup_list_certificates_object_signed.exe"}) {
    ASSERT_TRUE(ServeSetup(setup));
    EXPECT_EQ(RunInstaller(L"--silent"), 402u) << setup;
    EXPECT_FALSE(base::PathExists(record_)) << setup;
    EXPECT_TRUE(base::EnumerateFiles(temp_, L"vb*.tmp").empty()) << setup;
  }
}

TEST_F(SilentInstallTest, FailedAttemptIsReported) {
  // Every attempt answers 500; with the product's 15 s back-off the whole run takes over a
  // minute (the in-process installer tests cover all six attempts), so only the first attempt's
  // reports are looked at and the run is then ended.
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/browser/", "status": 500})"));
  base::Process installer = base::Process::Launch(L"\"" + test::InstallerPath() + L"\" --silent");
  ASSERT_TRUE(installer.valid());
  server_.WaitForRequests(prefix_ + "/installstats/", 4, 30000);
  EXPECT_EQ(server_.Requests(prefix_ + "/browser/").size(), 1u);
  std::vector<std::string> events = Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[2], "download/error!attempt_1_final_query_info_500_0");
  EXPECT_EQ(events[3], "download_attempt/failed!final_query_info_500_0");
  installer.Terminate(1);
  static_cast<void>(installer.WaitForExit(10000));
}

// A setup announced at 5 GiB is refused by its length at once: the length is read in full (a
// 32-bit count would see 1 GiB) and is over the setup's ceiling, so nothing is written and no
// part of it is kept for resuming. Only the first attempt is looked at (the back-off between
// attempts is 15 s). The server pauses after its first 256 KiB, as Wine's WinINet reads what is at
// hand of an unread body when the request is closed.
TEST_F(SilentInstallTest, OversizedSetupIsRefusedByItsLength) {
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/browser/", "redirect": ")" + server_.Origin() + prefix_ +
                              R"(/gen/5368709120?lb_delay_body_ms=1000"})"));
  base::Process installer = base::Process::Launch(L"\"" + test::InstallerPath() + L"\" --silent");
  ASSERT_TRUE(installer.valid());
  // Ended however the test ends (a run that streams the body would not end by itself).
  struct Ender {
    const base::Process& process;
    ~Ender() {
      process.Terminate(1);
      static_cast<void>(process.WaitForExit(10000));
    }
  } ender{installer};
  auto requests = server_.WaitForRequests(prefix_ + "/installstats/", 4, 30000);
  std::vector<std::string> events = Events();
  ASSERT_GE(events.size(), 4u) << Log();
  EXPECT_EQ(events[2], "download/error!attempt_1_body_too_large_" + std::to_string(kMaxSetupSize));
  EXPECT_EQ(events[3], "download_attempt/failed!body_too_large_" + std::to_string(kMaxSetupSize));
  EXPECT_NE(requests[3].path.find("-total_size=5368709120,"), std::string::npos) << requests[3].path;
  EXPECT_NE(requests[3].path.find("-downloaded_size=0,"), std::string::npos) << requests[3].path;
}

}  // namespace
}  // namespace install
