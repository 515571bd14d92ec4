#include "distrib/registry_handoff.h"

#include <windows.h>

#include "base/registry.h"
#include "logging/log.h"

namespace distrib {

namespace {
std::wstring ValuePath(const std::wstring& name) {
  return std::wstring(L" HKEY_CURRENT_USER\\") + kProductKey + L"\\" + name;
}
}  // namespace

bool StoreHandoffValue(const std::wstring& name, const std::wstring& value) {
  base::RegistryKey key = base::RegistryKey::Create(HKEY_CURRENT_USER, kProductKey, KEY_SET_VALUE | KEY_WOW64_64KEY);
  bool stored = key.valid() && key.WriteString(name, value) == ERROR_SUCCESS;
  LOG(INFO) << (stored ? L"Stored" : L"Failed to store") << ValuePath(name) << L" = " << value;
  return stored;
}

std::optional<std::wstring> ReadHandoffValue(const std::wstring& name) {
  base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
  std::optional<std::wstring> value;
  if (key.valid()) value = key.ReadString(name);
  if (value)
    LOG(INFO) << L"Read" << ValuePath(name) << L" which is \"" << *value << L"\"";
  else
    LOG(INFO) << L"Failed to read" << ValuePath(name);
  return value;
}

bool RemoveHandoffValue(const std::wstring& name) {
  base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_SET_VALUE | KEY_WOW64_64KEY);
  bool removed = key.valid() && key.DeleteValue(name) == ERROR_SUCCESS;
  LOG(INFO) << (removed ? L"Removed" : L"Failed to remove") << ValuePath(name);
  return removed;
}

}  // namespace distrib
