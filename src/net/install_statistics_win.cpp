#include "net/install_statistics.h"

#include <shlwapi.h>
#include <wininet.h>

#include <vector>

#include "base/file_util.h"
#include "base/file_version.h"
#include "base/process.h"
#include "base/registry.h"
#include "base/service_hosts.h"
#include "base/strings.h"
#include "logging/log.h"
#include "net/downloader.h"

namespace net {

namespace {

constexpr DWORD kStatisticsTimeoutMs = 2000;
constexpr DWORD kEscapeBufferSize = 2084;

std::wstring ReadProductValue(const wchar_t* name) {
  base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductRegistryKey, KEY_QUERY_VALUE);
  if (!key.valid()) return std::wstring();
  return key.ReadString(name).value_or(std::wstring());
}

}  // namespace

// UrlEscapeW escapes U+0080..U+00FF as one Latin-1 byte and leaves larger characters as they
// are, which narrowing the URL would then mangle. Non-ASCII text is therefore escaped as UTF-8
// first; UrlEscapeW leaves those "%" escapes alone.
std::wstring EscapeUrlSegment(const std::wstring& text) {
  auto escape = LAZY_IMPORT(base::kShlwapi, UrlEscapeW);
  if (!escape || text.empty()) return std::wstring();
  const std::wstring ascii = PercentEncodeNonAscii(text);
  std::vector<wchar_t> buffer(kEscapeBufferSize, L'\0');
  DWORD length = kEscapeBufferSize;
  if (FAILED(escape(ascii.c_str(), buffer.data(), &length, URL_ESCAPE_SEGMENT_ONLY)) || length == 0)
    return std::wstring();
  return std::wstring(buffer.data(), length);
}

namespace {

std::wstring LaunchedValue() {
  const std::wstring event_name = LaunchedEventName(ReadProductValue(L"InstallerSuccessLaunchCmdLine"));
  if (event_name.empty()) return L"false";
  base::ScopedHandle event(OpenEventW(SYNCHRONIZE, FALSE, event_name.c_str()));
  return event ? L"true" : L"false";
}

// Ends the request as soon as it is on the wire: no answer is read. Wine's WinINet defers that
// close and still waits for the answer, so the request also gets the receive time-out when it is
// created (Wine does not pass a session's receive time-out on to its requests).
void CALLBACK CloseWhenSent(HINTERNET handle, DWORD_PTR, DWORD status, void* info, DWORD info_length) noexcept {
  if (status == INTERNET_STATUS_HANDLE_CREATED && info && info_length >= sizeof(DWORD_PTR)) {
    auto set_option = LAZY_IMPORT(base::kWininet, InternetSetOptionW);
    HINTERNET request = reinterpret_cast<HINTERNET>(*static_cast<const DWORD_PTR*>(info));
    DWORD timeout = kStatisticsTimeoutMs;
    if (request && set_option) set_option(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    return;
  }
  if (status != INTERNET_STATUS_REQUEST_SENT) return;
  // The handle stays the session's child: closing it early is the whole point here.
  static_cast<void>(base::InternetHandleTraits::Close(handle));
}

}  // namespace

std::wstring ReadSavedInstallStat() { return ReadProductValue(kInstallStatValue); }


InstallStatSender::InstallStatSender(int32_t installer_type, const std::wstring& saved_text,
                                     const UserIdFunction& user_id)
    : installer_type_(installer_type), params_(ParseStatParams(saved_text)) {
  params_["launched"] = LaunchedValue();
  params_["ui"] = base::AsciiToWide(user_id ? user_id() : std::string());
  if (params_.find("old_ver") == params_.end()) {
    std::wstring old_version = ReadProductValue(L"vxpv");
    if (old_version.empty()) old_version = ReadProductValue(L"pv");
    params_["old_ver"] = old_version;
  }
  params_["lite_ver"] = base::AsciiToWide(base::GetFileVersionText(base::GetExecutablePath()));
  params_["installer_type"] = base::AsciiToWide(InstallerTypeName(installer_type_));
}

InstallStatSender::~InstallStatSender() {
  if (installer_type_ == 0 || installer_type_ == 1) {
    base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductRegistryKey, KEY_SET_VALUE);
    if (key.valid()) key.DeleteValue(kInstallStatValue);
  }
}

void InstallStatSender::SetParam(StatParam param, const std::string& value) {
  const char* name = StatParamName(param);
  if (*name == '\0' || param == kStatOldVer) return;
  params_[name] = base::AsciiToWide(value);
}

std::wstring InstallStatSender::GetOldVersion() const {
  auto it = params_.find("old_ver");
  return it == params_.end() ? std::wstring() : it->second;
}

std::wstring InstallStatSender::GetQueryUrl(const StatParams& event) const {
  const StatParams merged = MergeStatParams(params_, event);
  LOG(INFO) << "InstallStatSender::Send:";
  for (const auto& [key, value] : merged) LOG(INFO) << key << "=" << value;
  const std::string vars = BuildStatVars(merged, EscapeUrlSegment);
  return base::AsciiToWide(BuildStatUrl(base::ServiceHost(base::Service::kStatistics), kind_, vars));
}

