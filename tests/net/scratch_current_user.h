// HKEY_CURRENT_USER of this process redirected to a scratch key while it lives
// (RegOverridePredefKey), so that product values, saved statistics and Internet settings written
// by a test touch nothing else. WinINet reads its proxy settings through the same override.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/registry.h"
#include "net/install_statistics.h"

namespace net_test {

class ScratchCurrentUser {
 public:
  ScratchCurrentUser() {
    path_ = L"Software\\VorlexTests\\hkcu" + std::to_wstring(GetCurrentProcessId());
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, key_);
  }
  ~ScratchCurrentUser() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  void SetProductValue(const wchar_t* name, const std::wstring& value) {
    base::RegistryKey key = base::RegistryKey::Create(HKEY_CURRENT_USER, net::kProductRegistryKey, KEY_ALL_ACCESS);
    ASSERT_EQ(key.WriteString(name, value), ERROR_SUCCESS);
  }
  // The system proxy as the Internet options dialog stores it.
  void SetProxy(const std::wstring& server) {
    base::RegistryKey key = base::RegistryKey::Create(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", KEY_ALL_ACCESS);
    ASSERT_EQ(key.WriteDword(L"ProxyEnable", 1), ERROR_SUCCESS);
    ASSERT_EQ(key.WriteString(L"ProxyServer", server), ERROR_SUCCESS);
  }
  std::optional<std::wstring> ProductValue(const wchar_t* name) {
    base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, net::kProductRegistryKey, KEY_QUERY_VALUE);
    return key.valid() ? key.ReadString(name) : std::nullopt;
  }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

}  // namespace net_test
