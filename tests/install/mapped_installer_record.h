// The installer's shared hand-off record as any program of the same user reaches it: by mapping
// the installer's image and finding the shared section. Cleared again when done.
#pragma once

#include <windows.h>

#include <cstring>

#include "install/delayed_params.h"
#include "support/test_util.h"

namespace install_test {

class MappedInstallerRecord {
 public:
  MappedInstallerRecord()
      : module_(LoadLibraryExW(test::InstallerPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES)) {
    if (!module_) return;
    auto* base = reinterpret_cast<BYTE*>(module_);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
      if (std::memcmp(section->Name, ".dparams", 8) == 0 && section->Misc.VirtualSize >= sizeof(install::DelayedParams))
        record_ = reinterpret_cast<install::DelayedParams*>(base + section->VirtualAddress);
    }
  }
  ~MappedInstallerRecord() {
    if (record_) *record_ = {};
    if (module_) FreeLibrary(module_);
  }
  MappedInstallerRecord(const MappedInstallerRecord&) = delete;
  MappedInstallerRecord& operator=(const MappedInstallerRecord&) = delete;
  install::DelayedParams* get() { return record_; }

 private:
  HMODULE module_;
  install::DelayedParams* record_ = nullptr;
};

}  // namespace install_test
