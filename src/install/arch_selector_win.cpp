#include "install/arch_selector.h"

#include <windows.h>

#include "base/random.h"
#include "base/registry.h"
#include "base/strings.h"
#include "logging/log.h"

namespace install {

MachineFacts MachineFacts::Current() {
  MachineFacts facts;
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  facts.native_x64 = info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof(memory);
  if (GlobalMemoryStatusEx(&memory)) facts.total_memory = memory.ullTotalPhys;
  facts.coin = base::RandomInRange(0, 1) == 1;
  return facts;
}

void ArchSelector::AdjustDownloadUrl(bool program_files_installation, const std::optional<std::string>& try_x64,
                                     const std::optional<std::string>& x64_ram, const MachineFacts& machine) {
  arch_ = Arch::kNoChoice;
  if (program_files_installation || !machine.native_x64) return;
  base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_QUERY_VALUE);
  std::optional<std::wstring> stored;
  if (key.valid()) stored = key.ReadString(L"try_x64");
  switch (ParseStoredArch(stored)) {
    case StoredArch::k64:
      arch_ = Arch::k64;
      return;
    case StoredArch::k32:
      arch_ = Arch::k32;
      return;
    case StoredArch::kDisabled:
      LOG(INFO) << "Experiment " << "try_x64" << " is disabled";
      return;
    case StoredArch::kNone:
      break;
  }
  if (try_x64.value_or("") != "1") return;
  std::optional<uint64_t> needed = x64_ram ? base::ParseUint64(*x64_ram) : std::nullopt;
  if (!needed) return;
  if (machine.total_memory && *machine.total_memory >= *needed) {
    arch_ = machine.coin ? Arch::k64 : Arch::k32;
    return;
  }
  LOG(INFO) << "Not enough memory for " << "try_x64" << " needed:" << *needed
            << ", available:" << machine.total_memory.value_or(0);
}

void ArchSelector::ConfigurateRegistry(bool success) const {
  std::optional<std::wstring> value = ArchStateAfterDownload(arch_, success);
  if (!value) return;
  base::RegistryKey key = base::RegistryKey::Create(HKEY_CURRENT_USER, kProductKey, KEY_SET_VALUE);
  LONG result = key.valid() ? key.WriteString(L"try_x64", *value) : ERROR_ACCESS_DENIED;
  if (result != ERROR_SUCCESS) PLOG_CODE(ERROR, result) << "Failed to write state to regitsry: " << *value;
}

}  // namespace install
