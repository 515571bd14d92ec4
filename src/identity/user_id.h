// The installation's persistent user id: a GUID kept in a file below the user's application
// data folder, with a registry marker that remembers that an id was handed out once, so that a
// deleted file never yields a second, different id.
#pragma once

#include <functional>
#include <string>

namespace identity {

// Where the per-user application data folder is. The system's by default; tests point it at a
// scratch directory. On failure it returns false with the reason in GetLastError().
using AppDataFolderFn = std::function<bool(bool create, std::wstring* folder)>;
[[nodiscard]] bool SystemAppDataFolder(bool create, std::wstring* folder);

// The id text (normally "{XXXXXXXX-...}"), or empty when there is none to be had.
std::string GetUserIdInternal(const AppDataFolderFn& app_data = SystemAppDataFolder);

// <AppData>\Vorlex\ui; with create, the folder is created first. Empty on failure.
std::wstring GetUserIdFilePath(bool create, const AppDataFolderFn& app_data = SystemAppDataFolder);

// Sets the marker "UICreated_<user name>" = 1 below HKEY_CURRENT_USER.
[[nodiscard]] bool RememberUidIsCreated();

// Whether HKEY_CURRENT_USER\<key> holds the named value.
[[nodiscard]] bool RegistryValueExist(const std::wstring& key, const std::wstring& value_name);

}  // namespace identity
