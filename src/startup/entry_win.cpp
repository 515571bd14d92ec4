#include "startup/entry.h"

#include <windows.h>

#include "base/command_line.h"
#include "base/file_util.h"
#include "base/os_version.h"
#include "base/startup_timeline.h"
#include "crash/crash_reporter.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "logging/file_logger.h"
#include "logging/log.h"
#include "shell/association_probe.h"
#include "install/environment_checks.h"
#include "install/installer.h"
#include "install/elevation.h"
#include "startup/master_ui.h"
#include "install/exit_codes.h"
#include "startup/process_window.h"
#include "startup/secure_environment.h"
#include "startup/single_instance_win.h"
#include "startup/ui_environment_win.h"
#include "ui/scale.h"

namespace startup {

namespace {
// Start-up's lines carry the entry point's name, whichever helper writes them.
constexpr char kLocation[] = "wWinMain";
}  // namespace

namespace {

int RunMaster(const base::CommandLine& command_line, crash::CrashReporter* crash_reporter) {
  UiEnvironment ui_environment;
  base::MarkStartup("COM, common controls and GDI+ started");
  LOG_AT(INFO, kLocation) << "Lite installer mode.";
  SingleInstanceMutex mutex;
  if (!mutex.acquired()) {
    LOG_AT(INFO, kLocation) << "Another installer instance is already running.";
    LOG_AT(INFO, kLocation) << "Master installer process id: " << MasterProcessId();
    BringProcessWindowToTop(MasterProcessId());
    return install::kExitAnotherInstance;
  }
  SetMasterProcessId(GetCurrentProcessId());
  LOG_AT(INFO, kLocation) << "Installer process id: " << GetCurrentProcessId();
  base::MarkStartup("single-instance mutex taken");

  ui::InitScaleFactor(command_line);
  bool silent = command_line.HasSwitch("silent");
  bool system_level = command_line.HasSwitch("system-level");
  std::string brand_name = command_line.GetSwitchValueNarrow("brand-name");
  std::wstring temp = base::GetTempDir();
  LOG_AT(INFO, kLocation) << "Temporary path is: " << temp;

  // Distribution parameters and brand: the switch or the installer's own tag, then the packages;
  // a "lang" parameter overrides the brand's language before the defaults fill the rest.
  distrib::DistribParams distrib_params;
  (void)distrib_params.CreateJsonFromDistribParams(command_line, base::GetExecutablePath(), temp);
  base::MarkStartup("distribution parameters read");
  distrib::BrandInfo brand_info(temp);
  brand_info.GetInfo(brand_name);
  if (auto lang = distrib_params.Get("lang")) brand_info.set_interface_language(*lang);
  brand_info.ApplyDefaults();
  base::MarkStartup("brand read");
  (void)base::GetWindowsVersion();

  if (crash_reporter) {
    for (const auto& [key, value] : distrib_params.params()) crash_reporter->SetAnnotation(key, value);
    crash_reporter->SetAnnotation("brand_id", brand_info.brand_id());
    crash_reporter->SetAnnotation("brand_name", brand_info.brand_name());
    crash_reporter->SetAnnotation("default_language", brand_info.interface_language());
  }

  int cpu_message = 0;
  if (!install::IsCpuSupported(&cpu_message)) {
    PLOG_AT(ERROR, kLocation) << "CPU is not supported";
    if (!silent) ShowUnsupportedCpuMessage(brand_info, cpu_message);
    return install::kExitUnsupportedCpu;
  }
  // Measured even when only an interactive run uses it.
  bool enough_space = install::HasEnoughDiskSpace(system_level, install::kRequiredDiskSpace);

  base::MarkStartup("processor and disk checked");
  int code = install::kExitNotFinished;
  if (silent) {
    LOG_AT(INFO, kLocation) << "Installing in silent mode.";
    install::Installer installer(nullptr, &brand_info, &distrib_params, /*with_tasks=*/true,
                                 install::InstallerEnvironment::Default(command_line, ui::ScaleFactor()));
    installer.SetMakeDefault(command_line.HasSwitch("make-browser-default-after-import"));
    installer.SetSendStatistics(command_line.HasSwitch("send-statistics") || brand_info.send_statistics());
    installer.RunSynchronously();
    code = installer.result_code();
  } else if (enough_space) {
    code = RunInteractive(command_line, brand_info, distrib_params);
  } else {
    ShowNotEnoughSpaceMessage(brand_info);
    code = install::kExitNotEnoughDiskSpace;
  }
  LOG_AT(INFO, kLocation) << "Installer exit with code: " << code;
  return code;
}

}  // namespace

int InstallerMain() {
  base::MarkStartup("entry");
  int secure_code = 0;
  SecureEnvironmentState state = SecureEnvironmentCheck(&secure_code);
  base::MarkStartup("secure environment checked");

  // Lives to the end of this function, whose return removes the handler again.
  std::unique_ptr<crash::CrashReporter> crash_reporter = crash::CrashReporter::Create();
  crash_reporter->SetAnnotation("ptype", "installer");
  base::MarkStartup("crash handler installed");

  logging::InstallFileLogger(base::GetTempDir());
  LOG_AT(INFO, kLocation) << "-------------------------------------- Start install.";
  base::MarkStartup("log opened");

  const base::CommandLine& command_line = base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch("check-the-interface")) {
    int code = shell::CheckInternalInterfaceInApartment() ? install::kExitInterfaceAvailable
                                                          : install::kExitInterfaceUnavailable;
    LOG_AT(INFO, kLocation) << "Handled non install cmd line option by win10 default browser helper, ret code: " << code;
    return code;
  }

  switch (state) {
    case kEnvironmentCopyRan:
      return secure_code;
    case kEnvironmentInsecure:
      LOG_AT(INFO, kLocation) << "Exiting, because of insecure environment.";
      return secure_code;
    case kEnvironmentDllsBeside:
      LOG_AT(INFO, kLocation) << "Exiting, DLL files found in working directory";
      return install::kExitInsecureEnvironment;
    case kEnvironmentUnavailable:
      LOG_AT(INFO, kLocation) << "Can't find secure environment.";
      break;
    case kEnvironmentSecure:
      LOG_AT(INFO, kLocation) << "Runned in secure environment.";
      break;
  }

  if (command_line.HasSwitch("run-as-admin")) return install::RunElevatedChild(command_line);
  return RunMaster(command_line, crash_reporter.get());
}

}  // namespace startup
