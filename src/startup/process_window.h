#pragma once

#include <windows.h>

namespace startup {

// Brings the first top-level window of the process to the foreground (a second start shows the
// running installer), working around the foreground lock when needed.
void BringProcessWindowToTop(DWORD process_id);

}  // namespace startup
