#include "install/installer.h"

#include <process.h>

#include <cmath>

#include "base/clock.h"
#include "base/lazy_import.h"
#include "base/os_version.h"
#include "base/process.h"
#include "base/random.h"
#include "base/service_hosts.h"
#include "base/strings.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "install/delayed_params.h"
#include "install/elevation.h"
#include "install/installation_report.h"
#include "install/installer_delegate.h"
#include "install/setup_command_line.h"
#include "install/setup_downloader.h"
#include "install/setup_launch.h"
#include "install/setup_run.h"
#include "logging/log.h"
#include "net/downloader.h"
#include "tasks/async_install_tasks.h"

namespace install {

namespace {

int64_t Seconds(int64_t micros) { return micros / 1000000; }

std::optional<std::string> Param(const distrib::DistribParams* distrib, std::string_view key) {
  if (!distrib) return std::nullopt;
  return distrib->Get(key);
}

std::wstring ScreenResolution() {
  auto metrics = LAZY_IMPORT(base::kUser32, GetSystemMetrics);
  return base::NumberToWide(metrics ? metrics(SM_CXSCREEN) : 0) + L"x" +
         base::NumberToWide(metrics ? metrics(SM_CYSCREEN) : 0);
}

// The download's progress goes to the window.
class DelegateObserver : public net::DownloadProgressObserver {
 public:
  explicit DelegateObserver(InstallerDelegate* delegate) : delegate_(delegate) {}
  void OnProgress(float fraction) override {
    if (delegate_) delegate_->OnDownloadProgress(fraction);
  }
  void OnSlowDownload() override {
    if (delegate_) delegate_->OnSlowDownload();
  }
  // The estimate covers the download; 240 s are added for the setup's own work.
  void OnTimeLeft(int32_t seconds, int32_t state) override {
    if (delegate_) delegate_->OnTimeLeft(seconds + 240, state);
  }

 private:
  InstallerDelegate* delegate_;
};

}  // namespace

Installer::Installer(InstallerDelegate* delegate, const distrib::BrandInfo* brand, distrib::DistribParams* distrib,
                     bool with_tasks, InstallerEnvironment environment)
    : statistics_(0, net::ReadSavedInstallStat(), environment.user_id),
      delegate_(delegate),
      brand_(brand),
      distrib_(distrib),
      environment_(std::move(environment)),
      work_dir_(brand ? brand->work_dir() : std::wstring()) {
  const base::CommandLine& command_line = environment_.command_line;
  installer_data_path_ = command_line.GetSwitchValue("installerdata");
  clids_path_ = command_line.GetSwitchValue("clids-file");
  clids_searchband_path_ = command_line.GetSwitchValue("clids-searchband-file");
  website_icon_path_ = command_line.GetSwitchValue("vorlex-website-icon-file");
  if (with_tasks) {
    tasks::TaskSettings settings;
    settings.param = [distrib](std::string_view key) { return Param(distrib, key); };
    if (brand) {
      settings.variations_url = brand->variations_url();
      settings.abt_url = brand->abt_url();
      settings.webntp_url = brand->webntp_url();
      settings.wallpapers_url = brand->preloaded_wallpapers_url();
      settings.brand_id = brand->brand_id();
      settings.partner_id = brand->partner_id();
    }
    if (environment_.user_id) settings.user_id = environment_.user_id();
    tasks_ = std::make_unique<tasks::AsyncInstallTasks>(settings);
  }
  statistics_.SetParam(net::kStatBrandId, brand ? brand->brand_id() : "unknown");
  statistics_.SetParam(net::kStatPartnerId, brand ? brand->partner_id() : "unknown");
  const std::pair<net::StatParam, const char*> kDistribStats[] = {
      {net::kStatBannerId, "banerid"}, {net::kStatDistrVorlexUid, "distr_vorlexuid"}, {net::kStatVorlexUid, "vorlexuid"}};
  for (const auto& [param, key] : kDistribStats) {
    if (std::optional<std::string> value = Param(distrib_, key)) statistics_.SetParam(param, *value);
  }
  stop_event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  proceed_event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

Installer::~Installer() {
  if (thread_ && !WaitForInstallAsync()) {
    PLOG_AT(ERROR, "~Installer") << "Failed to wait for install async exit.";
    // Terminating it could leave a lock or the heap in its hands; what it uses must outlive it.
    static_cast<void>(base::WaitDeliveringSentMessages(thread_.get(), INFINITE));
  }
  elevated_.reset();
}

void Installer::Start() {
  if (tasks_) tasks_->Begin();
  ResetEvent(stop_event_.get());
  ResetEvent(proceed_event_.get());
  thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Installer::ThreadMain, this, 0, nullptr)));
}

