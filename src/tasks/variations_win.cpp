#include <windows.h>

#include <cstdio>

#include "logging/log.h"
#include "net/downloader.h"
#include "tasks/variations.h"

namespace tasks {

bool SaveVariations(const std::wstring& path, const VariationsResponse& response, CloseFileFunction close_file) {
  std::string text = VariationsJson(response);
  // Written beside the target and moved over it only when whole: the setup is handed the path
  // whatever happens here, and it must find the whole file or none.
  std::wstring partial = path;
  partial.append(L".part");
  FILE* file = _wfopen(partial.c_str(), L"w+");
  if (!file) {
    PLOG(ERROR) << "Failed to open variations file " << path;
    return false;
  }
  bool ok = true;
  if (fwrite(text.data(), 1, text.size(), file) != text.size()) {
    int result = ferror(file);
    PLOG(ERROR) << "Failed to save downloaded variations update to " << path << " error=" << result;
    ok = false;
  }
  if ((close_file ? close_file : &fclose)(file) != 0) {
    PLOG_AT(ERROR, "operator()") << "Failed to close FILE";
    ok = false;
  }
  // A failed move is reported by the caller ("Failed to save variations in ").
  ok = ok && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!ok) DeleteFileW(partial.c_str());
  return ok;
}

bool DownloadAndSaveVariations(const std::string& url, const std::wstring& path, HANDLE stop) {
  net::Downloader downloader;
  downloader.SetTimeouts(net::kBackgroundTimeoutMs, net::kBackgroundTimeoutMs);
  VariationsResponse response;
  if (!downloader.DownloadToString(url, stop, &response.body, kMaxSeedSize)) {
    PLOG(ERROR) << "Failed to download variations seed: " << downloader.last_error();
    return false;
  }
  response.signature = downloader.GetCustomHeader("X-Seed-Signature");
  if (response.signature.empty()) {
    PLOG(ERROR) << "Failed to get variations seed signature";
    return false;
  }
  response.last_modified = downloader.GetCustomHeader("Last-Modified");
  response.country = downloader.GetCustomHeader("X-Country");
  if (!SaveVariations(path, response)) {
    PLOG(ERROR) << "Failed to save variations in " << path;
    return false;
  }
  LOG(INFO) << "Variations are saved in " << path;
  return true;
}

}  // namespace tasks
