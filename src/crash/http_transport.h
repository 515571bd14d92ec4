// The crash upload's HTTP client: one synchronous request over WinHTTP with a streamed body,
// sent with chunked transfer encoding unless a Content-Length header gives the length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "crash/body_stream.h"
#include "crash/multipart_body.h"

namespace crash {

class CrashUploadTransport {
 public:
  // The body is read in blocks of this size and sent as one chunk each.
  static constexpr size_t kBodyBlockSize = 32768;

  void SetUrl(const std::string& url) { url_ = url; }
  void SetMethod(const std::string& method) { method_ = method; }
  void SetHeader(const std::string& name, const std::string& value) { headers_[name] = value; }
  void SetBodyStream(std::unique_ptr<BodyStream> body) { body_ = std::move(body); }
  void SetTimeout(double seconds) { timeout_seconds_ = seconds; }
  // The total length WinHttpSendRequest is given for a chunked body; see UploadOptions.
  void SetChunkedTotalLengthHint(uint32_t length) { chunked_total_length_hint_ = length; }

  // True when the server answered 200; the answer's body goes to response_body.
  [[nodiscard]] bool Send(std::string* response_body);

 private:
  std::string url_;
  std::string method_ = "POST";
  HeaderMap headers_;
  std::unique_ptr<BodyStream> body_;
  double timeout_seconds_ = 60.0;
  uint32_t chunked_total_length_hint_ = 0;
};

// How a failed WinHTTP call is reported: call + ": " + the system's or WinHTTP's text for the
// error + " (0x<code>)", or call + ": error 0x<lookup error> while retrieving error 0x<code>".
std::string WinHttpErrorMessage(const char* call, uint32_t code);

// The size line of one chunk: the length in lower-case hex without leading zeros, then CRLF.
std::string ChunkSizeLine(size_t length);

}  // namespace crash
