#include "install/environment_checks.h"

#include <gtest/gtest.h>

namespace install {
namespace {

TEST(EnvironmentChecksTest, CpuDiskAndCryptoPro) {
  EXPECT_EQ(CpuMessageId(true, true), 0);
  EXPECT_EQ(CpuMessageId(true, false), 413);
  EXPECT_EQ(CpuMessageId(false, false), 413);  // SSE3 missing is reported first
  EXPECT_EQ(CpuMessageId(false, true), 441);
  int message = -1;
  EXPECT_TRUE(IsCpuSupported(&message));  // this machine (and Wine) reports SSE2 and SSE3
  EXPECT_EQ(message, 0);

  EXPECT_TRUE(EnoughSpace(629145600, kRequiredDiskSpace));
  EXPECT_FALSE(EnoughSpace(629145599, kRequiredDiskSpace));
  EXPECT_TRUE(EnoughSpace(std::nullopt, kRequiredDiskSpace));  // unmeasurable passes
  EXPECT_TRUE(HasEnoughDiskSpace(false, 1));
  EXPECT_FALSE(HasEnoughDiskSpace(true, UINT64_MAX));

  EXPECT_TRUE(IsCryptoProConflict(0xC06D007E, "CPLib.DLL", "Get_CryptoPro_Thing"));
  EXPECT_FALSE(IsCryptoProConflict(0xC06D007E, "other.dll", "cryptopro"));
  EXPECT_FALSE(IsCryptoProConflict(0xC06D007F, "cplib.dll", "cryptopro"));
  EXPECT_FALSE(IsCryptoProConflict(0xC06D007E, "cplib.dll", "crypto_pro"));
}

}  // namespace
}  // namespace install
