// Rebasing the report stream inside a written minidump, over arbitrary files: only reads and
// writes inside the file, whatever its directory claims.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "crash/report_info_stream.h"

namespace {
class MemoryFile : public crash::DumpFileAccess {
 public:
  explicit MemoryFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    std::memcpy(buffer, bytes_.data() + offset, size);
    return true;
  }
  bool WriteAt(uint64_t offset, const void* buffer, size_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    std::memcpy(bytes_.data() + offset, buffer, size);
    return true;
  }

 private:
  std::vector<uint8_t> bytes_;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t count = data[0] % 8;
  MemoryFile file(std::vector<uint8_t>(data + 1, data + size));
  (void)crash::RebaseReportInfoStream(file, count);
  return 0;
}
