#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "base/diag_log.h"
#include "base/lazy_import.h"
#include "base/strings.h"
#include "base/unique_internet.h"
#include "crash/http_transport.h"
#include "base/file_version.h"

namespace crash {

namespace {

void LogWinHttpFailure(const char* call) { base::DiagLog(WinHttpErrorMessage(call, GetLastError())); }

// One WinHTTP handle whose failed close is logged like every other WinHTTP failure.
class ScopedWinHttp {
 public:
  explicit ScopedWinHttp(HINTERNET handle) : handle_(handle) {}
  ~ScopedWinHttp() {
    if (handle_ && !handle_.close()) LogWinHttpFailure("WinHttpCloseHandle");
  }
  explicit operator bool() const { return static_cast<bool>(handle_); }
  HINTERNET get() const { return handle_.get(); }

 private:
  base::ScopedWinHttp handle_;
};

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH];
  DWORD length = module ? GetModuleFileNameW(module, path, MAX_PATH) : 0;
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(path, length);
}

#if !defined(_WIN64)
bool IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
#endif

std::string UserAgent() {
  std::string agent = "Crashpad/0.8.0 WinHTTP";
  std::string winhttp_version = base::ReadFileVersion(ModulePath(base::kWinhttp.Module())).value_or("");
  if (!winhttp_version.empty()) agent += "/" + winhttp_version;
  agent += " Windows_NT";
  std::string kernel_version = base::ReadFileVersion(ModulePath(GetModuleHandleW(L"kernel32.dll"))).value_or("");
  if (!kernel_version.empty()) agent += "/" + kernel_version;
#if defined(_WIN64)
  agent += " (x64";
#else
  agent += " (x86";
  if (IsWow64()) agent += "; WoW64";
#endif
  agent += ")";
  return agent;
}

std::optional<uint64_t> ContentLength(const HeaderMap& headers) {
  for (const auto& [name, value] : headers) {
    if (base::EqualsCaseInsensitiveAscii(name, std::string_view("Content-Length"))) return base::ParseUint64(value);
  }
  return std::nullopt;
}

}  // namespace

