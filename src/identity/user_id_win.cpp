#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <mutex>
#include <optional>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/registry.h"
#include "base/strings.h"
#include "base/unique_handle.h"
#include "identity/user_id.h"
#include "logging/log.h"

namespace identity {

namespace {

constexpr wchar_t kCompanyFolder[] = L"Vorlex";
constexpr wchar_t kUserIdFileName[] = L"ui";
constexpr wchar_t kKeyVistaAndLater[] = L"Software\\AppDataLow\\Vorlex";
constexpr wchar_t kKeyBeforeVista[] = L"Software\\Vorlex";
// A GUID is 38 characters; anything above this is not an id we wrote.
constexpr DWORD kMaxUserIdSize = 64;

bool IsVistaOrGreater() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) {
#pragma GCC diagnostic pop
    PLOG(ERROR) << "Can't get Windows version info";
    return false;
  }
  return info.dwMajorVersion > 5;
}

// "UICreated_" + the user name; empty when the name cannot be read.
std::wstring MarkerValueName() {
  auto get_user_name = LAZY_IMPORT(base::kAdvapi32, GetUserNameW);
  wchar_t name[257];
  DWORD size = 257;
  if (!get_user_name || !get_user_name(name, &size) || size == 0) return {};
  return L"UICreated_" + std::wstring(name, size - 1);  // size counts the terminating NUL
}

bool MarkerExists() {
  std::wstring name = MarkerValueName();
  if (name.empty()) return false;
  if (RegistryValueExist(kKeyBeforeVista, name)) return true;
  return IsVistaOrGreater() && RegistryValueExist(kKeyVistaAndLater, name);
}

std::optional<std::string> ReadUserIdFromFile(const std::wstring& path) {
  base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  char content[kMaxUserIdSize + 1];
  DWORD read = 0;
  if (!file || !ReadFile(file.get(), content, sizeof(content), &read, nullptr)) {
    LOG(ERROR) << "Failed to read file " << path;
    return std::nullopt;
  }
  if (read == 0 || read > kMaxUserIdSize) {
    LOG(ERROR) << "Incorrect User ID file content";
    return std::nullopt;
  }
  return std::string(content, read);
}

std::string GenerateAndStoreUserId(const AppDataFolderFn& app_data) {
  auto create_guid = LAZY_IMPORT(base::kOle32, CoCreateGuid);
  auto guid_to_text = LAZY_IMPORT(base::kOle32, StringFromGUID2);
  GUID guid = {};
  wchar_t text[40];
  if (!create_guid || !guid_to_text || FAILED(create_guid(&guid)) || guid_to_text(guid, text, 40) == 0) {
    LOG(ERROR) << "Can't generate User ID";
    return {};
  }
  std::string id = base::WideToAscii(text);

  std::wstring path = GetUserIdFilePath(true, app_data);
  if (path.empty() || !base::WriteStringToFile(path, id)) {
    LOG(ERROR) << "Can't write file " << path;
    return {};
  }
  if (!RememberUidIsCreated()) {
    LOG(ERROR) << "Can't create 'UI created' entry";
    return {};
  }
  return id;
}

std::mutex& UserIdMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

bool SystemAppDataFolder(bool create, std::wstring* folder) {
  auto get_folder = LAZY_IMPORT(base::kShell32, SHGetSpecialFolderPathW);
  wchar_t path[MAX_PATH] = {};
  if (!get_folder || !get_folder(nullptr, path, CSIDL_APPDATA, create ? TRUE : FALSE)) return false;
  *folder = path;
  return true;
}

std::wstring GetUserIdFilePath(bool create, const AppDataFolderFn& app_data) {
  std::wstring base_folder;
  if (!app_data(create, &base_folder)) {
    PLOG(ERROR) << "Can't get path to AppData folder";
    return {};
  }
  std::wstring folder = base::AppendPath(base_folder, kCompanyFolder);
  if (create && !base::CreateDirectoryRecursive(folder)) {
    PLOG(ERROR) << "Can't create directory: " << folder;
    return {};
  }
  return base::AppendPath(folder, kUserIdFileName);
}

bool RememberUidIsCreated() {
  std::wstring name = MarkerValueName();
  if (name.empty()) return false;
  const wchar_t* key_path = IsVistaOrGreater() ? kKeyVistaAndLater : kKeyBeforeVista;
  LONG error = ERROR_SUCCESS;
  base::RegistryKey key = base::RegistryKey::Create(HKEY_CURRENT_USER, key_path, KEY_SET_VALUE, &error);
  if (!key.valid()) {
    PLOG_CODE(ERROR, error) << "Can't open registry key: " << key_path;
    return false;
  }
  error = key.WriteDword(name, 1);
  if (error != ERROR_SUCCESS) {
    PLOG_CODE(ERROR, error) << "Can't create registry value '" << name << "' at '" << key_path;
    return false;
  }
  return true;
}

bool RegistryValueExist(const std::wstring& key_path, const std::wstring& value_name) {
  LONG error = ERROR_SUCCESS;
  base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, key_path, KEY_QUERY_VALUE, &error);
  if (!key.valid()) {
    if (error != ERROR_FILE_NOT_FOUND) PLOG_CODE(ERROR, error) << "Can't open registry key: " << key_path;
    return false;
  }
  return key.HasValue(value_name);
}

std::string GetUserIdInternal(const AppDataFolderFn& app_data) {
  // The statistics sender may ask from another thread: generate at most one id.
  std::lock_guard<std::mutex> lock(UserIdMutex());
  std::wstring path = GetUserIdFilePath(false, app_data);
  if (!path.empty()) {
    if (std::optional<std::string> id = ReadUserIdFromFile(path)) return *id;
  }
  if (MarkerExists()) {
    LOG(INFO) << "Registry entry already exists, skip User ID file generation";
    return {};
  }
  return GenerateAndStoreUserId(app_data);
}

}  // namespace identity
