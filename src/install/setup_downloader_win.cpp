#include "install/setup_downloader.h"

#include <shlwapi.h>
#include <wininet.h>

#include <vector>

#include "base/clock.h"
#include "base/file_util.h"
#include "base/file_version.h"
#include "base/lazy_import.h"
#include "base/os_version.h"
#include "base/process.h"
#include "base/service_hosts.h"
#include "base/strings.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "install/download_plan.h"
#include "install/environment_checks.h"
#include "install/installer_delegate.h"
#include "install/module_time.h"
#include "logging/log.h"
#include "net/downloader.h"

namespace install {

namespace {

// The host name of a redirect target, as the attempt report names it.
std::wstring RedirectHost(const std::wstring& redirect_url) {
  auto canonicalize = LAZY_IMPORT(base::kWininet, InternetCanonicalizeUrlW);
  auto crack = LAZY_IMPORT(base::kWininet, InternetCrackUrlW);
  if (!canonicalize || !crack) return {};
  std::vector<wchar_t> canonical(4096);
  DWORD length = static_cast<DWORD>(canonical.size());
  if (!canonicalize(redirect_url.c_str(), canonical.data(), &length, ICU_BROWSER_MODE)) return {};
  wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH + 1;
  if (!crack(canonical.data(), length, ICU_DECODE, &parts)) return {};
  return std::wstring(host, parts.dwHostNameLength);
}


// Moves to the start and cuts the file: the next transfer begins from nothing.
void EmptyFile(HANDLE file, net::DownloadSink* sink) {
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  sink->size = 0;
}

}  // namespace

SetupDownloader::SetupDownloader(const InstallerEnvironment& environment, const distrib::BrandInfo* brand,
                                 const distrib::DistribParams* distrib, net::InstallStatistics& statistics,
                                 const std::atomic<int32_t>& cancel_count, HANDLE stop_event,
                                 net::DownloadProgressObserver* progress)
    : environment_(environment),
      brand_(brand),
      distrib_(distrib),
      statistics_(statistics),
      cancel_count_(cancel_count),
      stop_event_(stop_event),
      progress_(progress) {}

void SetupDownloader::Send(net::StatParams event) { (void)statistics_.Send(event); }

std::wstring SetupDownloader::GetModulePath() {
  std::wstring path;
  const std::wstring work_dir = brand_ ? brand_->work_dir() : std::wstring();
  if (!work_dir.empty())
    path = environment_.create_temp_file ? environment_.create_temp_file(work_dir, L"vb")
                                         : base::CreateTemporaryFileIn(work_dir, L"vb");
  if (path.empty()) PLOG(ERROR) << "Cannot obtain temp file.";
  return path;
}

int SetupDownloader::DownloadOrExtractModule(const std::wstring& path, base::ScopedFile* permanent_lock) {
  uint64_t start = base::WallClockMicros();
  base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, permanent_lock ? FILE_SHARE_READ : 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    PLOG(ERROR) << "Cannot create file:" << path;
    // A setup that could not even be stored was not obtained either.
    PLOG_AT(ERROR, "GetModule") << "Module was not downloaded: " << path;
    return kFailureGeneral;
  }
  LOG(INFO) << "Try to download module:" << path;
  int result = DownloadModule(file.get());
  if (permanent_lock) *permanent_lock = std::move(file);
  file.reset();
  download_time_ = static_cast<int64_t>(base::WallClockMicros() - start);
  if (result != 0) {
    PLOG_AT(ERROR, "GetModule") << "Module was not downloaded: " << path;
    return result;
  }
  LOG_AT(INFO, "GetModule") << "Module downloaded: " << path;
  statistics_.SetParam(net::kStatNewVer, base::GetFileVersionText(path));
  statistics_.SetParam(net::kStatInstallType, "normal");
  Send({{"action", L"download"}, {"stage", L"finished"}, {"download_time", base::NumberToWide(download_time_ / 1000000)}});
  return 0;
}

bool SetupDownloader::IsVersionedSetupUrlAllowed(const std::string& url) const {
  std::optional<uint64_t> date;
  if (!url.empty() && url.find('{') == std::string::npos) date = GetModuleCreationTime(base::GetExecutablePath());
  switch (CheckVersionedSetupUrl(url, date, base::WallClockMicros())) {
    case VersionedUrlVerdict::kAllowed:
      return true;
    case VersionedUrlVerdict::kPlaceholder:
      PLOG(ERROR) << "Wrong setup url:" << url;
      return false;
    default:
      return false;
  }
}