unsigned __stdcall Installer::ThreadMain(void* self) {
  static_cast<Installer*>(self)->InstallBrowser();
  return 0;
}

bool Installer::WaitForInstallAsync() {
  if (tasks_) tasks_->Stop();
  if (!thread_) return true;
  SetEvent(stop_event_.get());
  const ULONGLONG now = GetTickCount64();
  if (stop_deadline_ == 0) stop_deadline_ = now + kInstallStopWaitMs;
  const DWORD left = now < stop_deadline_ ? static_cast<DWORD>(stop_deadline_ - now) : 0;
  return base::WaitDeliveringSentMessages(thread_.get(), left);
}

void Installer::RecordOkPressed() { ok_time_ = static_cast<int64_t>(base::MonotonicMicros()); }

void Installer::Proceed() {
  proceed_time_ = static_cast<int64_t>(base::MonotonicMicros());
  SetEvent(proceed_event_.get());
}

void Installer::RunSynchronously() {
  if (tasks_) tasks_->Begin();
  ResetEvent(stop_event_.get());
  Proceed();
  InstallBrowser();
}

void Installer::SetMakeDefault(bool value) {
  int version = base::GetWindowsVersion();
  make_default_ = value && version != base::kVersionWin8 && version != base::kVersionWin8_1;
}

bool Installer::ProbeInterface() {
  int version = base::GetWindowsVersion();
  if (version < base::kVersionWin8) return true;
  if (version < base::kVersionWin10) return false;
  return IsInternalInterfaceAvailableSafeCheck(CurrentSystemBuild(), environment_.command_line.GetProgram(),
                                               &interface_availability_);
}

void Installer::Send(net::StatParams event) { (void)statistics_.Send(event); }

base::CommandLine Installer::BuildSetupCommandLine(const std::wstring& program, bool with_files) const {
  SetupCommandLineInputs in;
  in.program = program;
  in.with_files = with_files;
  in.uac_declined = uac_declined_;
  in.progress_window = delegate_ ? reinterpret_cast<uintptr_t>(delegate_->GetWindow()) : 0;
  if (brand_) {
    in.brand_name = brand_->brand_name();
    if (brand_->has_brand_package()) in.brand_package = brand_->brand_package_path();
    if (brand_->has_partner_package()) in.partner_package = brand_->partner_package_path();
  }
  if (distrib_) {
    in.distrib_info_file = distrib_->json_path();
    in.uac_mode = distrib_->UacMode(environment_.command_line);
  }
  in.make_default = make_default_;
  in.send_statistics = send_statistics_;
  in.taskbar_shortcut = create_taskbar_shortcut_;
  in.ok_time = ok_time_;
  in.proceed_time = proceed_time_;
  in.interface_availability = interface_availability_;
  // The side-file paths are the worker's: it assigns them while the UI thread may build the early
  // command line of the elevated copy, which carries no files and must not read them.
  if (with_files) {
    in.installer_data = installer_data_path_;
    in.clids = clids_path_;
    in.clids_searchband = clids_searchband_path_;
    in.website_icon = website_icon_path_;
    in.partner_package_override = partner_package_override_path_;
  }
  if (tasks_) {
    in.tasks_exist = true;
    in.variations_path = tasks_->vup_path();
    in.abt_path = tasks_->abtup_path();
    in.webntp_path = tasks_->webntp_path();
    in.server_config_path = tasks_->scup_path();
    in.wallpaper_path = tasks_->pwexp_path();
  }
  in.previous_run_failed = !run_result_;
  return install::BuildSetupCommandLine(environment_.command_line, in);
}

