#include "startup/master_ui.h"

#include "distrib/brand_info.h"
#include "install/environment_checks.h"
#include "logging/log.h"
#include "startup/exit_codes.h"
#include "ui/message_dialog_win.h"

namespace startup {

void ShowUnsupportedCpuMessage(const distrib::BrandInfo& brand, int message_id) {
  ui::ShowUnsupportedProcessorMessage(brand.language_id(), message_id == install::kMessageNoSse3);
}

void ShowNotEnoughSpaceMessage(const distrib::BrandInfo& brand) {
  ui::MakeDiskSpaceNotice(brand.language_id())->Run();
}

int RunInteractive(const distrib::BrandInfo&, distrib::DistribParams&) {
  LOG(WARNING) << "Interactive installation is not available in this build.";
  return kExitNotFinished;
}

}  // namespace startup
