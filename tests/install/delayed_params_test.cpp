#include "install/delayed_params.h"

#include <gtest/gtest.h>

#include <memory>

namespace install {
namespace {

TEST(DelayedParamsTest, LengthLimitsAndCompletion) {
  auto record = std::make_unique<DelayedParams>();
  *record = {};
  DelayedValues values;
  values.browser_arc_path = L"C:\\t\\" + std::wstring(255, L'a');  // 260 characters: fits
  values.installer_data_path = L"C:\\t\\master_preferences";
  values.clids_file_path = L"C:\\t\\clids.xml";
  values.histogram_download_time = L"12";
  values.histogram_full_time = std::wstring(32, L'9');
  values.make_default = true;
  ASSERT_TRUE(WriteDelayedParams(values, record.get()));

  DelayedValues too_long = values;
  too_long.clids_searchband_file_path = std::wstring(261, L'b');
  EXPECT_FALSE(WriteDelayedParams(too_long, record.get()));
  too_long = values;
  too_long.histogram_download_time = std::wstring(33, L'1');
  EXPECT_FALSE(WriteDelayedParams(too_long, record.get()));

  base::CommandLine setup = base::CommandLine::FromArgv(
      {L"fake_browser_arc", L"--progress-window=77", L"--send-statistics", L"--installerdata=old"});
  CompleteSetupCommandLine(*record, &setup);
  EXPECT_EQ(setup.GetProgram(), values.browser_arc_path);
  EXPECT_EQ(setup.RenderArguments(),
            L"--progress-window=77 --installerdata=C:\\t\\master_preferences --clids-file=C:\\t\\clids.xml "
            L"--install-start-time-no-uac=" + std::wstring(32, L'9') +
            L" --make-browser-default-after-import --histogram-download-time=12");
}

TEST(DelayedParamsTest, EmptyRecordLeavesTheProgram) {
  DelayedParams record = {};
  base::CommandLine setup = base::CommandLine::FromArgv({L"C:\\setup.exe", L"--make-browser-default-after-import"});
  CompleteSetupCommandLine(record, &setup);
  EXPECT_EQ(setup.GetProgram(), L"C:\\setup.exe");
  EXPECT_EQ(setup.RenderArguments(), L"");
}

}  // namespace
}  // namespace install
