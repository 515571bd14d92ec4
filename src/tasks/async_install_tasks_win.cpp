#include "tasks/async_install_tasks.h"

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/process.h"
#include "base/random.h"
#include "base/service_hosts.h"
#include "logging/log.h"
#include "net/downloader.h"
#include "tasks/variations.h"
#include "tasks/webntp.h"

namespace tasks {

namespace {

// Reserves a fresh name in the temporary directory: the file is created (so the name is ours)
// and deleted again, leaving the path for the task's output.
std::wstring ReservePath() {
  std::wstring dir = base::GetTempDir();
  if (dir.empty()) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring guid = base::GenerateGuid();
    std::wstring path = base::AppendPath(dir, guid.substr(1, guid.size() - 2) + L".tmp");
    base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) continue;
    file.reset();
    DeleteFileW(path.c_str());
    return path;
  }
  return {};
}

void DownloadBundle(const std::string& url, const std::wstring& path, HANDLE stop, const char* failure) {
  net::Downloader downloader;
  downloader.SetTimeouts(net::kBackgroundTimeoutMs, net::kBackgroundTimeoutMs);
  if (!downloader.DownloadToFile(url, path, stop, kMaxBundleSize))
    PLOG_AT(ERROR, "installer/lite_installer/async_install_tasks") << failure << downloader.last_error();
}

}  // namespace

AsyncInstallTasks::AsyncInstallTasks(const TaskSettings& settings) : work_(std::make_unique<Work>()) {
  work_->stop_event.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  work_->begin_event.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::vector<std::function<void(HANDLE stop)>>& list = work_->tasks;
  auto param = [&](const char* key, const char* fallback) -> std::optional<std::string> {
    std::optional<std::string> value = settings.param ? settings.param(key) : std::nullopt;
    if (!value && fallback) value = fallback;
    return value;
  };
  auto reserve_if = [&](bool enabled, std::wstring* path) {
    if (enabled) *path = ReservePath();
  };
  reserve_if(param("vup", "1") == "1", &vup_path_);
  reserve_if(param("abtup", nullptr) == "1", &abtup_path_);
  reserve_if(param("webntp", nullptr) == "1", &webntp_path_);
  reserve_if(param("scup", nullptr) == "1", &scup_path_);
  std::optional<std::string> pwexp = param("pwexp", nullptr);
  // A wallpaper path is reserved whenever "pwexp" is given, though the task needs the URL too.
  reserve_if(pwexp && !pwexp->empty(), &pwexp_path_);

  if (!vup_path_.empty()) {
    std::string url = AppendVariationsQuery(settings.variations_url, settings);
    std::wstring path = vup_path_;
    // A task that fails has logged why; the installation goes on without its file.
    list.push_back([url, path](HANDLE stop) { static_cast<void>(DownloadAndSaveVariations(url, path, stop)); });
  }
  if (!abtup_path_.empty()) {
    std::string url = AppendVariationsQuery(settings.abt_url, settings);
    std::wstring path = abtup_path_;
    // A task that fails has logged why; the installation goes on without its file.
    list.push_back([url, path](HANDLE stop) { static_cast<void>(DownloadAndSaveVariations(url, path, stop)); });
  }
  if (!webntp_path_.empty()) {
    std::string url = settings.webntp_url;
    std::wstring path = webntp_path_;
    list.push_back([url, path](HANDLE stop) { DownloadWebNtp(url, path, stop); });
  }
  if (!scup_path_.empty()) {
    std::string url = ServerConfigUrl(base::ServiceHost(base::Service::kReport), settings.brand_id, settings.partner_id);
    std::wstring path = scup_path_;
    list.push_back(
        [url, path](HANDLE stop) { DownloadBundle(url, path, stop, "Failed to download server config bundle: "); });
  }
  if (!pwexp_path_.empty() && !settings.wallpapers_url.empty()) {
    std::string url = settings.wallpapers_url + param("pwexp", nullptr).value_or("");
    std::wstring path = pwexp_path_;
    list.push_back(
        [url, path](HANDLE stop) { DownloadBundle(url, path, stop, "Failed to download wallpaper bundle: "); });
  }
  if (list.empty() || !work_->stop_event || !work_->begin_event) return;
  thread_.reset(CreateThread(nullptr, 0, &AsyncInstallTasks::ThreadMain, work_.get(), 0, nullptr));
  if (!thread_) PLOG(ERROR) << "Failed to create thread for async install tasks";
}

AsyncInstallTasks::~AsyncInstallTasks() {
  if (thread_) {
    Stop();
    if (!base::WaitDeliveringSentMessages(thread_.get(), kTasksStopWaitMs)) {
      LOG(WARNING) << "Background task still in progress at exit";
      static_cast<void>(work_.release());  // the worker's until the process ends
    }
  }
  for (const std::wstring* path : {&vup_path_, &abtup_path_, &scup_path_})
    if (!path->empty()) DeleteFileW(path->c_str());
}

void AsyncInstallTasks::Begin() {
  if (work_->begin_event) SetEvent(work_->begin_event.get());
}

void AsyncInstallTasks::Stop() {
  if (work_->stop_event) SetEvent(work_->stop_event.get());
}

bool AsyncInstallTasks::WaitForCompletion(DWORD timeout_ms) const {
  return !thread_ || WaitForSingleObject(thread_.get(), timeout_ms) == WAIT_OBJECT_0;
}

DWORD WINAPI AsyncInstallTasks::ThreadMain(void* param) {
  Work& work = *static_cast<Work*>(param);
  const HANDLE events[] = {work.stop_event.get(), work.begin_event.get()};
  if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
  for (const auto& task : work.tasks) {
    if (base::IsSignalled(work.stop_event.get())) break;
    task(work.stop_event.get());
  }
  return 0;
}

}  // namespace tasks
