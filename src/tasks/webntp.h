// The web new-tab page mirrored into a directory for the browser's first start: "update.json",
// the main page, every resource, and an empty "flag" file once the bundle is complete.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tasks {

struct WebNtpConfig {
  std::string version;
  std::string main_html;
  std::vector<std::string> resources;  // trimmed, in configuration order
};

inline constexpr int kWebNtpConfigMaxDepth = 200;
// "update.json" is a few KiB; it is kept in memory, so a body over this ceiling fails the task.
inline constexpr uint32_t kMaxWebNtpConfigSize = 1024 * 1024;
// Each page and resource goes to a file; the largest real ones are a few MiB.
inline constexpr uint64_t kMaxWebNtpResourceSize = 64ull * 1024 * 1024;
inline constexpr char kWebNtpLogLocation[] = "installer/lite_util/download_webntp";
inline constexpr char kWebNtpHistogram[] = "Installer.WebNtp.DownloadTime";

// Checks the configuration; on failure returns nothing and the log message in *error.
// Paths that would leave the bundle directory (absolute, drive, ".." components) are refused.
[[nodiscard]] std::optional<WebNtpConfig> ParseWebNtpConfig(std::string_view text, std::string* error);
// The distinct parent directories (relative, with "/") of the main page and the resources, in
// path order.
std::vector<std::string> WebNtpDirectories(const WebNtpConfig& config);

// Mirrors base_url into webntp_path\webntp; stops early when stop is signalled.
void DownloadWebNtp(const std::string& base_url, const std::wstring& webntp_path, void* stop);

}  // namespace tasks
