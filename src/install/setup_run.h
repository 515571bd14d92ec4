// One run of the obtained setup: its file locked against writers, verified, started in this
// process or through the elevated copy, and the reports of its launch and exit. The Installer
// makes one after the user interface has let the installation proceed.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "base/command_line.h"
#include "base/unique_handle.h"
#include "install/delayed_params.h"
#include "net/install_statistics.h"

namespace install {

class ElevatedInstaller;
class InstallerDelegate;

// How the verified setup is started.
struct SetupLaunch {
  // The elevated copy that runs it; null: this process runs it.
  ElevatedInstaller* elevated = nullptr;
  // What the copy is handed; the run names the setup's file in it.
  DelayedValues hand_off;
  // Where it is written; null: SharedDelayedParams().
  DelayedParams* record = nullptr;
  // The setup's command line for a run in this process.
  std::function<base::CommandLine()> command_line;
};

class SetupRun {
 public:
  enum class Result {
    kNotLaunched,  // not locked, refused by the trust check, or the hand-off failed
    kNotRun,       // launched, but the setup's end was not obtained (or the copy failed)
    kRan,          // the setup ran; its exit code is the result code
  };

  // verify_setup is the trust check. delegate (may be null) hears a run in this process;
  // stop_event ends the wait for the elevated copy. result_code receives the setup's exit code
  // (kExitVerificationFailed when the setup is refused).
  SetupRun(std::wstring setup_path, const std::function<bool(const std::wstring& setup_path)>& verify_setup,
           net::InstallStatistics& statistics, InstallerDelegate* delegate, HANDLE stop_event, std::atomic<int>& result_code);
  SetupRun(const SetupRun&) = delete;
  SetupRun& operator=(const SetupRun&) = delete;

  // permanent_lock: the writer held since the download, which becomes the run's lock (null when
  // the file was not kept locked).
  Result Run(base::ScopedFile* permanent_lock, const SetupLaunch& launch);
  // From the launch to the setup's end, in microseconds (0 when it did not get that far).
  int64_t setup_time() const { return setup_time_; }

 private:
  [[nodiscard]] bool LockSetupFile(base::ScopedFile* permanent_lock, base::ScopedFile* lock);
  [[nodiscard]] bool RunModuleInElevatedProcess(ElevatedInstaller& elevated);
  void RefuseSetup();
  void Send(net::StatParams event);

  const std::wstring setup_path_;
  const std::function<bool(const std::wstring&)>& verify_setup_;
  net::InstallStatistics& statistics_;
  InstallerDelegate* delegate_;
  HANDLE stop_event_;
  std::atomic<int>& result_code_;
  int64_t setup_time_ = 0;
};

}  // namespace install
