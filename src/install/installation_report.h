// The installation report sent when an installation ends: "/get/browser/install" on the report
// service with the user id, the result and the times in whole seconds. Portable.
#pragma once

#include <cstdint>
#include <string>

namespace install {

struct InstallationReport {
  std::string user_id;  // UTF-8, sent as it is
  bool cancelled = false;  // any cancel request wins over the result
  bool succeeded = false;
  int64_t total_seconds = 0;
  int64_t download_seconds = 0;  // left out when 0
  int64_t setup_seconds = 0;     // left out when 0 ("install_time")
};

// origin: scheme and host of the report service, without a trailing slash.
[[nodiscard]] std::string BuildInstallationReportUrl(const std::string& origin, const InstallationReport& report);

}  // namespace install
