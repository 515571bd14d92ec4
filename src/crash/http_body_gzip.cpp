#include "crash/http_body_gzip.h"

#include <algorithm>
#include <climits>
#include <string>

#include "base/diag_log.h"

namespace crash {

namespace {
// Window bits 15 plus 16 selects the gzip wrapper.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;
}  // namespace

CompressedBodyStream::CompressedBodyStream(std::unique_ptr<BodyStream> source) : source_(std::move(source)) {}

CompressedBodyStream::~CompressedBodyStream() {
  if (state_ == State::kStreaming) deflateEnd(&zlib_);
}

bool CompressedBodyStream::Rewind() {
  if (state_ == State::kStreaming) deflateEnd(&zlib_);
  zlib_ = {};
  state_ = State::kNotStarted;
  source_ended_ = false;
  return source_->Rewind();
}

int64_t CompressedBodyStream::Fail(const char* operation, int result) {
  std::string message = operation;
  message += ": ";
  message += zlib_.msg ? zlib_.msg : zError(result);
  base::DiagLog(message);
  if (state_ == State::kStreaming) deflateEnd(&zlib_);
  state_ = State::kError;
  return -1;
}

int64_t CompressedBodyStream::Read(uint8_t* buffer, size_t size) {
  if (state_ == State::kError) return -1;
  if (state_ == State::kFinished || size == 0) return 0;
  if (state_ == State::kNotStarted) {
    int result = deflateInit2(&zlib_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                              Z_DEFAULT_STRATEGY);
    if (result != Z_OK) return Fail("deflateInit2", result);
    state_ = State::kStreaming;
  }

  zlib_.next_out = buffer;
  zlib_.avail_out = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
  const uInt offered = zlib_.avail_out;
  while (zlib_.avail_out > 0) {
    if (zlib_.avail_in == 0 && !source_ended_) {
      int64_t count = source_->Read(input_, kSourceBlockSize);
      if (count < 0) {
        deflateEnd(&zlib_);
        state_ = State::kError;
        return -1;
      }
      if (count == 0) source_ended_ = true;
      zlib_.next_in = input_;
      zlib_.avail_in = static_cast<uInt>(count);
    }
    int result = deflate(&zlib_, source_ended_ ? Z_FINISH : Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      int end = deflateEnd(&zlib_);
      if (end != Z_OK) {
        state_ = State::kError;  // the stream is released either way
        base::DiagLog(std::string("deflateEnd: ") + (zlib_.msg ? zlib_.msg : zError(end)));
        return -1;
      }
      state_ = State::kFinished;
      break;
    }
    // Z_BUF_ERROR only says that this call could make no progress: more input follows.
    if (result != Z_OK && result != Z_BUF_ERROR) return Fail("deflate", result);
  }
  return static_cast<int64_t>(offered - zlib_.avail_out);
}

}  // namespace crash
