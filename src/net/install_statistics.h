// Install statistics: common parameters kept by InstallStatSender, URLs sent one by one, in
// posting order, by AsyncHttpRequester's worker thread, fire-and-forget.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/lazy_import.h"
#include "base/unique_handle.h"
#include "net/install_stat_query.h"

namespace net {

inline constexpr wchar_t kStatisticsUserAgent[] = L"Vorlex.Browser installer";
inline constexpr wchar_t kProductRegistryKey[] = L"Software\\Vorlex\\VorlexBrowser";
inline constexpr wchar_t kInstallStatValue[] = L"install_stat";

// The installation's user id (sent as "ui").
using UserIdFunction = std::function<std::string()>;

// The saved common parameters ("install_stat" under the product key); empty when absent.
std::wstring ReadSavedInstallStat();
// A URL path segment escaped with UrlEscapeW(URL_ESCAPE_SEGMENT_ONLY), non-ASCII text as UTF-8;
// empty when escaping fails.
std::wstring EscapeUrlSegment(const std::wstring& text);

class InstallStatSender {
 public:
  InstallStatSender(int32_t installer_type, const std::wstring& saved_text, const UserIdFunction& user_id);
  ~InstallStatSender();
  InstallStatSender(const InstallStatSender&) = delete;
  InstallStatSender& operator=(const InstallStatSender&) = delete;

  void SetParam(StatParam param, const std::string& value);
  std::wstring GetOldVersion() const;
  // The statistics URL of one report of the current kind.
  std::wstring GetQueryUrl(const StatParams& event) const;
  [[nodiscard]] bool Save() const;

  void set_kind(int32_t kind) { kind_ = kind; }
  int32_t kind() const { return kind_; }
  const StatParams& params() const { return params_; }

 private:
  int32_t target_ = 0;
  int32_t installer_type_;
  StatParams params_;
  int32_t kind_ = 0;
};

// How long destruction waits for the request in flight (each of its steps has a 2 s time-out).
// A worker still busy then is left to finish it on its own: the queue it works on is left to it
// (not freed), and the process's end does not wait for a silent server.
inline constexpr DWORD kRequesterStopWaitMs = 3000;

class AsyncHttpRequester {
 public:
  AsyncHttpRequester();
  // Stops the worker after the request in flight (waiting kRequesterStopWaitMs at most); URLs
  // still queued are dropped.
  ~AsyncHttpRequester();
  AsyncHttpRequester(const AsyncHttpRequester&) = delete;
  AsyncHttpRequester& operator=(const AsyncHttpRequester&) = delete;

  // Queues url for the worker thread (started on first use); false when it cannot start.
  [[nodiscard]] bool Post(const std::wstring& url);

 private:
  // What the worker works on; freed with the requester unless the worker outlives it.
  struct Queue {
    std::mutex lock;
    base::ScopedHandle work_event;
    bool stop = false;
    std::deque<std::wstring> urls;
  };
  [[nodiscard]] bool InitializeThread();
  static DWORD WINAPI ThreadMain(void* queue);

  base::ScopedHandle thread_;
  std::unique_ptr<Queue> queue_;
};

// One fire-and-forget GET: the request is abandoned as soon as it has been sent (or, where the
// system still reads the answer, once no answer came within the time-out).
void SendUrl(const std::wstring& url);

class InstallStatistics {
 public:
  InstallStatistics(int32_t installer_type, const std::wstring& saved_text, UserIdFunction user_id);
  ~InstallStatistics();
  InstallStatistics(const InstallStatistics&) = delete;
  InstallStatistics& operator=(const InstallStatistics&) = delete;

  void SetParam(StatParam param, const std::string& value);
  std::wstring GetOldVersion() const;
  [[nodiscard]] bool Send(const StatParams& event);
  // A dialog-window event: kind 1 for this one report.
  [[nodiscard]] bool SendDialogEvent(const StatParams& event);
  [[nodiscard]] bool Save() const;
  // A copy of the common parameters.
  StatParams params() const;

 private:
  int32_t default_kind_ = 0;
  // The installation worker sets parameters while the UI thread sends its events: every use of
  // the sender (its parameters and the kind switch of a dialog event) holds this lock.
  mutable std::mutex lock_;
  InstallStatSender sender_;
  AsyncHttpRequester requester_;
};

}  // namespace net
