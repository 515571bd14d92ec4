// The settings of the background tasks and the URLs built from them. Portable.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tasks {

// What the tasks need from the distribution: its parameters and the brand's URLs and ids.
struct TaskSettings {
  std::function<std::optional<std::string>(std::string_view key)> param;
  std::string variations_url, abt_url, webntp_url, wallpapers_url;
  std::string brand_id, partner_id, user_id;
};

// The variations/ABT query: brand, partner, uid, version, each only when not empty.
std::string AppendVariationsQuery(std::string url, const TaskSettings& settings);
// API endpoint + "/configs/all_zip" with "brandID" and "partnerID" when known.
std::string ServerConfigUrl(const std::string& api_host, const std::string& brand_id, const std::string& partner_id);

}  // namespace tasks