bool Installer::StartElevatedInstaller() {
  elevated_.reset();
  elevated_ = install::StartElevatedInstaller(environment_.command_line,
                                              BuildSetupCommandLine(kElevatedPlaceholderProgram, false), &uac_declined_);
  return elevated_ != nullptr;
}

DelayedValues Installer::HandOffValues() const {
  DelayedValues values;
  values.clids_file_path = clids_path_;
  values.clids_searchband_file_path = clids_searchband_path_;
  values.vorlex_website_icon_file_path = website_icon_path_;
  values.installer_data_path = installer_data_path_;
  if (brand_ && brand_->has_brand_package()) values.brand_package_path = brand_->brand_package_path();
  if (brand_ && brand_->has_partner_package()) values.partner_package_path = brand_->partner_package_path();
  values.partner_package_override_path = partner_package_override_path_;
  values.histogram_download_time = base::NumberToWide(Seconds(download_time_));
  values.histogram_full_time = base::NumberToWide(proceed_time_);
  values.send_statistics = send_statistics_;
  values.make_default = make_default_;
  values.create_omrix_shortcut = create_taskbar_shortcut_;
  return values;
}

void Installer::InstallBrowser() {
  const base::CommandLine& command_line = environment_.command_line;
  Send({{"action", L"installer_started"},
        {"dpi", base::NumberToWide(std::lround(environment_.display_scale * 100))},
        {"resolution", ScreenResolution()}});
  ui_id_ = base::GenerateGuid();
  if (brand_) brand_->StoreLanguageHandoff();
  if (distrib_) {
    distrib_->SetSideFilePathsFrom(command_line, work_dir_);
    (void)distrib_->PrepareSideFiles();
    installer_data_path_ = distrib_->side_file_path(0);
    clids_path_ = distrib_->side_file_path(1);
    clids_searchband_path_ = distrib_->side_file_path(2);
    website_icon_path_ = distrib_->side_file_path(3);
    distrib_->StoreSideFileHandoff();
  }
  if (brand_) brand_->StoreBrandHandoff();
  LOG(INFO) << "Install Browser.";

  DelegateObserver progress(delegate_);
  SetupDownloader downloader(environment_, brand_, distrib_, statistics_, cancel_count_, stop_event_.get(), &progress);
  int failure = kFailureGeneral;
  setup_path_ = downloader.GetModulePath();
  if (!setup_path_.empty()) {
    failure = ObtainVerifyAndRun(downloader);
    permanent_lock_.reset();
    DeleteFileW(setup_path_.c_str());
  }
  // The setup has had its turn with the side data: the background downloads may end now, so
  // the process's end does not wait for them.
  if (tasks_) tasks_->Stop();

  if (failure != 0) {
    // Nothing else is cleaned after a failure: a later run uses the side files and hand-off.
    if (delegate_ && !base::IsSignalled(stop_event_.get())) delegate_->OnResult(failure);
  } else {
    if (distrib_) distrib_->RemoveHandoff();
    if (brand_) {
      brand_->RemoveBrandHandoff();
      if (brand_->has_brand_package()) DeleteFileW(brand_->brand_package_path().c_str());
      if (brand_->has_partner_package()) DeleteFileW(brand_->partner_package_path().c_str());
    }
  }
  // The window stays until the browser's message window is gone (or the setup closes it).
  auto find_window = LAZY_IMPORT(base::kUser32, FindWindowExW);
  while (delegate_ && WaitForSingleObject(stop_event_.get(), environment_.browser_window_poll_ms) != WAIT_OBJECT_0) {
    if (!find_window || !find_window(HWND_MESSAGE, nullptr, L"VorlexBrowser_MessageWindow", nullptr)) {
      delegate_->OnFinished(1);
      break;
    }
  }
  ReportInstallationFinished(failure);
}

