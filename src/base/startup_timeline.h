// Start-up timeline for the start-up benchmark. When the environment variable
// VORLEX_STARTUP_TIMELINE names a file, every mark appends one line "<microseconds>\t<step>" to
// it, counted from the creation of the process; otherwise a mark only tests a flag. The steps
// are the benchmark's table rows: they change nothing the installer does or logs.
#pragma once

namespace base {

inline constexpr wchar_t kStartupTimelineVariable[] = L"VORLEX_STARTUP_TIMELINE";

void MarkStartup(const char* step);

}  // namespace base
