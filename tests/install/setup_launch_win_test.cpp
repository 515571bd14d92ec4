#include <gtest/gtest.h>

#include "install/download_plan.h"
#include "install/setup_command_line.h"
#include "install/setup_launch.h"
#include "support/test_util.h"

namespace install {
namespace {

TEST(InterfaceProbeTest, RunsTheInstallerAsAChild) {
  int64_t code = -5;
  // Before Windows 10 nothing runs and the code stays.
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck({6, 9600, 0}, test::InstallerPath(), &code));
  EXPECT_EQ(code, -5);
  // Newer builds are known to work without asking.
  EXPECT_TRUE(IsInternalInterfaceAvailableSafeCheck({13, 17763, 55}, L"", &code));
  EXPECT_EQ(code, 177630055);
  EXPECT_TRUE(IsInternalInterfaceAvailableSafeCheck({12, 17134, 319}, L"", &code));
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck({12, 17134, 318}, L"Z:\\missing\\installer.exe", &code));
  EXPECT_EQ(code, 4171340318);
  // The real child answers 701 under Wine: state 2.
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck({7, 10240, 9000}, test::InstallerPath(), &code));
  EXPECT_EQ(code, 2102400000);
  EXPECT_EQ(InterfaceAvailabilityCode(1, 29497, 7296), 1000000000);
}

}  // namespace
}  // namespace install
