#include "distrib/msi_partner_override_win.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winnetwk.h>

#include <vector>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/strings.h"
#include "base/unique_handle.h"
#include "distrib/msi_override_key.h"
#include "trust/signature_verifier.h"
#include "logging/log.h"

namespace distrib {

namespace {

constexpr char kMsiDatabaseSwitch[] = "msi-database";
constexpr char kPartnerPackageGuidSwitch[] = "partner-package-guid";

class FileAppendixSource : public AppendixSource {
 public:
  explicit FileAppendixSource(HANDLE file) : file_(file) {}
  bool Seek(uint64_t position) override {
    LARGE_INTEGER distance;
    // Offsets from 2^63 on are negative to the system, which refuses them.
    distance.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(file_, distance, nullptr, FILE_BEGIN) != 0;
  }
  bool Read(uint8_t* out, size_t size) override {
    while (size) {
      DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
      DWORD read = 0;
      if (!ReadFile(file_, out, chunk, &read, nullptr) || read == 0) return false;
      out += read;
      size -= read;
    }
    return true;
  }

 private:
  HANDLE file_;
};

}  // namespace

DWORD MsiOverrideSystem::ParentProcessId() {
  base::ScopedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  DWORD self = GetCurrentProcessId();
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
  }
  return 0;
}

DWORD MsiOverrideSystem::ConnectInteractive(const std::wstring& directory) {
  auto add_connection = LAZY_IMPORT(base::kMpr, WNetAddConnection2W);
  if (!add_connection) return GetLastError();
  std::wstring remote = directory;
  NETRESOURCEW resource = {};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpRemoteName = remote.data();
  wchar_t empty_password[] = L"";
  wchar_t empty_user[] = L"";
  return add_connection(&resource, empty_password, empty_user, CONNECT_INTERACTIVE);
}

bool MsiOverrideSystem::WriteBlock(HANDLE file, const uint8_t* data, DWORD size, DWORD* written) {
  return WriteFile(file, data, size, written, nullptr) != 0;
}

MsiOverrideSystem& DefaultMsiOverrideSystem() {
  static MsiOverrideSystem system;
  return system;
}

std::optional<std::wstring> DevicePathToDriveLetterPath(const std::wstring& device_path) {
  // "\??\C:\..." is already a drive path in the NT namespace.
  if (device_path.size() >= 7 && device_path.compare(0, 4, L"\\??\\") == 0 && device_path[5] == L':' &&
      device_path[6] == L'\\') {
    return device_path.substr(4);
  }
  wchar_t drives[512];
  DWORD length = GetLogicalDriveStringsW(ARRAYSIZE(drives), drives);
  if (length == 0 || length >= ARRAYSIZE(drives)) return std::nullopt;
  for (const wchar_t* root = drives; *root; root += wcslen(root) + 1) {
    std::wstring drive(root, 2);  // "C:"
    wchar_t target[MAX_PATH];
    if (!QueryDosDeviceW(drive.c_str(), target, ARRAYSIZE(target))) continue;
    std::wstring device = target;
    if (device.empty() || device_path.size() <= device.size() || device_path[device.size()] != L'\\') continue;
    if (base::EqualsCaseInsensitiveAscii(std::wstring_view(device_path).substr(0, device.size()), device))
      return drive + device_path.substr(device.size());
  }
  SetLastError(ERROR_PATH_NOT_FOUND);
  return std::nullopt;
}

std::wstring FindMsiDatabaseLocalCopy(DWORD process_id) {
  base::ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
  if (!process) {
    PLOG(ERROR) << "Failed to open parent process id=" << process_id;
    return {};
  }
  std::vector<std::wstring> candidates;
  std::vector<wchar_t> name(32768);
  MEMORY_BASIC_INFORMATION region = {};
  uintptr_t address = 0;
  while (VirtualQueryEx(process.get(), reinterpret_cast<void*>(address), &region, sizeof(region)) ==
         sizeof(region)) {
    if (region.Type == MEM_MAPPED) {
      DWORD length = K32GetMappedFileNameW(process.get(), region.BaseAddress, name.data(),
                                           static_cast<DWORD>(name.size()));
      if (length > 0 && length < name.size()) {
        std::wstring file(name.data(), length);
        // One file is often mapped in several views or regions: count it once.
        bool known = false;
        for (const std::wstring& candidate : candidates) known = known || base::EqualsCaseInsensitiveAscii(candidate, file);
        if (!known && base::EndsWithCaseInsensitiveAscii(file, L".msi")) candidates.push_back(file);
      }
    }
    uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;  // the top of the address space
    address = next;
  }
  if (candidates.size() != 1) {
    LOG(ERROR) << "Unexpected count of local mapped msi = " << candidates.size();
    for (const std::wstring& candidate : candidates) LOG(INFO) << candidate;
    return {};
  }
  std::optional<std::wstring> path = DevicePathToDriveLetterPath(candidates.front());
  if (!path) {
    PLOG(ERROR) << "DevicePathToDriveLetterPath failed for path=" << candidates.front();
    return {};
  }
  return *path;
}

bool ConnectInteractiveToFileIfLogonFailure(const std::wstring& path, MsiOverrideSystem& system) {
  std::wstring directory = base::DirName(path);
  DWORD error = system.ConnectInteractive(directory);
  if (error != NO_ERROR) {
    PLOG_CODE(ERROR, error) << "Failed WNetAddConnection2 with error=" << error << " during connection to "
                            << directory;
    return false;
  }
  LOG(INFO) << "Successfully connected to " << directory;
  return true;
}

