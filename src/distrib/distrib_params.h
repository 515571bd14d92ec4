// Distribution parameters: the key=value text carried by the installer tag or the
// "distr-info-params" switch, its map, the flag/first-run/UAC rules and the side files handed to
// the setup. The parsing and rules are portable; loading, files and registry live in
// distrib_params_win.cpp.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "distrib/uac_mode.h"

namespace base {
class CommandLine;
}

namespace distrib {

using ParamMap = std::map<std::string, std::string>;

// "a=1&b&c=" -> {a:"1", b:"", c:""}; a later pair replaces an earlier one with the same key.
// No URL-decoding.
ParamMap ParseDistribParams(std::string_view text);

// The JSON text of the "distrib_info" file: the map's keys in order with string values,
// indented by 2 spaces. Empty when serialisation fails (a value that is not UTF-8).
std::string DistribParamsToJson(const ParamMap& params);

// Leading decimal digits with an optional sign, as a standard string-to-int conversion; nothing
// when the text does not start with a number or the number does not fit 32 bits.
[[nodiscard]] std::optional<int> ParseLeadingInt(std::string_view text);

// One side file for the setup: a switch may give its path, otherwise it is written from a
// resource of the installer into the work directory.
struct SideFile {
  const char* switch_name;
  int resource_id;  // 0: the installer carries no such resource (an empty file is written)
  const wchar_t* file_name;
  const wchar_t* registry_value;
};
inline constexpr SideFile kSideFiles[] = {
    {"installerdata", 305, L"master_preferences", L"InstallerData"},
    {"clids-file", 306, L"clids.xml", L"ClidsFile"},
    {"clids-searchband-file", 322, L"clids_searchband.xml", L"ClidsSearchbandFile"},
    {"vorlex-website-icon-file", 323, L"website.ico", L"VorlexWebsiteIconFile"},
};
inline constexpr size_t kSideFileCount = sizeof(kSideFiles) / sizeof(kSideFiles[0]);

// Where the parameter text comes from when no switch gives it; the installer reads its own tag.
struct TagSource {
  std::function<std::string(const std::wstring& path)> fake_certificate;
  std::function<std::string(const std::wstring& path)> trailer;
};
TagSource DefaultTagSource();

// A resource of type "BIN" of the running installer; empty when it is missing.
std::string LoadInstallerBinResource(int resource_id);

// Writes a file for the setup; refuses to write when there is no work directory.
[[nodiscard]] bool WriteWorkFile(const std::wstring& work_dir, const std::wstring& path, std::string_view data);

class DistribParams {
 public:
  DistribParams() = default;
  // Parses text into the map (for tests and for callers that already have the text).
  explicit DistribParams(std::string text);
  DistribParams(const DistribParams&) = delete;
  DistribParams& operator=(const DistribParams&) = delete;

  // Fills the parameters from the command line or the tag of installer_path, stores
  // "DistribInfoParams", writes temp_dir + "distrib_info". True when a JSON path is set.
  [[nodiscard]] bool CreateJsonFromDistribParams(const base::CommandLine& command_line, const std::wstring& installer_path,
                                   const std::wstring& temp_dir, const TagSource& tags = DefaultTagSource());

  // The value, or nothing when the key is absent.
  [[nodiscard]] std::optional<std::string> Get(std::string_view key) const;
  // "1" -> on (true), "2" -> off (false), anything else or absent -> nothing.
  [[nodiscard]] std::optional<bool> GetFlag(std::string_view key) const;
  // The statistics choice: "stat", or when absent "statpromo" (on only when exactly "true").
  [[nodiscard]] std::optional<bool> GetStatFlag() const;
  [[nodiscard]] bool IsFirstRun() const;
  // kUacOnInstall when "system-level" or "program-files-installation" was given.
  [[nodiscard]] distrib::UacMode UacMode(bool system_level_switch) const;
  [[nodiscard]] distrib::UacMode UacMode(const base::CommandLine& command_line) const;
  [[nodiscard]] bool Cancel() const;
  // Background-task switches ("vup", "abtup", "webntp", "scup"): on with "1"; "vup" is on when
  // absent.
  [[nodiscard]] bool TaskEnabled(std::string_view key) const;

  const std::string& text() const { return text_; }
  const ParamMap& params() const { return params_; }
  const std::wstring& json_path() const { return json_path_; }

  // Side files: the path of each row (from its switch, else work directory + file name).
  // PrepareSideFiles writes the rows without a switch from the resources and returns false when
  // one could not be written (its path stays set).
  void SetSideFilePathsFrom(const base::CommandLine& command_line, const std::wstring& work_dir);
  [[nodiscard]] bool PrepareSideFiles(const std::function<std::string(int resource_id)>& load_resource = LoadInstallerBinResource);
  const std::wstring& side_file_path(size_t index) const { return side_files_[index].path; }
  [[nodiscard]] bool side_file_from_switch(size_t index) const { return side_files_[index].from_switch; }
  // Registry hand-off of the side-file paths (just before the setup runs) and their removal
  // together with "DistribInfoParams" after a successful installation.
  void StoreSideFileHandoff() const;
  void RemoveHandoff() const;

 private:
  struct SideFileState {
    std::wstring path;
    bool from_switch = false;
  };
  std::string text_;
  ParamMap params_;
  std::wstring json_path_;
  std::wstring work_dir_;
  SideFileState side_files_[kSideFileCount];
};

}  // namespace distrib
