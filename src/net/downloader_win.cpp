#include "net/downloader.h"

#include <utility>

#include "base/file_util.h"
#include "base/strings.h"
#include "logging/log.h"

namespace net {

namespace {

OpenUrlFunction& DefaultOpenUrl() {
  static OpenUrlFunction open_url(base::kWininet, "InternetOpenUrlW");
  return open_url;
}

std::string Tag(const char* prefix, DWORD error) { return prefix + std::to_string(error); }

}  // namespace

// Records redirect targets announced while InternetOpenUrlW follows them, and gives each request
// handle it creates the receive time-out: Wine's WinINet does not pass a session's receive
// time-out on to its requests, and here the request is created and sent in one call. The context
// is the Downloader, which owns the handles; the callback is taken off the request once it is
// open, so no later notification comes here. Nothing may escape into WinINet's frame.
void CALLBACK Downloader::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, void* info,
                                         DWORD info_length) noexcept {
  if (!context || !info) return;
  auto* self = reinterpret_cast<Downloader*>(context);
  if (status == INTERNET_STATUS_HANDLE_CREATED && self->receive_timeout_ms_ != 0 &&
      info_length >= sizeof(DWORD_PTR)) {
    // The new handle is the first member of INTERNET_ASYNC_RESULT.
    HINTERNET handle = reinterpret_cast<HINTERNET>(*static_cast<const DWORD_PTR*>(info));
    auto set_option = LAZY_IMPORT(base::kWininet, InternetSetOptionW);
    if (handle && set_option) {
      DWORD value = self->receive_timeout_ms_;
      set_option(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, sizeof(value));
      set_option(handle, INTERNET_OPTION_SEND_TIMEOUT, &value, sizeof(value));
    }
    return;
  }
  if (status != INTERNET_STATUS_REDIRECT) return;
  const wchar_t* text = static_cast<const wchar_t*>(info);
  size_t limit = info_length / sizeof(wchar_t);
  size_t length = 0;
  while ((limit == 0 || length < limit) && text[length]) ++length;
  self->redirect_url_.assign(text, length);
}

HINTERNET GuardedOpenUrl(OpenUrlFunction& open_url, HINTERNET internet, const wchar_t* url,
                         const wchar_t* headers, DWORD flags, DWORD_PTR context,
                         ExceptionInfo* info) {
  *info = ExceptionInfo();
  auto* fn = open_url.Get();
  if (!fn) {
    const DWORD error = GetLastError();
    info->code = base::kDelayLoadFailureCode;
    info->dll_name = base::WideToUtf8(open_url.library().name());
    info->proc_name = open_url.name();
    SetLastError(error);
    return nullptr;
  }
  return fn(internet, url, headers, static_cast<DWORD>(-1), flags, context);
}

Downloader::Downloader() : Downloader(DefaultOpenUrl()) {}

Downloader::Downloader(OpenUrlFunction& open_url, SetFilePointerFunction set_file_pointer)
    : buffer_(kDownloadBlockSize, 0), open_url_(open_url), set_file_pointer_(std::move(set_file_pointer)) {}

Downloader::~Downloader() {
  // The request belongs to the session: close it first.
  request_.reset();
  internet_.reset();
}

void Downloader::ResetState() {
  url_.clear();
  last_error_.clear();
  redirect_url_.clear();
  content_length_ = 0;
  sink_ = nullptr;
  request_.reset();
  internet_.reset();
}

bool Downloader::QueryNumber(DWORD info_level, DWORD* value) const {
  auto query = LAZY_IMPORT(base::kWininet, HttpQueryInfoW);
  if (!query || !request_) return false;
  DWORD size = sizeof(*value);
  return query(request_.get(), info_level | HTTP_QUERY_FLAG_NUMBER, value, &size, nullptr) != FALSE;
}

