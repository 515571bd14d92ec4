// The command line the browser setup receives. It starts as a copy of the installer's own
// command line, so every switch given to the installer reaches the setup unless replaced or
// removed here. Portable.
#pragma once

#include <cstdint>
#include <string>

#include "base/command_line.h"
#include "distrib/uac_mode.h"

namespace install {

// Placeholder program of the command line built early for the elevated copy.
inline constexpr wchar_t kElevatedPlaceholderProgram[] = L"fake_browser_arc";

struct SetupCommandLineInputs {
  std::wstring program;
  bool with_files = true;
  bool uac_declined = false;
  uintptr_t progress_window = 0;
  std::string brand_name;
  std::wstring distrib_info_file;
  bool make_default = false;
  bool send_statistics = false;
  bool taskbar_shortcut = false;
  int64_t ok_time = 0;       // monotonic microseconds
  int64_t proceed_time = 0;  // monotonic microseconds
  int64_t interface_availability = 0;
  std::wstring installer_data, clids, clids_searchband, website_icon;
  std::wstring brand_package, partner_package, partner_package_override;
  distrib::UacMode uac_mode = distrib::kUacOnInstall;
  bool tasks_exist = false;
  std::wstring variations_path, abt_path, webntp_path, server_config_path, wallpaper_path;
  bool previous_run_failed = false;
};

base::CommandLine BuildSetupCommandLine(const base::CommandLine& installer_command_line,
                                        const SetupCommandLineInputs& inputs);

}  // namespace install
