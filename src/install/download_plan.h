// Decisions of the setup download that need no system: the URL list, how attempts are spread
// over it, when a partial file is kept, and the 64-bit experiment's stored state. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace install {

enum class Arch { kNoChoice = 0, k64 = 1, k32 = 2 };

struct SetupUrlConfig {
  std::string setup_url;          // "install.setup_url"
  std::string setup_url_version;  // "install.setup_url_version"
  std::string setup_url64;        // "install.setup_url64"
  std::string setup_url32;        // "install.setup_url32"
};

// The ordered URL list, each with "?from_installer=true". On XP and Vista only the CDN's XP
// build; otherwise the architecture's URL first (even when empty), then the versioned URL when
// allowed, then the default one.
std::vector<std::string> BuildSetupUrlList(const SetupUrlConfig& config, Arch arch, int windows_version,
                                           bool versioned_allowed, const std::string& cdn_host);
// Whether the list names any address: an unconfigured entry still carries the query.
[[nodiscard]] bool HasSetupAddress(const std::vector<std::string>& urls);

struct AttemptPlan {
  int max_attempts = 0;
  int per_url = 0;
};
// Six attempts for a single URL, otherwise three per URL.
AttemptPlan PlanAttempts(size_t url_count);

// A failed transfer keeps its partial data for resuming only when it reached 10 % of the
// announced length (integer arithmetic; an unknown length keeps everything).
[[nodiscard]] bool KeepPartialDownload(uint64_t downloaded, uint64_t content_length);

// Whether a versioned setup URL may be used: no placeholder ("{"), and the installer's own file
// date (microseconds since 1601) not zero and less than 30 days before now.
enum class VersionedUrlVerdict { kAllowed, kEmpty, kPlaceholder, kNoDate, kTooOld };
VersionedUrlVerdict CheckVersionedSetupUrl(const std::string& url, std::optional<uint64_t> module_date_us,
                                           uint64_t now_us);

// "try_x64" registry text after a download: "1"/"0" when the first URL served the chosen
// architecture, "2" (experiment off) otherwise; nothing without a choice.
[[nodiscard]] std::optional<std::wstring> ArchStateAfterDownload(Arch arch, bool success);
// Architecture from the stored "try_x64" text: "1" 64-bit, "0" 32-bit; "2" disabled.
enum class StoredArch { kNone, k64, k32, kDisabled };
StoredArch ParseStoredArch(const std::optional<std::wstring>& value);

}  // namespace install
