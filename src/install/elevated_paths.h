// What the elevated copy accepts as a path from the shared hand-off record. Any program of the
// user can write that record, and what the copy takes from it reaches a process with an
// administrator's rights: only plain local files inside the master's work folder (the user's
// temporary directory) pass. The text rules are here; opening the file and reading its final
// path are the Win32 side's. Portable.
#pragma once

#include <string>
#include <string_view>

namespace install {

// "X:\dir\file": a drive letter, a colon and a backslash, then components that are neither empty
// nor "." nor "..", with no other colon (streams, devices) and no forward slash. Relative paths,
// UNC paths and the "\\?\" and "\\.\" forms are not.
[[nodiscard]] bool IsAbsoluteLocalPath(std::wstring_view path);

// The last component names an extension: "vb12.tmp", not "setup" nor "setup.". A program name
// without one would have ".exe" appended by the loader's search.
[[nodiscard]] bool HasFileExtension(std::wstring_view path);

// A final path as the system gives it for an open file ("\\?\X:\dir\file") as a plain local path
// ("X:\dir\file"); empty for every other volume form (network "\\?\UNC\...", volume GUIDs).
std::wstring LocalFromFinalPath(std::wstring_view final_path);

// path lies below directory, on a component boundary (trailing backslashes of directory do not
// count). Both are final paths of the same volume, whose common components the file system
// spells alike; ASCII letters are still compared without case.
[[nodiscard]] bool IsInsideDirectory(std::wstring_view path, std::wstring_view directory);

}  // namespace install