std::optional<std::wstring> ValidateMSIDatabasePath(const std::wstring& path, MsiOverrideSystem& system) {
  if (path.empty()) {
    LOG(INFO) << kMsiDatabaseSwitch << " not specified: assuming no override for brand package.";
    return std::nullopt;
  }
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  DWORD error = GetLastError();
  if (error == ERROR_PATH_NOT_FOUND || error == ERROR_LOGON_FAILURE) {
    // An elevated copy does not see the user's mapped drives, but the parent (msiexec) has the
    // database mapped: read it through the parent's local path when there is one.
    std::wstring local_copy = FindMsiDatabaseLocalCopy(system.ParentProcessId());
    if (!local_copy.empty() && base::PathExists(local_copy)) return local_copy;
    if (!ConnectInteractiveToFileIfLogonFailure(path, system)) return std::nullopt;
    return path;
  }
  PLOG_CODE(ERROR, error) << "MSI file " << path << "does not exist: assuming no override for brand package.";
  return std::nullopt;
}

std::optional<GuidBytes> GetPartnerPackageOverrideGUIDMarker(const std::wstring& guid_text) {
  if (guid_text.empty()) {
    LOG(INFO) << kPartnerPackageGuidSwitch << " not specified: assuming no override for brand package.";
    return std::nullopt;
  }
  std::optional<GuidBytes> marker = ParseRegistryGuid(guid_text);
  if (!marker) LOG(INFO) << "Failed to decode guid string: assuming no override for brand package.";
  return marker;
}

std::optional<PartnerPackageOverride> ExtractPartnerPackageOverridePackage(const std::wstring& msi_path,
                                                                           const GuidBytes& marker,
                                                                           std::span<const uint8_t> public_key,
                                                                           MsiOverrideSystem& system) {
  PartnerAppendix appendix;
  {
    base::ScopedFile msi(CreateFileW(msi_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!msi) {
      LOG(INFO) << "Failed to open msi file for reading";
      return std::nullopt;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(msi.get(), &size) || size.QuadPart < 0) {
      LOG(INFO) << "Failed to get source file size for extracted package validation.";
      return std::nullopt;
    }
    FileAppendixSource source(msi.get());
    AppendixResult result = ReadPartnerAppendix(source, static_cast<uint64_t>(size.QuadPart), marker, &appendix);
    if (result != AppendixResult::kOk) {
      LOG(INFO) << AppendixResultMessage(result);
      return std::nullopt;
    }
  }
  {
    auto bytes = [](std::span<const uint8_t> data) {
      return std::string_view(reinterpret_cast<const char*>(data.data()), data.size());
    };
    trust::SignatureVerifier verifier;
    if (!verifier.Verify(bytes(appendix.signature), bytes(public_key), bytes(appendix.package))) {
      PLOG(ERROR) << "Zip verification failed: ";
      return std::nullopt;
    }
  }

  PartnerPackageOverride output;
  std::wstring temp_dir = base::GetTempDir();
  if (!temp_dir.empty()) output.path = base::CreateTemporaryFileIn(temp_dir, L"vb");
  if (!output.path.empty()) {
    output.file.reset(CreateFileW(output.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  if (!output.file) {
    LOG(INFO) << "Failed to open target file for reading " << output.path;
    // The system created the name as an empty file: do not leave it behind.
    if (!output.path.empty()) (void)base::DeleteFilePath(output.path);
    return std::nullopt;
  }
  // Appended at the end under a lock of the written range, so nobody reads a half-written package.
  const DWORD package_size = static_cast<DWORD>(appendix.package.size());
  LARGE_INTEGER end = {};
  bool written_whole = false;
  if (SetFilePointerEx(output.file.get(), LARGE_INTEGER{}, &end, FILE_END)) {
    base::ScopedFileRangeLock range(output.file.get(), end, package_size);
    if (range.locked()) {
      DWORD written = 0;
      written_whole = system.WriteBlock(output.file.get(), appendix.package.data(), package_size, &written) &&
                      written == package_size;
    }
  }
  if (!written_whole) {
    LOG(INFO) << "Failed to write file data to output file " << output.path;
    output.file.reset();
    if (!base::DeleteFilePath(output.path)) PLOG(ERROR) << "Unable to delete file: " << output.path;
    return std::nullopt;
  }
  return output;
}

std::optional<PartnerPackageOverride> ExtractOverride(const std::wstring& msi_path, const std::wstring& guid_text,
                                                      std::span<const uint8_t> public_key,
                                                      MsiOverrideSystem& system) {
  std::optional<std::wstring> path = ValidateMSIDatabasePath(msi_path, system);
  if (!path) return std::nullopt;
  std::optional<GuidBytes> marker = GetPartnerPackageOverrideGUIDMarker(guid_text);
  if (!marker) return std::nullopt;
  return ExtractPartnerPackageOverridePackage(*path, *marker, public_key, system);
}

std::optional<PartnerPackageOverride> ExtractOverrideFromCommandLine(const base::CommandLine& command_line) {
  return ExtractOverride(command_line.GetSwitchValue(kMsiDatabaseSwitch),
                         command_line.GetSwitchValue(kPartnerPackageGuidSwitch), PartnerOverridePublicKey());
}

}  // namespace distrib
