// Timing histograms of the runtime: exponential buckets between a minimum and a maximum, kept in
// memory by name for the process (the browser's first start does not read them; tests and
// diagnostics do). Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace base {

struct HistogramSnapshot {
  uint64_t min_ms = 0;
  uint64_t max_ms = 0;
  std::vector<uint64_t> bucket_starts;  // ascending; bucket i holds samples in [start_i, start_i+1)
  std::vector<uint64_t> counts;
  uint64_t samples = 0;
};

// Records one duration. The first sample of a name fixes its range and bucket count.
void RecordTimingHistogram(const std::string& name, uint64_t sample_ms, uint64_t min_ms, uint64_t max_ms,
                           size_t bucket_count);
[[nodiscard]] std::optional<HistogramSnapshot> GetHistogram(const std::string& name);

}  // namespace base
