#include "install/download_plan.h"

#include "base/os_version.h"

namespace install {

namespace {

// Added to every setup URL.
constexpr char kFromInstaller[] = "?from_installer=true";

}  // namespace

std::vector<std::string> BuildSetupUrlList(const SetupUrlConfig& config, Arch arch, int windows_version,
                                           bool versioned_allowed, const std::string& cdn_host) {
  std::vector<std::string> urls;
  if (windows_version == base::kVersionXp || windows_version == base::kVersionVista) {
    urls.push_back(cdn_host + "/browser-partners/_xp_builds/browser-setup.arc");
  } else {
    if (arch == Arch::k64) urls.push_back(config.setup_url64);
    if (arch == Arch::k32) urls.push_back(config.setup_url32);
    if (versioned_allowed) urls.push_back(config.setup_url_version);
    urls.push_back(config.setup_url);
  }
  for (std::string& url : urls) url += kFromInstaller;
  return urls;
}

bool HasSetupAddress(const std::vector<std::string>& urls) {
  for (const std::string& url : urls)
    if (url != kFromInstaller) return true;
  return false;
}

AttemptPlan PlanAttempts(size_t url_count) {
  if (url_count == 0) return {};
  int max_attempts = url_count == 1 ? 6 : static_cast<int>(3 * url_count);
  return {max_attempts, max_attempts / static_cast<int>(url_count)};
}

bool KeepPartialDownload(uint64_t downloaded, uint64_t content_length) {
  return downloaded >= content_length / 10;  // the same as * 10 / 100, without overflow
}

VersionedUrlVerdict CheckVersionedSetupUrl(const std::string& url, std::optional<uint64_t> module_date_us,
                                           uint64_t now_us) {
  constexpr uint64_t kThirtyDaysUs = 2592000000000ull;
  if (url.empty()) return VersionedUrlVerdict::kEmpty;
  if (url.find('{') != std::string::npos) return VersionedUrlVerdict::kPlaceholder;
  if (!module_date_us || *module_date_us == 0) return VersionedUrlVerdict::kNoDate;
  // A file date in the future counts as fresh.
  if (now_us < *module_date_us || now_us - *module_date_us < kThirtyDaysUs) return VersionedUrlVerdict::kAllowed;
  return VersionedUrlVerdict::kTooOld;
}

std::optional<std::wstring> ArchStateAfterDownload(Arch arch, bool success) {
  if (arch == Arch::kNoChoice) return std::nullopt;
  if (success) return arch == Arch::k64 ? L"1" : L"0";
  return L"2";
}

StoredArch ParseStoredArch(const std::optional<std::wstring>& value) {
  if (!value) return StoredArch::kNone;
  if (*value == L"1") return StoredArch::k64;
  if (*value == L"0") return StoredArch::k32;
  if (*value == L"2") return StoredArch::kDisabled;
  return StoredArch::kNone;
}

}  // namespace install
