#include "crash/body_stream.h"

#include <algorithm>
#include <cstring>

namespace crash {

int64_t StringBodyStream::Read(uint8_t* buffer, size_t size) {
  size_t count = std::min(size, data_.size() - offset_);
  if (count > 0) std::memcpy(buffer, data_.data() + offset_, count);
  offset_ += count;
  return static_cast<int64_t>(count);
}

bool StringBodyStream::Rewind() {
  offset_ = 0;
  return true;
}

int64_t ConcatBodyStream::Read(uint8_t* buffer, size_t size) {
  if (size == 0) return 0;
  // A part that ends hands over to the next one within the same call, so 0 means the very end.
  while (current_ < parts_.size()) {
    int64_t count = parts_[current_]->Read(buffer, size);
    if (count != 0) return count;
    ++current_;
  }
  return 0;
}

bool ConcatBodyStream::Rewind() {
  current_ = 0;
  for (auto& part : parts_)
    if (!part->Rewind()) return false;
  return true;
}

}  // namespace crash
