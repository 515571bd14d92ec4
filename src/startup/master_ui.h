// The master's user interface at start-up: the refusal messages and the interactive run.
#pragma once

namespace base {
class CommandLine;
}  // namespace base
namespace distrib {
class BrandInfo;
class DistribParams;
}  // namespace distrib

namespace startup {

// The system message box for a processor without SSE2/SSE3 (message_id names the missing one).
void ShowUnsupportedCpuMessage(const distrib::BrandInfo& brand, int message_id);
// The message dialog for too little disk space.
void ShowNotEnoughSpaceMessage(const distrib::BrandInfo& brand);
// Runs the main window modally; the process exit code.
int RunInteractive(const base::CommandLine& command_line, const distrib::BrandInfo& brand,
                   distrib::DistribParams& distrib);

}  // namespace startup
