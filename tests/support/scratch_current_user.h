// HKEY_CURRENT_USER of this process redirected to a fresh scratch key while it lives
// (RegOverridePredefKey), so that product values, saved statistics, experiment outcomes and
// Internet settings written by a test touch nothing else; the key is deleted afterwards. WinINet
// reads its proxy settings through the same override. One at a time: the redirect is not nested.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/registry.h"

namespace test {

class ScratchCurrentUser {
 public:
  // The browser's own key, where the installer leaves what the browser reads.
  static constexpr wchar_t kProductKey[] = L"Software\\Vorlex\\VorlexBrowser";

  ScratchCurrentUser() {
    static int count = 0;
    path_ = L"Software\\VorlexTests\\hkcu-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++count);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, key_), ERROR_SUCCESS);
  }
  ~ScratchCurrentUser() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  ScratchCurrentUser(const ScratchCurrentUser&) = delete;
  ScratchCurrentUser& operator=(const ScratchCurrentUser&) = delete;

  void SetProductValue(const wchar_t* name, const std::wstring& value) {
    base::RegistryKey key = base::RegistryKey::Create(HKEY_CURRENT_USER, kProductKey, KEY_ALL_ACCESS);
    ASSERT_EQ(key.WriteString(name, value), ERROR_SUCCESS);
  }
  // The system proxy as the Internet options dialog stores it.
  void SetProxy(const std::wstring& server) {
    base::RegistryKey key = base::RegistryKey::Create(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", KEY_ALL_ACCESS);
    ASSERT_EQ(key.WriteDword(L"ProxyEnable", 1), ERROR_SUCCESS);
    ASSERT_EQ(key.WriteString(L"ProxyServer", server), ERROR_SUCCESS);
  }
  // A string under the product key; nothing when absent.
  std::optional<std::wstring> ProductValue(const wchar_t* name) const {
    base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_QUERY_VALUE);
    return key.valid() ? key.ReadString(name) : std::nullopt;
  }
  // The same as a found flag and the text.
  bool Read(const wchar_t* name, std::wstring* value) const {
    std::optional<std::wstring> found = ProductValue(name);
    if (found) *value = *found;
    return found.has_value();
  }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

}  // namespace test
