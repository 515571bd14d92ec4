// A body stream that gzip-compresses another one on the fly (4096-byte source blocks). Deflate
// is deterministic: after Rewind the same source gives the same compressed bytes.
#pragma once

#include <zlib.h>

#include <memory>

#include "crash/body_stream.h"

namespace crash {

class CompressedBodyStream : public BodyStream {
 public:
  explicit CompressedBodyStream(std::unique_ptr<BodyStream> source);
  ~CompressedBodyStream() override;
  CompressedBodyStream(const CompressedBodyStream&) = delete;
  CompressedBodyStream& operator=(const CompressedBodyStream&) = delete;

  int64_t Read(uint8_t* buffer, size_t size) override;
  [[nodiscard]] bool Rewind() override;

  static constexpr size_t kSourceBlockSize = 4096;

 private:
  enum class State { kNotStarted, kStreaming, kFinished, kError };
  int64_t Fail(const char* operation, int result);

  std::unique_ptr<BodyStream> source_;
  State state_ = State::kNotStarted;
  bool source_ended_ = false;
  z_stream zlib_ = {};
  uint8_t input_[kSourceBlockSize];
};

}  // namespace crash
