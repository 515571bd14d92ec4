// The choice between the 64-bit and the 32-bit setup, including the "try_x64" experiment whose
// state lives in the product key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "install/download_plan.h"

namespace install {

inline constexpr wchar_t kProductKey[] = L"Software\\Vorlex\\VorlexBrowser";

// What the selector needs to know about the machine; the system's by default.
struct MachineFacts {
  bool native_x64 = false;
  std::optional<uint64_t> total_memory;
  // Strong random bit: true = 64-bit.
  bool coin = false;
  static MachineFacts Current();
};

class ArchSelector {
 public:
  Arch arch() const { return arch_; }
  void set_arch(Arch arch) { arch_ = arch; }

  // Decides the architecture from the stored state or the experiment's parameters ("try_x64",
  // "x64_ram" of the distribution parameters).
  void AdjustDownloadUrl(bool program_files_installation, const std::optional<std::string>& try_x64,
                         const std::optional<std::string>& x64_ram, const MachineFacts& machine);
  // Stores the outcome: "1"/"0" after a success on the first URL, "2" (experiment off) otherwise.
  void ConfigurateRegistry(bool success) const;

 private:
  Arch arch_ = Arch::kNoChoice;
};

}  // namespace install