bool InstallStatSender::Save() const {
  base::RegistryKey key = base::RegistryKey::Create(HKEY_CURRENT_USER, kProductRegistryKey, KEY_SET_VALUE);
  return key.valid() && key.WriteString(kInstallStatValue, SerializeStatParams(params_)) == ERROR_SUCCESS;
}

AsyncHttpRequester::AsyncHttpRequester() : queue_(std::make_unique<Queue>()) {
  queue_->work_event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

AsyncHttpRequester::~AsyncHttpRequester() {
  {
    std::lock_guard<std::mutex> hold(queue_->lock);
    queue_->stop = true;
    queue_->urls.clear();
    if (queue_->work_event) SetEvent(queue_->work_event.get());
  }
  if (thread_ && !base::WaitDeliveringSentMessages(thread_.get(), kRequesterStopWaitMs)) {
    LOG(WARNING) << "Statistics request still in progress at exit";
    static_cast<void>(queue_.release());  // the worker's until the process ends
  }
}

bool AsyncHttpRequester::InitializeThread() {
  if (queue_->work_event) thread_.reset(CreateThread(nullptr, 0, &AsyncHttpRequester::ThreadMain, queue_.get(), 0, nullptr));
  if (!thread_) {
    PLOG(ERROR) << "Failed to create thread for async http requests";
    return false;
  }
  return true;
}

bool AsyncHttpRequester::Post(const std::wstring& url) {
  std::lock_guard<std::mutex> hold(queue_->lock);
  if (!thread_ && !InitializeThread()) return false;
  queue_->urls.push_back(url);
  SetEvent(queue_->work_event.get());
  return true;
}

DWORD WINAPI AsyncHttpRequester::ThreadMain(void* param) {
  Queue& queue = *static_cast<Queue*>(param);
  for (;;) {
    WaitForSingleObject(queue.work_event.get(), INFINITE);
    for (;;) {
      std::wstring url;
      {
        std::lock_guard<std::mutex> hold(queue.lock);
        if (queue.stop) return 0;
        if (queue.urls.empty()) break;
        url = std::move(queue.urls.front());
        queue.urls.pop_front();
      }
      SendUrl(url);
    }
  }
}

void SendUrl(const std::wstring& url) {
  auto open = LAZY_IMPORT(base::kWininet, InternetOpenW);
  base::ScopedInternet internet(
      open ? open(kStatisticsUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0) : nullptr);
  if (!internet) {
    PLOG(ERROR) << "Failed to open session for " << url;
    return;
  }
  if (auto set_callback = LAZY_IMPORT(base::kWininet, InternetSetStatusCallbackW))
    set_callback(internet.get(), CloseWhenSent);

  auto set_option = LAZY_IMPORT(base::kWininet, InternetSetOptionW);
  DWORD timeout = kStatisticsTimeoutMs;
  if (!set_option ||
      !set_option(internet.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof(timeout)) ||
      !set_option(internet.get(), INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout)) ||
      !set_option(internet.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout))) {
    PLOG(ERROR) << "Failed to set internet options for " << url;
    return;
  }

  static OpenUrlFunction open_url(base::kWininet, "InternetOpenUrlW");
  ExceptionInfo exception;
  HINTERNET request = GuardedOpenUrl(open_url, internet.get(), url.c_str(), L"Accept: */*",
                                     INTERNET_FLAG_RELOAD, 1, &exception);
  // The request handle was closed by the callback (or goes with the session below). Windows
  // fails the call with ERROR_INTERNET_OPERATION_CANCELLED after that close; a WinINet that
  // finishes the call instead returns the handle, which is no failure either, whatever stale
  // error code the thread holds.
  if (exception.code != 0) {
    PLOG(ERROR) << "An attempt to open url " << url << " generated an exception " << exception.code;
  } else if (!request && GetLastError() != ERROR_INTERNET_OPERATION_CANCELLED) {
    PLOG(ERROR) << "Failed to open " << url;
  }
}

InstallStatistics::InstallStatistics(int32_t installer_type, const std::wstring& saved_text,
                                     UserIdFunction user_id)
    : sender_(installer_type, saved_text, user_id) {}

InstallStatistics::~InstallStatistics() = default;

void InstallStatistics::SetParam(StatParam param, const std::string& value) {
  std::lock_guard<std::mutex> hold(lock_);
  sender_.SetParam(param, value);
}

std::wstring InstallStatistics::GetOldVersion() const {
  std::lock_guard<std::mutex> hold(lock_);
  return sender_.GetOldVersion();
}

bool InstallStatistics::Save() const {
  std::lock_guard<std::mutex> hold(lock_);
  return sender_.Save();
}

StatParams InstallStatistics::params() const {
  std::lock_guard<std::mutex> hold(lock_);
  return sender_.params();
}

bool InstallStatistics::Send(const StatParams& event) {
  std::wstring url;
  {
    std::lock_guard<std::mutex> hold(lock_);
    sender_.set_kind(default_kind_);
    url = sender_.GetQueryUrl(event);
  }
  return requester_.Post(url);
}

bool InstallStatistics::SendDialogEvent(const StatParams& event) {
  std::wstring url;
  {
    std::lock_guard<std::mutex> hold(lock_);
    sender_.set_kind(1);
    url = sender_.GetQueryUrl(event);
    sender_.set_kind(default_kind_);
  }
  return requester_.Post(url);
}

}  // namespace net
