#include "tasks/task_urls.h"
#include "vorlex_version.h"

namespace tasks {

namespace {
void AppendPair(std::string& url, const char* key, const std::string& value) {
  if (value.empty()) return;
  url += url.find('?') == std::string::npos ? '?' : '&';
  url += key;
  url += '=';
  url += value;
}
}  // namespace

std::string AppendVariationsQuery(std::string url, const TaskSettings& settings) {
  AppendPair(url, "brand", settings.brand_id);
  AppendPair(url, "partner", settings.partner_id);
  AppendPair(url, "uid", settings.user_id);
  AppendPair(url, "version", VORLEX_VERSION);
  return url;
}

std::string ServerConfigUrl(const std::string& api_host, const std::string& brand_id, const std::string& partner_id) {
  std::string query;
  if (!brand_id.empty()) query = "brandID=" + brand_id;
  if (!partner_id.empty()) query += (query.empty() ? "" : "&") + std::string("partnerID=") + partner_id;
  std::string url = api_host + "/configs/all_zip";
  if (!query.empty()) url += "?" + query;
  return url;
}

}  // namespace tasks
