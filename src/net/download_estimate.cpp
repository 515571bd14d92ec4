#include "net/download_estimate.h"

namespace net {

std::string ExceptionInfoText(const ExceptionInfo& info) {
  std::string text = "Exception with code=" + std::to_string(info.code);
  if (!info.dll_name.empty()) text += "dll_name=" + info.dll_name;
  if (!info.proc_name.empty()) text += "proc_name=" + info.proc_name;
  return text;
}

std::optional<TimeLeft> TimeLeftEstimator::Update(uint32_t now_ms, uint64_t content_length, uint64_t got) {
  if (content_length == 0 || got == 0) return std::nullopt;
  const uint32_t elapsed = now_ms - start_ms_;
  if (elapsed - last_estimate_ms_ < 60000) return std::nullopt;
  // More bytes than announced (a lying Content-Length) means nothing is left, not a wrapped
  // subtraction.
  const uint64_t remaining = got < content_length ? content_length - got : 0;
  // A product past 64 bits needs hundreds of TiB still to come, which no transfer here gets near:
  // it counts as the longest estimate.
  TimeLeft result;
  result.seconds = kMaxTimeLeftSeconds;
  if (remaining <= UINT64_MAX / (elapsed ? elapsed : 1)) {
    const uint64_t left_s = uint64_t{elapsed} * remaining / got / 1000;
    if (left_s < kMaxTimeLeftSeconds) result.seconds = static_cast<int32_t>(left_s);
  }
  last_estimate_ms_ = elapsed;
  result.slow = static_cast<int64_t>(elapsed / 1000) + result.seconds > 120;
  return result;
}

}  // namespace net
