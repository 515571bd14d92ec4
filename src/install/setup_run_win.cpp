#include "install/setup_run.h"

#include "base/clock.h"
#include "base/strings.h"
#include "install/elevation.h"
#include "install/exit_codes.h"
#include "install/setup_launch.h"
#include "logging/log.h"

namespace install {

namespace {

// The installer's step these lines have always been logged under.
constexpr char kLocation[] = "ObtainVerifyAndRun";

int64_t Seconds(int64_t micros) { return micros / 1000000; }

}  // namespace

SetupRun::SetupRun(std::wstring setup_path, const std::function<bool(const std::wstring&)>& verify_setup,
                   net::InstallStatistics& statistics, InstallerDelegate* delegate, HANDLE stop_event,
                   std::atomic<int>& result_code)
    : setup_path_(std::move(setup_path)),
      verify_setup_(verify_setup),
      statistics_(statistics),
      delegate_(delegate),
      stop_event_(stop_event),
      result_code_(result_code) {}

void SetupRun::Send(net::StatParams event) { (void)statistics_.Send(event); }

SetupRun::Result SetupRun::Run(base::ScopedFile* permanent_lock, const SetupLaunch& launch) {
  base::ScopedFile lock;
  if (!LockSetupFile(permanent_lock, &lock)) {
    if (permanent_lock) Send({{"action", L"setup_arc_lock"}, {"stage", L"error"}});
    PLOG_AT(ERROR, kLocation) << "Cannot lock file: " << setup_path_;
    return Result::kNotLaunched;
  }
  if (!verify_setup_(setup_path_)) {
    RefuseSetup();
    return Result::kNotLaunched;
  }
  LOG_AT(INFO, kLocation) << "Verification succeeded: " << setup_path_;
  uint64_t setup_start = base::WallClockMicros();
  (void)statistics_.Save();
  const std::wstring kind = statistics_.GetOldVersion().empty() ? L"setup" : L"update";
  std::wstring uac = !AreUACNotificationsEnabled() ? L"100" : launch.elevated ? L"1" : L"0";
  Send({{"action", kind}, {"stage", L"setup_exe_launched"}, {"uac", uac}});

  bool ran = false;
  if (launch.elevated) {
    DelayedValues values = launch.hand_off;
    values.browser_arc_path = setup_path_;
    if (!WriteDelayedParams(values, launch.record ? launch.record : SharedDelayedParams())) {
      LOG_AT(ERROR, kLocation) << "Unexpected error in CreateDelayedParamsMapping()";
      return Result::kNotLaunched;
    }
    ran = RunModuleInElevatedProcess(*launch.elevated);
    // The copy checks the file again under its own lock and refused it.
    if (launch.elevated->verification_failed()) RefuseSetup();
  } else {
    int exit_code = kExitNotFinished;
    result_code_ = exit_code;
    ran = RunModuleAndWait(setup_path_, launch.command_line(), delegate_, &exit_code);
    result_code_ = exit_code;
  }
  lock.reset();
  setup_time_ = static_cast<int64_t>(base::WallClockMicros() - setup_start);
  net::StatParams exited = {
      {"action", kind}, {"stage", L"setup_exe_exited"}, {"setup_time", base::NumberToWide(Seconds(setup_time_))}};
  if (std::wstring error = SetupExitedError(ran, launch.elevated != nullptr, result_code_); !error.empty())
    exited["error"] = error;
  Send(exited);
  return ran ? Result::kRan : Result::kNotRun;
}

void SetupRun::RefuseSetup() {
  PLOG_AT(ERROR, kLocation) << "Module verification failed: " << setup_path_;
  result_code_ = kExitVerificationFailed;
  Send({{"action", L"verification"}, {"stage", L"error"}});
}

bool SetupRun::LockSetupFile(base::ScopedFile* permanent_lock, base::ScopedFile* lock) {
  if (!permanent_lock) {
    lock->reset(CreateFileW(setup_path_.c_str(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return lock->valid();
  }
  // The writer held since the download becomes a reader that still keeps writers out.
  if (!*permanent_lock) return false;
  base::ScopedFile shared(
      ReOpenFile(permanent_lock->get(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
  permanent_lock->reset();
  if (!shared) return false;
  lock->reset(ReOpenFile(shared.get(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ, 0));
  return lock->valid();
}

bool SetupRun::RunModuleInElevatedProcess(ElevatedInstaller& elevated) {
  LOG(INFO) << "Started waiting the elevated installer has finished its work.";
  bool ok = elevated.RunModule(stop_event_);
  LOG(INFO) << "The elevated installer has finished, success=" << (ok ? 1 : 0);
  return ok;
}

}  // namespace install
