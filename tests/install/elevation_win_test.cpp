#include "install/elevation.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <thread>

#include "base/os_version.h"
#include "base/registry.h"

namespace install {
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

  // UAC notifications follow the policy value; the prefix's own value is put back afterwards.
  const wchar_t kPolicies[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
  base::RegistryKey key = base::RegistryKey::Create(HKEY_LOCAL_MACHINE, kPolicies, KEY_ALL_ACCESS);
  ASSERT_TRUE(key.valid());
  const std::optional<DWORD> saved = key.ReadDword(L"ConsentPromptBehaviorAdmin");
  ASSERT_EQ(key.WriteDword(L"ConsentPromptBehaviorAdmin", 5), ERROR_SUCCESS);
  EXPECT_TRUE(AreUACNotificationsEnabled());
  ASSERT_EQ(key.WriteDword(L"ConsentPromptBehaviorAdmin", 0), ERROR_SUCCESS);
  EXPECT_FALSE(AreUACNotificationsEnabled());
  (void)key.DeleteValue(L"ConsentPromptBehaviorAdmin");
  EXPECT_FALSE(AreUACNotificationsEnabled());
  if (saved) {
    EXPECT_EQ(key.WriteDword(L"ConsentPromptBehaviorAdmin", *saved), ERROR_SUCCESS);
  }
}

TEST(ElevationTest, OwnerWindowIsDestroyedOnItsOwnThread) {
  // This thread plays the window's thread; the installation worker lets go of the elevated copy.
  auto owner_window = [] {
    return CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  };
  HWND from_worker = owner_window();
  ASSERT_TRUE(from_worker);
  auto elevated = std::make_unique<ElevatedInstaller>();
  elevated->Attach(base::ScopedHandle(), from_worker);
  std::thread worker([&] { elevated.reset(); });
  worker.join();
  // Whatever the worker asked of this thread waits in its queue by now.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_FALSE(IsWindow(from_worker));
  if (IsWindow(from_worker)) DestroyWindow(from_worker);

  // Released on the window's own thread, it goes at once.
  HWND from_owner = owner_window();
  ASSERT_TRUE(from_owner);
  elevated = std::make_unique<ElevatedInstaller>();
  elevated->Attach(base::ScopedHandle(), from_owner);
  elevated.reset();
  EXPECT_FALSE(IsWindow(from_owner));
}

}  // namespace
}  // namespace install
