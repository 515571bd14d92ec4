// Registry access (advapi32, bound on first use). Failures are values; the error code of the
// last failed call is kept for the caller's log line.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/unique_handle.h"

namespace base {

class RegistryKey {
 public:
  RegistryKey() = default;
  // Opens (create = false) or creates the key; access may carry KEY_WOW64_64KEY / KEY_WOW64_32KEY.
  static RegistryKey Open(HKEY root, const std::wstring& path, REGSAM access, LONG* error = nullptr);
  static RegistryKey Create(HKEY root, const std::wstring& path, REGSAM access, LONG* error = nullptr);

  [[nodiscard]] bool valid() const { return key_.valid(); }
  HKEY get() const { return key_.get(); }

  [[nodiscard]] std::optional<std::wstring> ReadString(const std::wstring& name, LONG* error = nullptr) const;
  std::optional<DWORD> ReadDword(const std::wstring& name, LONG* error = nullptr) const;
  LONG WriteString(const std::wstring& name, const std::wstring& value) const;
  LONG WriteDword(const std::wstring& name, DWORD value) const;
  LONG DeleteValue(const std::wstring& name) const;
  [[nodiscard]] bool HasValue(const std::wstring& name) const;

 private:
  explicit RegistryKey(HKEY key) : key_(key) {}
  ScopedRegKey key_;
};

// Deletes a key and its subkeys (RegDeleteTreeW).
LONG DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM wow64_flags = 0);

}  // namespace base
