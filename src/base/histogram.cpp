#include "base/histogram.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace base {

namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
std::map<std::string, HistogramSnapshot>& Histograms() {
  static std::map<std::string, HistogramSnapshot> histograms;
  return histograms;
}

// Bucket 0 holds samples below min (underflow), the last one samples at or above max; between
// them the boundaries grow geometrically from min to max.
std::vector<uint64_t> BucketStarts(uint64_t min_ms, uint64_t max_ms, size_t count) {
  std::vector<uint64_t> starts = {0, std::max<uint64_t>(min_ms, 1)};
  double log_max = std::log(static_cast<double>(max_ms));
  for (size_t i = 2; i + 1 < count; ++i) {
    double log_current = std::log(static_cast<double>(starts.back()));
    double step = (log_max - log_current) / static_cast<double>(count - i);
    uint64_t next = static_cast<uint64_t>(std::lround(std::exp(log_current + step)));
    starts.push_back(std::max(next, starts.back() + 1));
  }
  starts.push_back(std::max(max_ms, starts.back() + 1));
  return starts;
}

}  // namespace

void RecordTimingHistogram(const std::string& name, uint64_t sample_ms, uint64_t min_ms, uint64_t max_ms,
                           size_t bucket_count) {
  std::lock_guard<std::mutex> guard(Lock());
  HistogramSnapshot& histogram = Histograms()[name];
  if (histogram.bucket_starts.empty()) {
    histogram.min_ms = min_ms;
    histogram.max_ms = max_ms;
    histogram.bucket_starts = BucketStarts(min_ms, max_ms, std::max<size_t>(bucket_count, 3));
    histogram.counts.assign(histogram.bucket_starts.size(), 0);
  }
  auto it = std::upper_bound(histogram.bucket_starts.begin(), histogram.bucket_starts.end(), sample_ms);
  histogram.counts[static_cast<size_t>(it - histogram.bucket_starts.begin()) - 1]++;
  histogram.samples++;
}

std::optional<HistogramSnapshot> GetHistogram(const std::string& name) {
  std::lock_guard<std::mutex> guard(Lock());
  auto it = Histograms().find(name);
  if (it == Histograms().end()) return std::nullopt;
  return it->second;
}

}  // namespace base
