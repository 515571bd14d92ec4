// One HTTP(S) transfer at a time over WinINet, in 32 KiB blocks into a DownloadSink.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/lazy_import.h"
#include "base/unique_internet.h"
#include "net/download_estimate.h"
#include "net/download_sink.h"

namespace net {

class DownloadProgressObserver;

inline constexpr uint32_t kDownloadBlockSize = 32768;
inline constexpr wchar_t kDownloaderUserAgent[] = L"Vorlex.Browser lite installer";

// Connect and receive time-out of the transfers nobody should wait long for: slides and the
// background tasks. Each blocking step of such a transfer ends within it, so a silent server
// costs a stopped thread at most this long.
inline constexpr DWORD kBackgroundTimeoutMs = 5000;
// The same for the requests made at the end of a run (the installation report), which the
// process's exit waits for.
inline constexpr DWORD kEndRequestTimeoutMs = 3000;

using OpenUrlFunction = base::LazyFunction<decltype(::InternetOpenUrlW)>;

// When a transfer looks at its stop event.
enum class StopCheck {
  // Before every read: a stop simply ends the transfer (no error is recorded, nothing is
  // finalised), as for the setup download, which reports a stopped attempt by itself.
  kBeforeRead,
  // After every block read: the body is cut short, so the transfer fails with
  // "internet_read-995" and no caller can take part of a file for the whole of it.
  kAfterBlock,
};

// One transfer: where from, where to, and what may end or watch it.
struct DownloadRequest {
  std::wstring url;
  DownloadSink* sink = nullptr;
  HANDLE stop = nullptr;  // manual-reset event, or null
  StopCheck stop_check = StopCheck::kAfterBlock;
  DownloadProgressObserver* observer = nullptr;  // progress and time left, or null
  // Time-outs for connecting and for each piece of the answer; 0 keeps WinINet's default.
  DWORD connect_timeout_ms = 0;
  DWORD receive_timeout_ms = 0;
};

// What a transfer left behind once its connection is closed.
struct DownloadOutcome {
  bool ok = false;
  std::string last_error;
  std::wstring redirect_url;
  uint64_t content_length = 0;
  ExceptionInfo exception;  // code 0 unless opening the URL could not be bound
};
// Positions a response at an offset, as InternetSetFilePointer(request, offset, FILE_BEGIN); the
// new position, or INVALID_SET_FILE_POINTER with GetLastError set.
using SetFilePointerFunction = std::function<DWORD(HINTERNET request, LONG offset)>;

// Calls InternetOpenUrlW under the guard for lazily bound system code: when the library or the
// entry point cannot be bound, info receives the delay-load failure (0xC06D007E, library and
// procedure names) and the result is null; otherwise info.code is 0.
HINTERNET GuardedOpenUrl(OpenUrlFunction& open_url, HINTERNET internet, const wchar_t* url,
                         const wchar_t* headers, DWORD flags, DWORD_PTR context,
                         ExceptionInfo* info);

class Downloader {
 public:
  Downloader();
  // For tests: the binding of InternetOpenUrlW to use (for example one to a missing library),
  // and a replacement for InternetSetFilePointer (Wine's does not position HTTP responses).
  explicit Downloader(OpenUrlFunction& open_url, SetFilePointerFunction set_file_pointer = nullptr);
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;
  virtual ~Downloader();

  // A body larger than max_size fails the download with the tag "body_too_large-" + max_size,
  // and the target stays as it was.
  [[nodiscard]] virtual bool DownloadToFile(const std::string& url, const std::wstring& target,
                                            HANDLE cancel, uint64_t max_size);
  // A body larger than max_size fails the download with the tag "body_too_large-" + max_size.
  [[nodiscard]] virtual bool DownloadToString(const std::string& url, HANDLE cancel, std::string* out,
                                              uint32_t max_size = StringDownloadSink::kDefaultMaxSize);
  [[nodiscard]] virtual bool OpenDownload(const std::wstring& url, DownloadSink* sink);
  virtual uint32_t ReadChunk();
  [[nodiscard]] virtual bool FinalizeDownload(uint32_t* status_out);

  // The one read loop: opens, reads block by block into the sink (reporting progress and
  // looking at the stop event as the request says) and finalises.
  [[nodiscard]] bool Download(const DownloadRequest& request);
  // Time-outs for the next transfers (0 keeps WinINet's default): connecting, and waiting for
  // each piece of the answer (headers or a block of the body).
  void SetTimeouts(DWORD connect_ms, DWORD receive_ms) {
    connect_timeout_ms_ = connect_ms;
    receive_timeout_ms_ = receive_ms;
  }
  std::string GetCustomHeader(const std::string& name) const;

  const std::string& last_error() const { return last_error_; }
  const std::wstring& redirect_url() const { return redirect_url_; }
  uint64_t content_length() const { return content_length_; }
  const ExceptionInfo& exception() const { return exception_; }
  const std::wstring& url() const { return url_; }
  // The open request (null before an open and after a failed one).
  HINTERNET request_handle() const { return request_.get(); }

 private:
  static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, void* info,
                                      DWORD info_length) noexcept;
  void ResetState();
  [[nodiscard]] bool QueryNumber(DWORD info_level, DWORD* value) const;
  // The Content-Length header in full (a 32-bit number query cannot hold 4 GiB and more).
  [[nodiscard]] bool QueryContentLength(uint64_t* value) const;

  std::wstring url_;
  std::string last_error_;
  ExceptionInfo exception_;
  std::wstring redirect_url_;
  uint64_t content_length_ = 0;
  DownloadSink* sink_ = nullptr;
  base::ScopedInternet internet_;
  base::ScopedInternet request_;
  std::vector<uint8_t> buffer_;
  OpenUrlFunction& open_url_;
  SetFilePointerFunction set_file_pointer_;
  DWORD connect_timeout_ms_ = 0;
  DWORD receive_timeout_ms_ = 0;
};

class DownloadProgressObserver {
 public:
  virtual ~DownloadProgressObserver() = default;
  virtual void OnProgress(float fraction) = 0;
  virtual void OnSlowDownload() = 0;
  // state: 0 = no estimate yet, 1 = estimate while running, 2 = finished.
  virtual void OnTimeLeft(int32_t seconds, int32_t state) = 0;
};

// One transfer on a downloader of its own, closed before the outcome is returned (so the
// caller's next system error is its own).
[[nodiscard]] DownloadOutcome Download(const DownloadRequest& request);

}  // namespace net
