// One installation: obtain the setup (SetupDownloader), wait until the user interface lets it
// proceed, run it (SetupRun: lock, verify, start directly or through the elevated copy), report.
// Interactive runs use the worker thread (Start); silent runs call RunSynchronously on the main
// thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/unique_handle.h"
#include "install/exit_codes.h"
#include "install/installer_environment.h"
#include "net/install_statistics.h"

namespace distrib {
class BrandInfo;
class DistribParams;
}  // namespace distrib
namespace tasks {
class AsyncInstallTasks;
}  // namespace tasks

namespace install {

// How long the window's thread waits for the worker once it has asked it to stop, counted from
// the first request (the close handler's wait and destruction's share it). Every request the
// worker makes at the end has time-outs of a few seconds, so it normally ends well within this.
inline constexpr DWORD kInstallStopWaitMs = 7000;

struct DelayedValues;
class ElevatedInstaller;
class InstallerDelegate;
class SetupDownloader;

class Installer {
 public:
  Installer(InstallerDelegate* delegate, const distrib::BrandInfo* brand, distrib::DistribParams* distrib,
            bool with_tasks, InstallerEnvironment environment);
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;
  // Stops the worker, then the elevated copy, the statistics and the background tasks. A worker
  // is never terminated: an owner that cannot wait longer (the process is about to end) keeps
  // the Installer alive instead of destroying it (see WaitForInstallAsync); destroyed anyway, it
  // waits for the worker as long as that takes.
  ~Installer();

  // Start (the worker) and RunSynchronously (this thread) begin the background tasks with the
  // installation.
  void Start();
  // Asks the worker and the background tasks to stop and waits for the worker until
  // kInstallStopWaitMs after the first such request, delivering sent messages meanwhile (it is
  // called on the window's thread); false when the worker is still running.
  [[nodiscard]] bool WaitForInstallAsync();
  void RecordOkPressed();
  void Proceed();
  void RunSynchronously();

  void SetMakeDefault(bool value);
  void SetSendStatistics(bool value) { send_statistics_ = value; }
  void SetCreateTaskbarShortcut(bool value) { create_taskbar_shortcut_ = value; }
  [[nodiscard]] bool ProbeInterface();
  // The elevated copy, started through the UAC prompt; false when it did not start.
  [[nodiscard]] bool StartElevatedInstaller();
  void Cancel() { cancel_count_.fetch_add(1); }
  void DropDelegate() { delegate_ = nullptr; }

  // Read by the window's thread while the worker may still be finishing.
  int result_code() const { return result_code_.load(); }
  int cancel_count() const { return cancel_count_.load(); }
  [[nodiscard]] bool uac_declined() const { return uac_declined_; }
  const tasks::AsyncInstallTasks* async_tasks() const { return tasks_.get(); }
  net::InstallStatistics& statistics() { return statistics_; }

 private:
  static unsigned __stdcall ThreadMain(void* self);
  void InstallBrowser();
  // Steps from the download to the setup's end; the failure code for the delegate (0 = success).
  int ObtainVerifyAndRun(SetupDownloader& downloader);

  base::CommandLine BuildSetupCommandLine(const std::wstring& program, bool with_files) const;
  // What the elevated copy is handed besides the setup's file.
  DelayedValues HandOffValues() const;
  void ReportInstallationFinished(int failure);
  void Send(net::StatParams event);

  std::unique_ptr<tasks::AsyncInstallTasks> tasks_;
  net::InstallStatistics statistics_;
  InstallerDelegate* delegate_;
  const distrib::BrandInfo* brand_;
  distrib::DistribParams* distrib_;
  InstallerEnvironment environment_;
  bool make_default_ = false;
  bool send_statistics_ = false;
  bool create_taskbar_shortcut_ = false;
  std::wstring work_dir_;
  std::wstring installer_data_path_, clids_path_, clids_searchband_path_, website_icon_path_;
  std::wstring ui_id_;
  std::atomic<int> result_code_{kExitNotFinished};
  base::ScopedHandle thread_;
  ULONGLONG stop_deadline_ = 0;  // GetTickCount64 of the first stop request + kInstallStopWaitMs
  base::ScopedHandle stop_event_;
  base::ScopedHandle proceed_event_;
  std::atomic<int32_t> cancel_count_{0};
  int64_t total_time_ = 0;
  int64_t download_time_ = 0;
  int64_t setup_time_ = 0;
  int64_t ok_time_ = 0;
  int64_t proceed_time_ = 0;
  int64_t interface_availability_ = 0;
  bool run_result_ = true;
  std::unique_ptr<ElevatedInstaller> elevated_;
  bool uac_declined_ = false;
  std::wstring setup_path_;
  std::wstring partner_package_override_path_;
  // With "setup_arc_permanent_lock": the writer kept from the download until the setup runs.
  base::ScopedFile permanent_lock_;
};

}  // namespace install
