#include <windows.h>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/strings.h"
#include "distrib/distrib_params.h"
#include "distrib/installer_tag.h"
#include "distrib/registry_handoff.h"
#include "logging/log.h"

namespace distrib {

// Files for the setup go to the work directory only: without one (no temporary path) the path
// would name a file in the current directory.
bool WriteWorkFile(const std::wstring& work_dir, const std::wstring& path, std::string_view data) {
  if (work_dir.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return base::WriteStringToFile(path, data);
}

TagSource DefaultTagSource() {
  TagSource source;
  source.fake_certificate = [](const std::wstring& path) { return ExtractTagFromFakeCertificate(path); };
  source.trailer = [](const std::wstring& path) { return ReadTrailerTag(path); };
  return source;
}

bool DistribParams::CreateJsonFromDistribParams(const base::CommandLine& command_line,
                                                const std::wstring& installer_path, const std::wstring& temp_dir,
                                                const TagSource& tags) {
  text_ = command_line.GetSwitchValueNarrow("distr-info-params");
  if (text_.empty() && tags.fake_certificate) text_ = tags.fake_certificate(installer_path);
  if (text_.empty() && tags.trailer) text_ = tags.trailer(installer_path);

  params_.clear();
  json_path_.clear();
  if (!text_.empty()) {
    (void)StoreHandoffValue(L"DistribInfoParams", base::Utf8ToWide(text_));
    params_ = ParseDistribParams(text_);
    if (!params_.empty()) {
      json_path_ = temp_dir + L"distrib_info";
      std::string json = DistribParamsToJson(params_);
      if (json.empty()) {
        PLOG_CODE(ERROR, ERROR_INVALID_DATA) << "Can't create json dump";
      } else if (!WriteWorkFile(temp_dir, json_path_, json)) {
        PLOG(ERROR) << "Write json to file error";
      }
    }
  }
  return !json_path_.empty();
}

void DistribParams::SetSideFilePathsFrom(const base::CommandLine& command_line, const std::wstring& work_dir) {
  for (size_t i = 0; i < kSideFileCount; ++i) {
    std::wstring from_switch = command_line.GetSwitchValue(kSideFiles[i].switch_name);
    side_files_[i].from_switch = !from_switch.empty();
    side_files_[i].path = side_files_[i].from_switch ? from_switch : work_dir + kSideFiles[i].file_name;
  }
  work_dir_ = work_dir;
}

bool DistribParams::PrepareSideFiles(const std::function<std::string(int resource_id)>& load_resource) {
  bool all_written = true;
  for (size_t i = 0; i < kSideFileCount; ++i) {
    if (side_files_[i].from_switch || side_files_[i].path.empty()) continue;
    std::string data = kSideFiles[i].resource_id && load_resource ? load_resource(kSideFiles[i].resource_id) : "";
    if (!WriteWorkFile(work_dir_, side_files_[i].path, data)) {
      PLOG(ERROR) << "Can't write file " << side_files_[i].path;
      all_written = false;
    }
  }
  return all_written;
}

void DistribParams::StoreSideFileHandoff() const {
  for (size_t i = 0; i < kSideFileCount; ++i)
    if (!side_files_[i].path.empty()) (void)StoreHandoffValue(kSideFiles[i].registry_value, side_files_[i].path);
}

void DistribParams::RemoveHandoff() const {
  (void)RemoveHandoffValue(L"DistribInfoParams");
  for (const SideFile& row : kSideFiles) (void)RemoveHandoffValue(row.registry_value);
}

}  // namespace distrib
