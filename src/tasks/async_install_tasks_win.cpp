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
  if (!downloader.DownloadToFile(url, path, stop))
    PLOG_AT(ERROR, "installer/lite_installer/async_install_tasks") << failure << downloader.last_error();
}

}  // namespace

AsyncInstallTasks::AsyncInstallTasks(const TaskSettings& settings)
    : stop_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
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
    tasks_.push_back([url, path](HANDLE stop) { static_cast<void>(DownloadAndSaveVariations(url, path, stop)); });
  }
  if (!abtup_path_.empty()) {
    std::string url = AppendVariationsQuery(settings.abt_url, settings);
    std::wstring path = abtup_path_;
    // A task that fails has logged why; the installation goes on without its file.
    tasks_.push_back([url, path](HANDLE stop) { static_cast<void>(DownloadAndSaveVariations(url, path, stop)); });
  }
  if (!webntp_path_.empty()) {
    std::string url = settings.webntp_url;
    std::wstring path = webntp_path_;
    tasks_.push_back([url, path](HANDLE stop) { DownloadWebNtp(url, path, stop); });
  }
  if (!scup_path_.empty()) {
    std::string url = ServerConfigUrl(base::ServiceHost(base::Service::kReport), settings.brand_id, settings.partner_id);
    std::wstring path = scup_path_;
    tasks_.push_back(
        [url, path](HANDLE stop) { DownloadBundle(url, path, stop, "Failed to download server config bundle: "); });
  }
  if (!pwexp_path_.empty() && !settings.wallpapers_url.empty()) {
    std::string url = settings.wallpapers_url + param("pwexp", nullptr).value_or("");
    std::wstring path = pwexp_path_;
    tasks_.push_back(
        [url, path](HANDLE stop) { DownloadBundle(url, path, stop, "Failed to download wallpaper bundle: "); });
  }
  if (tasks_.empty()) return;
  thread_.reset(CreateThread(nullptr, 0, &AsyncInstallTasks::ThreadMain, this, 0, nullptr));
  if (!thread_) PLOG(ERROR) << "Failed to create thread for async install tasks";
}

AsyncInstallTasks::~AsyncInstallTasks() {
  if (thread_) {
    SetEvent(stop_event_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
  }
  for (const std::wstring* path : {&vup_path_, &abtup_path_, &scup_path_})
    if (!path->empty()) DeleteFileW(path->c_str());
}

bool AsyncInstallTasks::WaitForCompletion(DWORD timeout_ms) const {
  return !thread_ || WaitForSingleObject(thread_.get(), timeout_ms) == WAIT_OBJECT_0;
}

DWORD WINAPI AsyncInstallTasks::ThreadMain(void* self) {
  auto* tasks = static_cast<AsyncInstallTasks*>(self);
  for (const auto& task : tasks->tasks_) {
    if (base::IsSignalled(tasks->stop_event_.get())) break;
    task(tasks->stop_event_.get());
  }
  return 0;
}

}  // namespace tasks
