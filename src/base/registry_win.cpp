#include "base/registry.h"

#include <vector>

#include "base/lazy_import.h"

namespace base {

namespace {
LONG Report(LONG result, LONG* error) {
  if (error) *error = result;
  return result;
}
LONG MissingFunction() { return static_cast<LONG>(GetLastError()); }
}  // namespace

RegistryKey RegistryKey::Open(HKEY root, const std::wstring& path, REGSAM access, LONG* error) {
  auto open = LAZY_IMPORT(kAdvapi32, RegOpenKeyExW);
  if (!open) return Report(MissingFunction(), error), RegistryKey();
  HKEY key = nullptr;
  if (Report(open(root, path.c_str(), 0, access, &key), error) != ERROR_SUCCESS) return RegistryKey();
  return RegistryKey(key);
}

RegistryKey RegistryKey::Create(HKEY root, const std::wstring& path, REGSAM access, LONG* error) {
  auto create = LAZY_IMPORT(kAdvapi32, RegCreateKeyExW);
  if (!create) return Report(MissingFunction(), error), RegistryKey();
  HKEY key = nullptr;
  if (Report(create(root, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr), error) != ERROR_SUCCESS)
    return RegistryKey();
  return RegistryKey(key);
}

std::optional<std::wstring> RegistryKey::ReadString(const std::wstring& name, LONG* error) const {
  auto query = LAZY_IMPORT(kAdvapi32, RegQueryValueExW);
  if (!query) return Report(MissingFunction(), error), std::nullopt;
  DWORD type = 0, size = 0;
  LONG result = query(key_.get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (result == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) result = ERROR_INVALID_DATATYPE;
  if (Report(result, error) != ERROR_SUCCESS) return std::nullopt;
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  result = query(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (Report(result, error) != ERROR_SUCCESS) return std::nullopt;
  std::wstring value(buffer.data(), size / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

std::optional<DWORD> RegistryKey::ReadDword(const std::wstring& name, LONG* error) const {
  auto query = LAZY_IMPORT(kAdvapi32, RegQueryValueExW);
  if (!query) return Report(MissingFunction(), error), std::nullopt;
  DWORD type = 0, value = 0, size = sizeof(value);
  LONG result = query(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (result == ERROR_SUCCESS && type != REG_DWORD) result = ERROR_INVALID_DATATYPE;
  if (Report(result, error) != ERROR_SUCCESS) return std::nullopt;
  return value;
}

LONG RegistryKey::WriteString(const std::wstring& name, const std::wstring& value) const {
  auto set = LAZY_IMPORT(kAdvapi32, RegSetValueExW);
  if (!set) return MissingFunction();
  return set(key_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG RegistryKey::WriteDword(const std::wstring& name, DWORD value) const {
  auto set = LAZY_IMPORT(kAdvapi32, RegSetValueExW);
  if (!set) return MissingFunction();
  return set(key_.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG RegistryKey::DeleteValue(const std::wstring& name) const {
  auto del = LAZY_IMPORT(kAdvapi32, RegDeleteValueW);
  if (!del) return MissingFunction();
  return del(key_.get(), name.c_str());
}

bool RegistryKey::HasValue(const std::wstring& name) const {
  auto query = LAZY_IMPORT(kAdvapi32, RegQueryValueExW);
  return query && query(key_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM wow64_flags) {
  RegistryKey key = RegistryKey::Open(root, path, KEY_ALL_ACCESS | wow64_flags);
  if (!key.valid()) return ERROR_FILE_NOT_FOUND;
  auto tree = LAZY_IMPORT(kAdvapi32, RegDeleteTreeW);
  if (!tree) return MissingFunction();
  LONG result = tree(key.get(), nullptr);
  if (result != ERROR_SUCCESS) return result;
  auto del = LAZY_IMPORT(kAdvapi32, RegDeleteKeyExW);
  if (!del) return MissingFunction();
  return del(root, path.c_str(), wow64_flags, 0);
}

}  // namespace base
