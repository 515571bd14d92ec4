#include "net/download_sink.h"

#include <utility>

namespace net {

bool StringDownloadSink::Write(const void* data, uint32_t count) {
  if (count > max_size_ - data_.size()) return false;
  data_.append(static_cast<const char*>(data), count);
  size += count;
  return true;
}

void StringDownloadSink::Reset() {
  data_.clear();
  size = 0;
}

std::string StringDownloadSink::Take() {
  std::string out = std::move(data_);
  data_.clear();
  size = 0;
  return out;
}

}  // namespace net