int SetupDownloader::DownloadModule(HANDLE file) {
  const base::CommandLine& command_line = environment_.command_line;
  net::FileDownloadSink sink(file, kMaxSetupSize);
  if (command_line.HasSwitch("download-x64")) {
    arch_.set_arch(Arch::k64);
  } else if (command_line.HasSwitch("download-x32")) {
    arch_.set_arch(Arch::k32);
  } else if (distrib_) {
    auto param = [this](const char* key) { return distrib_->Get(key); };
    arch_.AdjustDownloadUrl(command_line.HasSwitch("program-files-installation"), param("try_x64"), param("x64_ram"),
                            environment_.machine);
  }

  SetupUrlConfig config;
  if (brand_) {
    config.setup_url = brand_->setup_url();
    config.setup_url_version = brand_->setup_url_version();
    config.setup_url64 = brand_->setup_url64();
    config.setup_url32 = brand_->setup_url32();
  }
  int version = base::GetWindowsVersion();
  bool versioned = version != base::kVersionXp && version != base::kVersionVista &&
                   IsVersionedSetupUrlAllowed(config.setup_url_version);
  std::vector<std::string> urls =
      BuildSetupUrlList(config, arch_.arch(), version, versioned, base::ServiceHost(base::Service::kCdn));
  if (!HasSetupAddress(urls)) {
    PLOG(ERROR) << "Setup url is empty.";
    return kFailureDownload;
  }
  LOG(INFO) << "Selected download urls:";
  for (const std::string& url : urls) LOG(INFO) << url;
  Send({{"action", L"download"}, {"stage", L"started"}});

  AttemptPlan plan = PlanAttempts(urls.size());
  std::string previous_url;
  for (int attempt = 0; attempt < plan.max_attempts && !base::IsSignalled(stop_event_); ++attempt) {
    const std::string& url = urls[attempt / plan.per_url];
    if (url != previous_url) {
      previous_url = url;
      EmptyFile(file, &sink);
    }
    net::DownloadRequest request;
    request.url = base::AsciiToWide(url);
    request.sink = &sink;
    request.stop = stop_event_;
    request.stop_check = net::StopCheck::kBeforeRead;  // a stopped attempt is no failed one
    request.observer = progress_;
    const net::DownloadOutcome outcome = net::Download(request);
    const std::string& error = outcome.last_error;
    const std::wstring& redirect = outcome.redirect_url;
    const uint64_t content_length = outcome.content_length;
    const net::ExceptionInfo& exception = outcome.exception;
    if (outcome.ok) {
      ReportAttempt(attempt, true, error, sink.size, content_length, url, redirect);
      arch_.ConfigurateRegistry(attempt < plan.per_url);
      return 0;
    }
    if (exception.code != 0) {
      PLOG(ERROR) << net::ExceptionInfoText(exception);
      return IsCryptoProConflict(exception.code, exception.dll_name, exception.proc_name) ? kFailureCryptoPro
                                                                                     : kFailureDownload;
    }
    // A body over the ceiling is no partial setup to resume.
    if (!KeepPartialDownload(sink.size, content_length) || error.rfind("body_too_large-", 0) == 0)
      EmptyFile(file, &sink);
    ReportAttempt(attempt, false, error, sink.size, content_length, url, redirect);
    if (attempt + 1 < plan.max_attempts) WaitForSingleObject(stop_event_, environment_.download_backoff_ms);
  }
  PLOG(ERROR) << "Max download attempts failed (" << plan.max_attempts << ")";
  arch_.ConfigurateRegistry(false);
  return kFailureDownload;
}

void SetupDownloader::ReportAttempt(int attempt, bool success, const std::string& error, uint64_t downloaded,
                                    uint64_t total, const std::string& url, const std::wstring& redirect_url) {
  if (cancel_count_.load() > 0) return;
  if (!success) {
    Send({{"action", L"download"},
          {"stage", L"error"},
          {"error", L"attempt-" + base::NumberToWide(attempt + 1) + L"-" + base::AsciiToWide(error)}});
  }
  net::StatParams event = {{"action", L"download_attempt"},
                           {"status", success ? L"success" : L"failed"},
                           {"attempt_number", base::NumberToWide(attempt + 1)},
                           {"downloaded_size", base::NumberToWide(downloaded)},
                           {"total_size", base::NumberToWide(total)}};
  if (!success) event["error"] = base::AsciiToWide(error);
  if (std::wstring escaped = net::EscapeUrlSegment(base::AsciiToWide(url)); !escaped.empty()) event["url"] = escaped;
  if (!redirect_url.empty()) {
    if (std::wstring host = RedirectHost(redirect_url); !host.empty()) event["redirect"] = host;
  }
  if (arch_.arch() == Arch::k64) event["x64"] = L"1";
  Send(event);
}

}  // namespace install
