#include "startup/master_ui.h"

#include "logging/log.h"
#include "startup/exit_codes.h"

namespace startup {

void ShowUnsupportedCpuMessage(const distrib::BrandInfo&, int) {}

void ShowNotEnoughSpaceMessage(const distrib::BrandInfo&) {}

int RunInteractive(const distrib::BrandInfo&, distrib::DistribParams&) {
  LOG(WARNING) << "Interactive installation is not available in this build.";
  return kExitNotFinished;
}

}  // namespace startup
