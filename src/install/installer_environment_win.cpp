#include "install/installer_environment.h"

#include "identity/user_id.h"
#include "trust/trust_verifier.h"

namespace install {

InstallerEnvironment InstallerEnvironment::Default(const base::CommandLine& command_line, double display_scale) {
  InstallerEnvironment environment;
  environment.command_line = command_line;
  environment.display_scale = display_scale;
  environment.verify_setup = [](const std::wstring& path) { return trust::VerifySetupModule(path, false); };
  environment.user_id = [] { return identity::GetUserIdInternal(); };
  environment.machine = MachineFacts::Current();
  return environment;
}

}  // namespace install
