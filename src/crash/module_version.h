// The file version of a loaded module, as the crash upload's user agent names it.
#pragma once

#include <string>

namespace crash {

// "major.minor.build.revision" from the version resource of the module with this file path;
// empty when the resource cannot be read.
std::string ModuleFileVersion(const std::wstring& module_path);

}  // namespace crash
