// Hand-off values for the setup under HKEY_CURRENT_USER "Software\Vorlex\VorlexBrowser", opened
// in the 64-bit registry view. Each operation logs its outcome with the full value path.
#pragma once

#include <optional>
#include <string>

namespace distrib {

inline constexpr wchar_t kProductKey[] = L"Software\\Vorlex\\VorlexBrowser";

[[nodiscard]] bool StoreHandoffValue(const std::wstring& name, const std::wstring& value);
std::optional<std::wstring> ReadHandoffValue(const std::wstring& name);
[[nodiscard]] bool RemoveHandoffValue(const std::wstring& name);

}  // namespace distrib
