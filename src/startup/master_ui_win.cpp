#include "startup/master_ui.h"

#include <memory>

#include "base/command_line.h"
#include "base/lazy_import.h"
#include "distrib/brand_info.h"
#include "install/environment_checks.h"
#include "install/installer.h"
#include "logging/log.h"
#include "install/exit_codes.h"
#include "ui/main_window_win.h"
#include "ui/message_dialog_win.h"

namespace startup {

namespace {
// Start-up's lines carry the entry point's name, whichever helper writes them.
constexpr char kLocation[] = "wWinMain";
}  // namespace

void ShowUnsupportedCpuMessage(const distrib::BrandInfo& brand, int message_id) {
  ui::ShowUnsupportedProcessorMessage(brand.language_id(), message_id == install::kMessageNoSse3);
}

void ShowNotEnoughSpaceMessage(const distrib::BrandInfo& brand) {
  ui::MakeDiskSpaceNotice(brand.language_id())->Run();
}

int RunInteractive(const base::CommandLine& command_line, const distrib::BrandInfo& brand,
                   distrib::DistribParams& distrib) {
  ui::MainWindowOptions options;
  options.command_line = command_line;
  auto window = std::make_unique<ui::MainWindow>(&brand, &distrib, /*create_installer=*/true, options);
  const INT_PTR end = window->RunModal();
  // -1: the dialog could not be made (0: not even user32 could be bound). No user chose anything
  // and the installation never started: the code of a setup that was not started.
  if (end == -1 || end == 0) {
    // The dialog's own clean-up may clear the system error; a library that did not load is the
    // usual reason.
    const uint32_t error = logging::LastSystemError();
    const base::DelayLoadFailure missing = base::LastDelayLoadFailure();
    logging::LogLine line(logging::LOG_ERROR, kLocation, __LINE__);
    line << "Cannot create the main window";
    if (error) line << ", error " << error;
    if (missing.code) line << ", library not loaded: " << missing.library;
    return install::kExitNotFinished;
  }
  install::Installer* installer = window->installer();
  // The result is final once the worker has ended. One that has not ended in time (a setup that
  // still runs, a transfer a server holds) is neither waited for further nor terminated: the
  // window and its installer stay as they are, so nothing the worker touches goes away, and the
  // worker ends with the process.
  if (!installer->WaitForInstallAsync()) {
    LOG_AT(ERROR, kLocation) << "The installation thread is still running; it ends with the process.";
    static_cast<void>(window.release());
  }
  if (end == ui::kEndFinished) return installer->result_code();
  LOG_AT(INFO, kLocation) << "User cancelled installation.";
  return install::kExitUserCancelled;
}

}  // namespace startup
