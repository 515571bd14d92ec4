// Helpers of the distribution tests: the installer's resources (a private HKEY_CURRENT_USER is
// test::ScratchCurrentUser of tests/support).
#pragma once

#include <windows.h>

#include <string>

#include "base/random.h"
#include "base/strings.h"
#include "support/test_util.h"

namespace distrib_test {

// Resources of type "BIN" of the built installer.
inline std::string InstallerResource(const wchar_t* name) {
  static HMODULE module = LoadLibraryExW(test::InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC info = module ? FindResourceW(module, name, L"BIN") : nullptr;
  if (!info) return std::string();
  HGLOBAL data = LoadResource(module, info);
  return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module, info));
}

}  // namespace distrib_test
