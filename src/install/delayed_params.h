// The record through which the master hands the setup's paths and flags to its elevated copy.
// It lives in a data section shared by every process of the executable; the child reads it
// only after the master's "go" signal. Portable layout and rules.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/command_line.h"

namespace install {

inline constexpr size_t kDelayedPathUnits = 261;
inline constexpr size_t kDelayedTimeUnits = 33;

#pragma pack(push, 1)
struct DelayedParams {
  char16_t browser_arc_path[kDelayedPathUnits];
  char16_t clids_file_path[kDelayedPathUnits];
  char16_t clids_searchband_file_path[kDelayedPathUnits];
  char16_t vorlex_website_icon_file_path[kDelayedPathUnits];
  char16_t installer_data_path[kDelayedPathUnits];
  char16_t brand_package_path[kDelayedPathUnits];
  char16_t partner_package_path[kDelayedPathUnits];
  char16_t partner_package_override_path[kDelayedPathUnits];
  char16_t histogram_download_time[kDelayedTimeUnits];
  char16_t histogram_full_time[kDelayedTimeUnits];
  uint8_t send_statistics;
  uint8_t make_default;
  uint8_t create_omrix_shortcut;
};
#pragma pack(pop)
static_assert(sizeof(DelayedParams) == 4311, "the shared record's layout is fixed");

// What the master hands over.
struct DelayedValues {
  std::wstring browser_arc_path, clids_file_path, clids_searchband_file_path, vorlex_website_icon_file_path,
      installer_data_path, brand_package_path, partner_package_path, partner_package_override_path;
  std::wstring histogram_download_time, histogram_full_time;
  bool send_statistics = false, make_default = false, create_omrix_shortcut = false;
};

// Copies the values into the record; false (and the record untouched) when a path is longer than
// 260 characters or a time text longer than 32, with the error line written.
[[nodiscard]] bool WriteDelayedParams(const DelayedValues& values, DelayedParams* record);
// Whether a path of the record may reach the setup; name is the switch that would carry it. The
// check logs why it refuses.
using RecordPathCheck = std::function<bool(const char* name, const std::wstring& path)>;
// The child's completion of the setup command line from the record. With a check, the side-file
// paths it refuses are left out; time texts that are not decimal numbers always are.
void CompleteSetupCommandLine(const DelayedParams& record, base::CommandLine* setup,
                              const RecordPathCheck& keep_path = {});

// The process-wide shared record (Win32 side).
DelayedParams* SharedDelayedParams();

}  // namespace install
