// The crash upload's HTTP client: one synchronous request over WinHTTP with a streamed body of
// known length. Without a Content-Length header the body is read through once to count it and
// rewound: a chunked body of unknown length is what Wine's WinHTTP cannot stream (it sends
// "Content-Length: 0" and waits for the answer), and a counted body goes the same way on both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "crash/body_stream.h"
#include "crash/multipart_body.h"

namespace crash {

class CrashUploadTransport {
 public:
  // The body is read (and written) in blocks of this size.
  static constexpr size_t kBodyBlockSize = 32768;
  // The most of the answer's body that is read: it is not used, and it is read inside a crashing
  // process, which a server must not make allocate without end.
  static constexpr size_t kMaxResponseSize = 64 * 1024;

  void SetUrl(const std::string& url) { url_ = url; }
  void SetMethod(const std::string& method) { method_ = method; }
  void SetHeader(const std::string& name, const std::string& value) { headers_[name] = value; }
  void SetBodyStream(std::unique_ptr<BodyStream> body) { body_ = std::move(body); }
  void SetTimeout(double seconds) { timeout_seconds_ = seconds; }

  // True when the server answered 200; the answer's body (its first kMaxResponseSize bytes) goes
  // to response_body.
  [[nodiscard]] bool Send(std::string* response_body);

 private:
  std::string url_;
  std::string method_ = "POST";
  HeaderMap headers_;
  std::unique_ptr<BodyStream> body_;
  double timeout_seconds_ = 60.0;
};

// Reads the stream to its end in blocks of block_size, then rewinds it: the number of bytes, or
// nothing when a read or the rewind fails.
[[nodiscard]] std::optional<uint64_t> MeasureBodyStream(BodyStream& body, size_t block_size);

// How a failed WinHTTP call is reported: call + ": " + the system's or WinHTTP's text for the
// error + " (0x<code>)", or call + ": error 0x<lookup error> while retrieving error 0x<code>".
std::string WinHttpErrorMessage(const char* call, uint32_t code);

}  // namespace crash