std::string WinHttpErrorMessage(const char* call, uint32_t code) {
  char text[256];
  DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
  HMODULE winhttp = base::kWinhttp.Module();
  if (winhttp) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  DWORD length = FormatMessageA(flags, winhttp, code, 0, text, sizeof(text), nullptr);
  char message[512];
  if (length == 0) {
    std::snprintf(message, sizeof(message), "%s: error 0x%lx while retrieving error 0x%lx", call,
                  static_cast<unsigned long>(GetLastError()), static_cast<unsigned long>(code));
    return message;
  }
  if (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
  std::snprintf(message, sizeof(message), "%s: %.*s (0x%lx)", call, static_cast<int>(length), text,
                static_cast<unsigned long>(code));
  return message;
}

bool CrashUploadTransport::Send(std::string* response_body) {
#define VORLEX_WINHTTP(fn)                               \
  auto fn##_call = LAZY_IMPORT(base::kWinhttp, fn).get(); \
  if (!fn##_call) {                                      \
    LogWinHttpFailure(#fn);                              \
    return false;                                        \
  }
  VORLEX_WINHTTP(WinHttpOpen)
  VORLEX_WINHTTP(WinHttpSetTimeouts)
  VORLEX_WINHTTP(WinHttpCrackUrl)
  VORLEX_WINHTTP(WinHttpConnect)
  VORLEX_WINHTTP(WinHttpOpenRequest)
  VORLEX_WINHTTP(WinHttpAddRequestHeaders)
  VORLEX_WINHTTP(WinHttpSendRequest)
  VORLEX_WINHTTP(WinHttpWriteData)
  VORLEX_WINHTTP(WinHttpReceiveResponse)
  VORLEX_WINHTTP(WinHttpQueryHeaders)
  VORLEX_WINHTTP(WinHttpReadData)
#undef VORLEX_WINHTTP

  ScopedWinHttp session(WinHttpOpen_call(base::AsciiToWide(UserAgent()).c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                         WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return LogWinHttpFailure("WinHttpOpen"), false;

  int timeout_ms = static_cast<int>(timeout_seconds_ * 1000);
  if (!WinHttpSetTimeouts_call(session.get(), timeout_ms, timeout_ms, timeout_ms, timeout_ms))
    return LogWinHttpFailure("WinHttpSetTimeouts"), false;

  std::wstring url = base::Utf8ToWide(url_);
  URL_COMPONENTS components = {};
  components.dwStructSize = sizeof(components);
  components.dwSchemeLength = static_cast<DWORD>(-1);
  components.dwHostNameLength = static_cast<DWORD>(-1);
  components.dwUrlPathLength = static_cast<DWORD>(-1);
  components.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl_call(url.c_str(), 0, 0, &components)) return LogWinHttpFailure("WinHttpCrackUrl"), false;
  std::wstring host(components.lpszHostName, components.dwHostNameLength);
  std::wstring path(components.lpszUrlPath, components.dwUrlPathLength);
  if (components.lpszExtraInfo) path.append(components.lpszExtraInfo, components.dwExtraInfoLength);

  ScopedWinHttp connection(WinHttpConnect_call(session.get(), host.c_str(), components.nPort, 0));
  if (!connection) return LogWinHttpFailure("WinHttpConnect"), false;

  const bool secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  ScopedWinHttp request(WinHttpOpenRequest_call(connection.get(), base::AsciiToWide(method_).c_str(), path.c_str(),
                                                nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) return LogWinHttpFailure("WinHttpOpenRequest"), false;

  // The length goes to WinHttpSendRequest, not into a header line of our own.
  std::optional<uint64_t> length = ContentLength(headers_);
  for (const auto& [name, value] : headers_) {
    if (base::EqualsCaseInsensitiveAscii(name, std::string_view("Content-Length"))) continue;
    std::wstring line = base::Utf8ToWide(name + ": " + value + "\r\n");
    if (!WinHttpAddRequestHeaders_call(request.get(), line.c_str(), static_cast<DWORD>(-1), WINHTTP_ADDREQ_FLAG_ADD))
      return LogWinHttpFailure("WinHttpAddRequestHeaders"), false;
  }
  if (!length) {
    // Counting costs a second pass (a second compression for a gzip body) but keeps memory flat.
    length = body_ ? MeasureBodyStream(*body_, kBodyBlockSize) : std::optional<uint64_t>(0);
    if (!length) {
      base::DiagLog("Failed to read the request body");
      return false;
    }
  }
  // A length WinHTTP cannot take (4 GiB and more) would be silently truncated: refuse it.
  if (*length > 0xFFFFFFFFull) {
    base::DiagLog("Content-Length too large");
    return false;
  }
  if (!WinHttpSendRequest_call(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                               static_cast<DWORD>(*length), 0))
    return LogWinHttpFailure("WinHttpSendRequest"), false;

  std::vector<uint8_t> block(kBodyBlockSize);
  uint64_t sent = 0;
  for (;;) {
    int64_t count = body_ ? body_->Read(block.data(), block.size()) : 0;
    if (count < 0) {
      base::DiagLog("Failed to read the request body");
      return false;
    }
    if (count == 0) break;
    // The announced length is a promise: a body that grew since it was counted is not sent on.
    if (sent + static_cast<uint64_t>(count) > *length) break;
    DWORD written = 0;
    if (!WinHttpWriteData_call(request.get(), block.data(), static_cast<DWORD>(count), &written))
      return LogWinHttpFailure("WinHttpWriteData"), false;
    if (written != static_cast<DWORD>(count)) {
      base::DiagLog("WinHttpWriteData: short write");
      return false;
    }
    sent += static_cast<uint64_t>(count);
  }
  if (sent != *length) {
    base::DiagLog("Request body differs from its Content-Length " + std::to_string(*length));
    return false;
  }

  if (!WinHttpReceiveResponse_call(request.get(), nullptr)) return LogWinHttpFailure("WinHttpReceiveResponse"), false;
  DWORD status = 0;
  DWORD status_size = sizeof(status);
  if (!WinHttpQueryHeaders_call(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size, WINHTTP_NO_HEADER_INDEX))
    return LogWinHttpFailure("WinHttpQueryHeaders"), false;
  if (status != 200) {
    base::DiagLog("HTTP status " + std::to_string(status));
    return false;
  }

  response_body->clear();
  char answer[4096];
  while (response_body->size() < kMaxResponseSize) {
    DWORD read = 0;
    const DWORD room = static_cast<DWORD>(std::min(sizeof(answer), kMaxResponseSize - response_body->size()));
    if (!WinHttpReadData_call(request.get(), answer, room, &read)) return LogWinHttpFailure("WinHttpReadData"), false;
    if (read == 0) break;
    response_body->append(answer, read);
  }
  return true;
}

}  // namespace crash
