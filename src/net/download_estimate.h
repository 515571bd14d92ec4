// The arithmetic of Downloader::Download: progress fractions and the once-a-minute time-left
// estimate. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace net {

struct ExceptionInfo {
  uint32_t code = 0;  // structured-exception code; 0 = none
  std::string dll_name;
  std::string proc_name;
};
// "Exception with code=<code>dll_name=<dll>proc_name=<proc>" (empty names left out).
std::string ExceptionInfoText(const ExceptionInfo& info);

// The longest time left an estimate gives (99:59:59): a crawling transfer of a large body must
// not come out as a wrapped, negative number, and the caller still adds its own share to it.
inline constexpr int32_t kMaxTimeLeftSeconds = 359999;

struct TimeLeft {
  int32_t seconds = 0;
  bool slow = false;  // the projected whole duration exceeds two minutes
};

class TimeLeftEstimator {
 public:
  explicit TimeLeftEstimator(uint32_t start_ms) : start_ms_(start_ms) {}
  // Called after every block with a known content length; yields an estimate at most once a
  // minute, the first at least 60 s after the start. Tick counts wrap around.
  [[nodiscard]] std::optional<TimeLeft> Update(uint32_t now_ms, uint64_t content_length, uint64_t got);

 private:
  uint32_t start_ms_;
  uint32_t last_estimate_ms_ = 0;
};

}  // namespace net
