#include "install/module_time.h"

#include "base/file_version.h"
#include "logging/log.h"

namespace install {

std::optional<uint64_t> GetModuleCreationTime(const std::wstring& path) {
  std::optional<uint64_t> date = base::ReadFileDate(path);
  if (!date) {
    LOG(INFO) << "File version resource is absent in " << path;
    return std::nullopt;
  }
  if (*date == 0) LOG(INFO) << "Version time is 0 in " << path;
  return date;
}

}  // namespace install
