#include <gtest/gtest.h>

#include "install/download_plan.h"
#include "install/environment_checks.h"
#include "install/installation_report.h"
#include "install/setup_command_line.h"
#include "install/exit_codes.h"

namespace install {
namespace {

TEST(SetupCommandLineTest, DirectPathInOrder) {
  base::CommandLine installer = base::CommandLine::FromString(
      L"inst.exe --silent --send-statistics --brand-name=old --custom=keep");
  SetupCommandLineInputs in;
  in.program = L"C:\\t\\vb1.tmp";
  in.uac_declined = true;
  in.progress_window = 0x1234;
  in.brand_name = "vorlex";
  in.distrib_info_file = L"C:\\t\\distrib_info";
  in.make_default = true;
  in.ok_time = 11;
  in.interface_availability = 2102400000;
  in.installer_data = L"C:\\t\\master_preferences";
  in.clids = L"C:\\t\\clids.xml";
  in.brand_package = L"C:\\t\\brand.cab";
  in.uac_mode = distrib::kUacAtBrowserStart;
  in.tasks_exist = true;
  in.variations_path = L"C:\\t\\vup";
  in.previous_run_failed = true;
  base::CommandLine line = BuildSetupCommandLine(installer, in);
  EXPECT_EQ(line.Render(),
            L"\"C:\\t\\vb1.tmp\" --silent --brand-name=vorlex --custom=keep --disable-uac --progress-window=4660 "
            L"--verbose-logging --distr-info-file=C:\\t\\distrib_info --make-browser-default-after-import "
            L"--ok-button-pressed-time=11 --the-interface-availability=2102400000 "
            L"--installerdata=C:\\t\\master_preferences --clids-file=C:\\t\\clids.xml "
            L"--brand-package=C:\\t\\brand.cab --show-uac-at-browser-start --variations-update-path=C:\\t\\vup "
            L"--do-not-launch-browser");
}

TEST(SetupCommandLineTest, ElevationPathHasNoFilesAndSilentRunsGetWindowZero) {
  base::CommandLine installer = base::CommandLine::FromString(L"inst.exe --do-not-launch-browser");
  SetupCommandLineInputs in;
  in.program = kElevatedPlaceholderProgram;
  in.with_files = false;
  in.installer_data = L"C:\\t\\master_preferences";
  in.tasks_exist = true;
  in.previous_run_failed = true;
  base::CommandLine line = BuildSetupCommandLine(installer, in);
  EXPECT_EQ(line.Render(),
            L"\"fake_browser_arc\" --do-not-launch-browser --progress-window=0 --verbose-logging --brand-name");
}

TEST(DownloadPlanTest, UrlListAttemptsAndPartialData) {
  SetupUrlConfig config{"http://h/def", "http://h/ver", "http://h/x64", ""};
  EXPECT_EQ(BuildSetupUrlList(config, Arch::k64, 4, true, "http://cdn"),
            (std::vector<std::string>{"http://h/x64?from_installer=true", "http://h/ver?from_installer=true",
                                      "http://h/def?from_installer=true"}));
  EXPECT_EQ(BuildSetupUrlList(config, Arch::k32, 7, false, "http://cdn"),
            (std::vector<std::string>{"?from_installer=true", "http://h/def?from_installer=true"}));
  EXPECT_EQ(BuildSetupUrlList(config, Arch::k64, 3, true, "http://cdn"),
            (std::vector<std::string>{"http://cdn/browser-partners/_xp_builds/browser-setup.arc?from_installer=true"}));
  EXPECT_EQ(BuildSetupUrlList(config, Arch::kNoChoice, 2, false, "c").size(), 1u);  // Server 2003 is not XP
  // An architecture URL left empty does not count as an address; the list of an unconfigured
  // brand has none.
  EXPECT_TRUE(HasSetupAddress(BuildSetupUrlList(config, Arch::k32, 7, false, "http://cdn")));
  EXPECT_FALSE(HasSetupAddress(BuildSetupUrlList(SetupUrlConfig{}, Arch::k64, 7, true, "http://cdn")));
  EXPECT_FALSE(HasSetupAddress({}));

  EXPECT_EQ(PlanAttempts(1).max_attempts, 6);
  EXPECT_EQ(PlanAttempts(1).per_url, 6);
  EXPECT_EQ(PlanAttempts(2).max_attempts, 6);
  EXPECT_EQ(PlanAttempts(3).per_url, 3);
  EXPECT_EQ(PlanAttempts(3).max_attempts, 9);

  EXPECT_TRUE(KeepPartialDownload(100, 1000));
  EXPECT_FALSE(KeepPartialDownload(99, 1000));
  EXPECT_TRUE(KeepPartialDownload(1, 0));  // unknown length: always resume
  EXPECT_TRUE(KeepPartialDownload(0, 9));  // 9 * 10 / 100 == 0
}

TEST(DownloadPlanTest, VersionedUrlAndArchState) {
  const uint64_t kDay = 86400ull * 1000000;
  uint64_t now = 13'400'000'000ull * 1000000;
  EXPECT_EQ(CheckVersionedSetupUrl("http://h/{ver}", now, now), VersionedUrlVerdict::kPlaceholder);
  EXPECT_EQ(CheckVersionedSetupUrl("", now, now), VersionedUrlVerdict::kEmpty);
  EXPECT_EQ(CheckVersionedSetupUrl("http://h/v", std::nullopt, now), VersionedUrlVerdict::kNoDate);
  EXPECT_EQ(CheckVersionedSetupUrl("http://h/v", 0, now), VersionedUrlVerdict::kNoDate);
  EXPECT_EQ(CheckVersionedSetupUrl("http://h/v", now - 29 * kDay, now), VersionedUrlVerdict::kAllowed);
  EXPECT_EQ(CheckVersionedSetupUrl("http://h/v", now - 30 * kDay, now), VersionedUrlVerdict::kTooOld);

  EXPECT_EQ(ArchStateAfterDownload(Arch::k64, true), L"1");
  EXPECT_EQ(ArchStateAfterDownload(Arch::k32, true), L"0");
  EXPECT_EQ(ArchStateAfterDownload(Arch::k64, false), L"2");
  EXPECT_FALSE(ArchStateAfterDownload(Arch::kNoChoice, true));
  EXPECT_EQ(ParseStoredArch(L"2"), StoredArch::kDisabled);
  EXPECT_EQ(ParseStoredArch(L"x"), StoredArch::kNone);
}


TEST(ExitCodeNameTest, HighByteNamesAndDetail) {
  EXPECT_EQ(ExitCodeName(16777221), "GENERIC_ERROR(1); error: 5");
  EXPECT_EQ(ExitCodeName(3), "SUCCESS_EXIT_CODE(0); error: 3");
  EXPECT_EQ(ExitCodeName(0x02000007), "Exit code: 2; error: 7");
  EXPECT_EQ(ExitCodeName(0x75FFFFFF), "UNABLE_TO_SET_DIRECTORY_ACL(117); error: 16777215");
  EXPECT_EQ(ExitCodeName(0xFFFFFFFF), "Exit code: 255; error: 16777215");
}

TEST(ExitCodeNameTest, SetupExitedErrorOnlyForUnexpectedEnds) {
  EXPECT_EQ(SetupExitedError(false, false, 0), L"FailedToStart");
  EXPECT_EQ(SetupExitedError(false, true, kExitNotFinished), L"FailedToStart");
  for (int expected : {1, 3, 5}) EXPECT_EQ(SetupExitedError(true, false, expected), L"") << expected;
  EXPECT_EQ(SetupExitedError(true, false, 0), L"0");
  EXPECT_EQ(SetupExitedError(true, false, 7), L"7");
  EXPECT_EQ(SetupExitedError(true, false, 16777221), L"16777221");
  // Through the elevated copy only a refusal changes the result.
  EXPECT_EQ(SetupExitedError(true, true, kExitNotFinished), L"");
  EXPECT_EQ(SetupExitedError(true, true, kExitVerificationFailed), L"402");
  EXPECT_EQ(SetupExitedError(true, true, 3), L"3");
}

TEST(InstallationReportTest, ResultAndTimes) {
  install::InstallationReport report;
  report.user_id = "ABC-1";
  report.succeeded = true;
  report.total_seconds = 95;
  report.download_seconds = 40;
  report.setup_seconds = 51;
  EXPECT_EQ(install::BuildInstallationReportUrl("http://report.test", report),
            "http://report.test/get/browser/install?ui=ABC-1&result=success&time=95&download_time=40"
            "&install_time=51");

  // Times of 0 are left out; a failure says so.
  report.succeeded = false;
  report.download_seconds = 0;
  report.setup_seconds = 0;
  EXPECT_EQ(install::BuildInstallationReportUrl("http://report.test", report),
            "http://report.test/get/browser/install?ui=ABC-1&result=failed&time=95");

  // A cancel request wins over the result, success included.
  report.succeeded = true;
  report.cancelled = true;
  report.setup_seconds = 3;
  EXPECT_EQ(install::BuildInstallationReportUrl("http://o", report),
            "http://o/get/browser/install?ui=ABC-1&result=cancelled&time=95&install_time=3");
}

}  // namespace
}  // namespace install