bool Downloader::QueryContentLength(uint64_t* value) const {
  auto query = LAZY_IMPORT(base::kWininet, HttpQueryInfoW);
  if (!query || !request_) return false;
  wchar_t text[32] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  if (!query(request_.get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
  uint64_t number = 0;
  const wchar_t* digit = text;
  for (; *digit >= L'0' && *digit <= L'9' && number <= (UINT64_MAX - 9) / 10; ++digit) number = number * 10 + (*digit - L'0');
  if (digit == text || *digit) return false;
  *value = number;
  return true;
}

bool Downloader::OpenDownload(const std::wstring& url, DownloadSink* sink) {
  ResetState();

  auto open = LAZY_IMPORT(base::kWininet, InternetOpenW);
  internet_.reset(open ? open(kDownloaderUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)
                       : nullptr);
  if (!internet_) {
    last_error_ = Tag("internet_open-", GetLastError());
    return false;
  }

  // Set on the session, the options hold for its request.
  auto set_option = LAZY_IMPORT(base::kWininet, InternetSetOptionW);
  for (auto [option, value] : {std::pair<DWORD, DWORD>{INTERNET_OPTION_CONNECT_TIMEOUT, connect_timeout_ms_},
                               {INTERNET_OPTION_RECEIVE_TIMEOUT, receive_timeout_ms_},
                               {INTERNET_OPTION_SEND_TIMEOUT, receive_timeout_ms_}}) {
    if (value != 0 && (!set_option || !set_option(internet_.get(), option, &value, sizeof(value))))
      PLOG(ERROR) << "InternetSetOption failed: " << option;
  }

  auto set_callback = LAZY_IMPORT(base::kWininet, InternetSetStatusCallbackW);
  const bool callback_set =
      set_callback && set_callback(internet_.get(), StatusCallback) != INTERNET_INVALID_STATUS_CALLBACK;
  if (!callback_set) PLOG(ERROR) << "SetStatusCallback failed";
  // The request inherits the session's callback: it comes off both.
  auto remove_callback = [&] {
    if (!callback_set) return;
    if (request_) set_callback(request_.get(), nullptr);
    set_callback(internet_.get(), nullptr);
  };

  request_.reset(GuardedOpenUrl(open_url_, internet_.get(), url.c_str(), L"Accept: */*",
                                INTERNET_FLAG_RELOAD, reinterpret_cast<DWORD_PTR>(this), &exception_));
  if (exception_.code != 0) {
    PLOG(ERROR) << "An attempt to open url " << url << " generated an exception " << exception_.code;
    remove_callback();
    return false;
  }
  if (!request_) {
    const DWORD error = GetLastError();
    remove_callback();
    last_error_ = Tag("internet_open_url-", error);
    return false;
  }

  if (sink->size != 0) {
    DWORD position = INVALID_SET_FILE_POINTER;
    if (sink->size > 0x7FFFFFFF) {
      SetLastError(ERROR_NEGATIVE_SEEK);  // beyond what positioning can express: start again
    } else if (set_file_pointer_) {
      position = set_file_pointer_(request_.get(), static_cast<LONG>(sink->size));
    } else if (auto seek = LAZY_IMPORT(base::kWininet, InternetSetFilePointer)) {
      position = seek(request_.get(), static_cast<LONG>(sink->size), nullptr, FILE_BEGIN, 0);
    }
    if (position != sink->size) {
      last_error_ = Tag("internet_set_file_pointer-", GetLastError());
      sink->Reset();
    }
  }

  remove_callback();
  url_ = url;
  sink_ = sink;
  LOG(INFO) << "Connection established: " << url;
  return true;
}

uint32_t Downloader::ReadChunk() {
  if (!last_error_.empty() || !sink_) return 0;

  auto read = LAZY_IMPORT(base::kWininet, InternetReadFile);
  DWORD count = 0;
  if (!read || !read(request_.get(), buffer_.data(), kDownloadBlockSize, &count)) {
    const DWORD error = GetLastError();
    last_error_ = Tag("internet_read-", error);
    PLOG_CODE(ERROR, error) << "Download chunk error.";
    return 0;
  }

  DWORD status = 0;
  if (QueryNumber(HTTP_QUERY_STATUS_CODE, &status) && status != HTTP_STATUS_OK) {
    PLOG(ERROR) << "HTTP request status isn't OK";
    return 0;
  }

  if (content_length_ == 0) {
    uint64_t length = 0;
    if (QueryContentLength(&length)) content_length_ = length;
  }

  // A body over the sink's ceiling fails as soon as it is announced or, without a length, as
  // soon as it gets there; nothing more of it is read.
  const uint64_t max_size = sink_->max_size();
  if (content_length_ > max_size || (count != 0 && count > max_size - sink_->size)) {
    last_error_ = "body_too_large-" + std::to_string(max_size);
    LOG(ERROR) << "Response body larger than " << max_size << " bytes: " << url_;
    return 0;
  }

  if (count != 0 && !sink_->Write(buffer_.data(), count)) {
    const DWORD error = GetLastError();
    last_error_ = Tag("write_file-", error);
    PLOG_CODE(ERROR, error) << "Write file error.";
    return 0;
  }

  // WinINet reports a connection closed before the announced length as a normal end of data;
  // a truncated body must not pass for a complete one.
  if (count == 0 && content_length_ != 0 && sink_->size < content_length_) {
    last_error_ = Tag("internet_read-", ERROR_INTERNET_CONNECTION_ABORTED);
    PLOG_CODE(ERROR, ERROR_INTERNET_CONNECTION_ABORTED) << "Download chunk error.";
  }
  return count;
}

bool Downloader::FinalizeDownload(uint32_t* status_out) {
  if (!last_error_.empty()) return false;
  DWORD status = 0;
  const bool queried = QueryNumber(HTTP_QUERY_STATUS_CODE, &status);
  if (queried && status == HTTP_STATUS_OK) return true;
  const DWORD error = GetLastError();
  last_error_ = "final_query_info-" + std::to_string(status) + "-" + std::to_string(error);
  PLOG_CODE(ERROR, error) << "Unsuccessful download: " << url_;
  if (status_out) *status_out = status;
  return false;
}

bool Downloader::Download(const DownloadRequest& request) {
  DownloadSink* sink = request.sink;
  DownloadProgressObserver* observer = request.observer;
  auto stopped = [&] { return request.stop && WaitForSingleObject(request.stop, 0) != WAIT_TIMEOUT; };
  if (!OpenDownload(request.url, sink)) return false;
  if (observer && sink->size == 0) {
    observer->OnProgress(0.0f);
    observer->OnTimeLeft(-1, 0);
  }
  TimeLeftEstimator estimator(GetTickCount());
  for (;;) {
    if (request.stop_check == StopCheck::kBeforeRead && stopped()) return false;
    if (ReadChunk() == 0) break;
    if (request.stop_check == StopCheck::kAfterBlock && stopped()) {
      // Ended early, the body is incomplete: fail, so that no caller keeps part of a file as
      // if it were whole (DownloadToFile would otherwise move it over its target).
      last_error_ = "internet_read-" + std::to_string(ERROR_OPERATION_ABORTED);
      break;
    }
    const uint32_t now = GetTickCount();
    const uint64_t total = content_length_;
    if (!observer || total == 0) continue;
    const uint64_t got = sink->size;
    observer->OnProgress(static_cast<float>(got) / static_cast<float>(total));
    std::optional<TimeLeft> left = estimator.Update(now, total, got);
    if (left) {
      if (left->slow) observer->OnSlowDownload();
      observer->OnTimeLeft(left->seconds, 1);
    }
  }
  const bool result = FinalizeDownload(nullptr);
  if (result && observer) {
    observer->OnProgress(1.0f);
    observer->OnTimeLeft(0, 2);
  }
  return result;
}

namespace {

// A transfer for DownloadToFile and DownloadToString: the stop is looked at after every block,
// so a stopped transfer fails rather than leaving part of a body for the whole of it.
DownloadRequest RequestInto(const std::string& url, HANDLE cancel, DownloadSink* sink) {
  DownloadRequest request;
  request.url = base::AsciiToWide(url);
  request.sink = sink;
  request.stop = cancel;
  request.stop_check = StopCheck::kAfterBlock;
  return request;
}

}  // namespace

bool Downloader::DownloadToFile(const std::string& url, const std::wstring& target, HANDLE cancel,
                                uint64_t max_size) {
  const std::wstring temp_dir = base::GetTempDir();
  if (temp_dir.empty()) return false;
  const std::wstring temp_path = base::CreateTemporaryFileIn(temp_dir, L"vxd");
  if (temp_path.empty()) return false;

  bool result = false;
  {
    base::ScopedFile file(CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      FileDownloadSink sink(file.get(), max_size);
      result = Download(RequestInto(url, cancel, &sink));
    }
  }
  if (result) {
    result = MoveFileExW(temp_path.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
  }
  DeleteFileW(temp_path.c_str());
  return result;
}

bool Downloader::DownloadToString(const std::string& url, HANDLE cancel, std::string* out, uint32_t max_size) {
  StringDownloadSink sink(max_size);
  const bool result = Download(RequestInto(url, cancel, &sink));
  if (result && out) *out = sink.Take();
  return result;
}

std::string Downloader::GetCustomHeader(const std::string& name) const {
  auto query = LAZY_IMPORT(base::kWininet, HttpQueryInfoA);
  if (!query || !request_) return std::string();
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  DWORD length = static_cast<DWORD>(buffer.size());
  if (!query(request_.get(), HTTP_QUERY_CUSTOM, buffer.data(), &length, nullptr)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || length == 0) return std::string();
    buffer.assign(length + 1, '\0');  // room for the value and its terminator
    std::copy(name.begin(), name.end(), buffer.begin());
    if (!query(request_.get(), HTTP_QUERY_CUSTOM, buffer.data(), &length, nullptr))
      return std::string();
  }
  return std::string(buffer.data(), std::min<size_t>(length, buffer.size()));
}

DownloadOutcome Download(const DownloadRequest& request) {
  DownloadOutcome outcome;
  Downloader downloader;
  downloader.SetTimeouts(request.connect_timeout_ms, request.receive_timeout_ms);
  outcome.ok = downloader.Download(request);
  outcome.last_error = downloader.last_error();
  outcome.redirect_url = downloader.redirect_url();
  outcome.content_length = downloader.content_length();
  outcome.exception = downloader.exception();
  return outcome;
}

}  // namespace net
