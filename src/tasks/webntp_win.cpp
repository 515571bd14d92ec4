#include <map>

#include "base/clock.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/histogram.h"
#include "base/strings.h"
#include "logging/log.h"
#include "base/process.h"
#include "net/downloader.h"
#include "tasks/webntp.h"

namespace tasks {

namespace {

std::wstring LocalPath(const std::wstring& dir, const std::string& relative) {
  std::wstring path = base::Utf8ToWide(relative);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return base::AppendPath(dir, path);
}

}  // namespace

void DownloadWebNtp(const std::string& base_url, const std::wstring& webntp_path, HANDLE stop) {
  const uint64_t start = base::MonotonicMicros();
  const std::wstring bundle = base::AppendPath(webntp_path, L"webntp");
  net::Downloader downloader;
  downloader.SetTimeouts(net::kBackgroundTimeoutMs, net::kBackgroundTimeoutMs);
  std::string text;
  if (!downloader.DownloadToString(base_url + "/" + "update.json", stop, &text, kMaxWebNtpConfigSize)) {
    PLOG_AT(ERROR, kWebNtpLogLocation) << "Failed to download web_ntp config: " << downloader.last_error();
    return;
  }
  std::string error;
  std::optional<WebNtpConfig> config = ParseWebNtpConfig(text, &error);
  if (!config) {
    PLOG_AT(ERROR, kWebNtpLogLocation) << error;
    return;
  }
  std::vector<std::wstring> directories = {bundle};
  for (const std::string& relative : WebNtpDirectories(*config)) directories.push_back(LocalPath(bundle, relative));
  for (const std::wstring& dir : directories) {
    if (!base::CreateDirectoryRecursive(dir)) {
      PLOG_AT(ERROR, kWebNtpLogLocation) << "Failed to create directory: " << "\"" << dir << "\"";
      return;
    }
  }
  const std::wstring config_path = base::AppendPath(bundle, L"update.json");
  if (!base::WriteStringToFile(config_path, text)) {
    PLOG_AT(ERROR, kWebNtpLogLocation) << "Failed to save " << config_path;
    return;
  }

  std::map<std::string, std::wstring> retry;
  auto fetch = [&](const std::string& relative) {
    std::string url = base_url + "/" + relative;
    std::wstring target = LocalPath(bundle, relative);
    if (!downloader.DownloadToFile(url, target, stop, kMaxWebNtpResourceSize)) {
      PLOG_AT(ERROR, kWebNtpLogLocation) << "Failed to download url: " << url << " error: " << downloader.last_error();
      retry[url] = target;
    }
  };
  // A stop ends the mirroring before the next file (a failed transfer would not look again).
  auto stopped = [stop] { return stop && base::IsSignalled(stop); };
  fetch(config->main_html);
  for (const std::string& resource : config->resources) {
    if (stopped()) return;
    fetch(resource);
  }
  for (const auto& [url, target] : retry) {
    if (stopped()) return;
    if (!downloader.DownloadToFile(url, target, stop, kMaxWebNtpResourceSize)) {
      PLOG_AT(ERROR, kWebNtpLogLocation) << "Failed to download url: " << url << " error: " << downloader.last_error();
      return;
    }
  }
  base::RecordTimingHistogram(kWebNtpHistogram, (base::MonotonicMicros() - start) / 1000, 1, 3600000, 100);
  const std::wstring flag = base::AppendPath(bundle, L"flag");
  if (!base::WriteStringToFile(flag, ""))
    PLOG_AT(ERROR, kWebNtpLogLocation) << "Failed to create webntp status file " << flag;
}

}  // namespace tasks
