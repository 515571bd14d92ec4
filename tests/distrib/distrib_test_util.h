// Helpers of the distribution tests: a private HKEY_CURRENT_USER and the installer's resources.
#pragma once

#include <windows.h>

#include <string>

#include "base/random.h"
#include "base/strings.h"
#include "support/test_util.h"

namespace distrib_test {

// Redirects HKEY_CURRENT_USER of this process to a fresh scratch key for the test's lifetime.
class ScopedUserRegistry {
 public:
  ScopedUserRegistry() {
    path_ = L"Software\\VorlexTests\\distrib_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(GetTickCount());
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, key_);
  }
  ~ScopedUserRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  }
  // A value under the product key of the redirected hive; nothing when absent.
  bool Read(const wchar_t* name, std::wstring* value) const {
    wchar_t buffer[1024];
    DWORD size = sizeof(buffer);
    if (RegGetValueW(key_, L"Software\\Vorlex\\VorlexBrowser", name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
      return false;
    *value = buffer;
    return true;
  }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

// Resources of type "BIN" of the built installer.
inline std::string InstallerResource(const wchar_t* name) {
  static HMODULE module = LoadLibraryExW(test::InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC info = module ? FindResourceW(module, name, L"BIN") : nullptr;
  if (!info) return std::string();
  HGLOBAL data = LoadResource(module, info);
  return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module, info));
}

}  // namespace distrib_test
