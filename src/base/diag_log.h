// The runtime's own diagnostic log (not the installer's log file): debugger output by default.
// Tests may capture it.
#pragma once

#include <functional>
#include <string_view>

namespace base {

void DiagLog(std::string_view message);
// Replaces where diagnostic messages go; an empty function restores the default.
void SetDiagLogHandler(std::function<void(std::string_view)> handler);

}  // namespace base
