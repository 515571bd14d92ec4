#include <windows.h>
#include <shlobj.h>

#include "base/lazy_import.h"
#include "install/environment_checks.h"
#include "logging/log.h"

namespace install {

bool IsCpuSupported(int* message_id) {
  *message_id = CpuMessageId(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE),
                             IsProcessorFeaturePresent(PF_SSE3_INSTRUCTIONS_AVAILABLE));
  return *message_id == 0;
}

bool HasEnoughDiskSpace(bool system_level, uint64_t required) {
  wchar_t folder[MAX_PATH];
  auto get_folder = LAZY_IMPORT(base::kShell32, SHGetFolderPathW);
  if (!get_folder ||
      FAILED(get_folder(nullptr, system_level ? CSIDL_PROGRAM_FILES : CSIDL_LOCAL_APPDATA, nullptr, 0, folder))) {
    LOG(INFO) << "SHGetFolderPath failed";
    return true;
  }
  ULARGE_INTEGER available;
  std::optional<uint64_t> free_bytes;
  if (GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr)) {
    free_bytes = available.QuadPart;
  } else {
    LOG(INFO) << "GetDiskFreeSpaceEx failed";
  }
  if (EnoughSpace(free_bytes, required)) return true;
  LOG(INFO) << "There is not enough disk space to install browser";
  return false;
}

}  // namespace install
