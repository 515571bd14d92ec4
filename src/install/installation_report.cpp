#include "install/installation_report.h"

namespace install {

std::string BuildInstallationReportUrl(const std::string& origin, const InstallationReport& report) {
  std::string url = origin + "/get/browser/install" + "?ui=" + report.user_id + "&result=" +
                    (report.cancelled ? "cancelled" : report.succeeded ? "success" : "failed") +
                    "&time=" + std::to_string(report.total_seconds);
  if (report.download_seconds != 0) url += "&download_time=" + std::to_string(report.download_seconds);
  if (report.setup_seconds != 0) url += "&install_time=" + std::to_string(report.setup_seconds);
  return url;
}

}  // namespace install
