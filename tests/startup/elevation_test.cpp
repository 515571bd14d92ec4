#include "startup/elevation.h"

#include <gtest/gtest.h>

#include "base/os_version.h"

namespace startup {
namespace {

TEST(ElevationTest, NeedStartThisProcessAsAdminTable) {
  auto need = [](const wchar_t* args, ElevationFacts facts) {
    return NeedStartThisProcessAsAdmin(base::CommandLine::FromString(std::wstring(L"x.exe ") + args), facts);
  };
  ElevationFacts admin{true, base::kVersionWin10, false};
  EXPECT_TRUE(need(L"", admin));
  EXPECT_FALSE(need(L"", {false, base::kVersionWin10, true}));        // not in the admin group
  EXPECT_FALSE(need(L"", {true, base::kVersionServer2003, false}));   // XP and Server 2003
  EXPECT_TRUE(need(L"", {true, base::kVersionVista, false}));
  EXPECT_FALSE(need(L"--pttw0", admin));                               // a non-install switch
  EXPECT_FALSE(need(L"--run-as-admin", admin));
  EXPECT_FALSE(need(L"--silent", admin));                              // silent under UAC: no prompt
  EXPECT_TRUE(need(L"--silent --uac-enabled", admin));
  EXPECT_TRUE(need(L"--semi-silent", admin));
  EXPECT_TRUE(need(L"--silent", {true, base::kVersionWin10, true}));  // already elevated or UAC off
}

TEST(ElevationTest, SystemFacts) {
  // Wine's user is an administrator.
  EXPECT_TRUE(IsUserAnAdminGroup(GetCurrentProcess()));
  (void)AreUACNotificationsEnabled();  // reads without failing; the value is the prefix's
}

}  // namespace
}  // namespace startup