int Installer::ObtainVerifyAndRun(SetupDownloader& downloader) {
  bool permanent_lock = !Param(distrib_, "setup_arc_permanent_lock").value_or("").empty();
  LOG(INFO) << "Executable path: " << setup_path_;
  DeleteFileW(setup_path_.c_str());
  uint64_t download_start = base::WallClockMicros();
  int failure = downloader.DownloadOrExtractModule(setup_path_, permanent_lock ? &permanent_lock_ : nullptr);
  download_time_ = downloader.download_time();
  if (failure != 0) {
    result_code_ = kExitSetupNotObtained;  // also when the file could not even be written
    return failure;
  }
  uint64_t download_end = base::WallClockMicros();

  HANDLE events[] = {stop_event_.get(), proceed_event_.get()};
  if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
    PLOG(ERROR) << "Installation after download event isn't in signal state or installation was stopped early.";
    return kFailureGeneral;
  }
  uint64_t proceed_seen = base::WallClockMicros();

  SetupLaunch launch;
  launch.elevated = elevated_.get();
  if (elevated_) launch.hand_off = HandOffValues();
  launch.record = environment_.hand_off_record;
  launch.command_line = [this] { return BuildSetupCommandLine(setup_path_, true); };
  SetupRun run(setup_path_, environment_.verify_setup, statistics_, delegate_, stop_event_.get(), result_code_);
  const SetupRun::Result result = run.Run(permanent_lock ? &permanent_lock_ : nullptr, launch);
  if (result == SetupRun::Result::kNotLaunched) return kFailureGeneral;
  if (!elevated_) run_result_ = result == SetupRun::Result::kRan;
  setup_time_ = run.setup_time();
  elevated_.reset();
  if (result != SetupRun::Result::kRan) return kFailureGeneral;
  if (!run_result_ || environment_.command_line.HasSwitch("do-not-launch-browser")) {
    if (delegate_) {
      delegate_->SetPercentage(100);
      delegate_->OnFinished(1);
    }
    delegate_ = nullptr;
  }
  total_time_ = static_cast<int64_t>((download_end - download_start) + (base::WallClockMicros() - proceed_seen));
  return 0;
}

void Installer::ReportInstallationFinished(int failure) {
  InstallationReport report;
  report.user_id = base::WideToUtf8(ui_id_);
  report.cancelled = cancel_count_.load() > 0;
  report.succeeded = failure == 0;
  report.total_seconds = Seconds(total_time_);
  report.download_seconds = Seconds(download_time_);
  report.setup_seconds = Seconds(setup_time_);
  std::string url = BuildInstallationReportUrl(base::ServiceHost(base::Service::kReport), report);
  LOG_AT(INFO, "Download") << "Attempt to download module: " << url;
  net::StringDownloadSink sink;
  net::DownloadRequest request;
  request.url = base::AsciiToWide(url);
  request.sink = &sink;
  request.stop_check = net::StopCheck::kBeforeRead;
  // Sent even after a stop request (no stop event): a cancelled installation is reported too.
  // The process's exit waits for it, so a silent server may hold it only this long.
  request.connect_timeout_ms = net::kEndRequestTimeoutMs;
  request.receive_timeout_ms = net::kEndRequestTimeoutMs;
  net::DownloadOutcome outcome = net::Download(request);
  if (!outcome.ok) PLOG(ERROR) << "Cannot report installation status: " << outcome.last_error;
}

}  // namespace install
