// Partner package override from the MSI that started the installer (full-installer mode only; the
// lite installer never calls it). The MSI is named by "msi-database", the marker by
// "partner-package-guid"; a verified package is copied to a "vb" temporary file that the setup
// receives as "override-partner-package". Every failure means "no override".
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "base/command_line.h"
#include "base/unique_handle.h"
#include "distrib/msi_partner_override.h"

namespace distrib {

struct PartnerPackageOverride {
  base::ScopedFile file;  // open for writing; holds exactly the package bytes
  std::wstring path;
};

// The parts of the machine the override search depends on that a test cannot always arrange:
// the parent process (msiexec in real use), an interactive network logon, a failing disk.
class MsiOverrideSystem {
 public:
  virtual ~MsiOverrideSystem() = default;
  // The id of the process that started this one; 0 when unknown.
  virtual DWORD ParentProcessId();
  // WNetAddConnection2W to the directory as a disk resource, empty user name and password,
  // CONNECT_INTERACTIVE; NO_ERROR or the system error.
  virtual DWORD ConnectInteractive(const std::wstring& directory);
  // One WriteFile of the block at the file's position; *written gets the bytes written.
  [[nodiscard]] virtual bool WriteBlock(HANDLE file, const uint8_t* data, DWORD size, DWORD* written);
};
MsiOverrideSystem& DefaultMsiOverrideSystem();

[[nodiscard]] std::optional<PartnerPackageOverride> ExtractOverride(
    const std::wstring& msi_path, const std::wstring& guid_text, std::span<const uint8_t> public_key,
    MsiOverrideSystem& system = DefaultMsiOverrideSystem());

// The full installer's call: the switches of the command line and the built-in key.
[[nodiscard]] std::optional<PartnerPackageOverride> ExtractOverrideFromCommandLine(
    const base::CommandLine& command_line);

// The steps, for tests.
// The MSI path to read: the given one, or the parent's local copy when the given one cannot be
// reached from this process.
[[nodiscard]] std::optional<std::wstring> ValidateMSIDatabasePath(const std::wstring& path,
                                                                  MsiOverrideSystem& system);
// The drive-letter path of the one ".msi" file mapped into the process; empty otherwise.
std::wstring FindMsiDatabaseLocalCopy(DWORD process_id);
// "\Device\HarddiskVolume1\x\y.msi" (or the DOS-device form "\??\C:\x\y.msi") -> "C:\x\y.msi".
[[nodiscard]] std::optional<std::wstring> DevicePathToDriveLetterPath(const std::wstring& device_path);
[[nodiscard]] bool ConnectInteractiveToFileIfLogonFailure(const std::wstring& path, MsiOverrideSystem& system);
std::optional<GuidBytes> GetPartnerPackageOverrideGUIDMarker(const std::wstring& guid_text);
[[nodiscard]] std::optional<PartnerPackageOverride> ExtractPartnerPackageOverridePackage(
    const std::wstring& msi_path, const GuidBytes& marker, std::span<const uint8_t> public_key,
    MsiOverrideSystem& system);

}  // namespace distrib
