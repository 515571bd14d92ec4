// The report's own minidump user stream: ids and annotations. It is built in memory with
// string offsets relative to its string area, handed to the dump writer, and then rebased in
// the written file once the stream's place in it is known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "crash/annotations.h"

namespace crash {

inline constexpr uint32_t kReportInfoStreamType = 0x43500001;
inline constexpr uint32_t kReportInfoStreamVersion = 1;
// Offset of the annotation dictionary inside the stream (after the fixed fields).
inline constexpr uint32_t kReportInfoDictionaryOffset = 52;

std::vector<uint8_t> BuildReportInfoStream(const uint8_t report_id[16], const uint8_t client_id[16],
                                           const Annotations& annotations);

// Positioned access to the written dump file.
class DumpFileAccess {
 public:
  virtual ~DumpFileAccess() = default;
  // Both fail on a short read or write.
  [[nodiscard]] virtual bool ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
  virtual bool WriteAt(uint64_t offset, const void* buffer, size_t size) = 0;
};

// Finds the stream in the dump's directory and turns its relative offsets into file offsets.
// False when the file does not look like what was written (the dump is then not reported).
[[nodiscard]] bool RebaseReportInfoStream(DumpFileAccess& file, size_t annotation_count);

}  // namespace crash
