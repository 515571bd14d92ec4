// A partner package appended to the MSI that started the installer (full-installer mode only):
// the GUID marker and the layout of the appended block. Portable: no Windows headers.
//
// Layout at the end of the MSI (integers little-endian):
//   S:            GUID marker (16 bytes, in-memory GUID layout)
//   S + 16:       package size P (4 bytes, non-zero)
//   S + 20:       package (P bytes)
//   S + 20 + P:   signature size G (4 bytes, non-zero)
//   S + 24 + P:   RSA/SHA-1 signature over the package, big-endian (G bytes)
//   end - 24:     S (8 bytes)
//   end - 16:     GUID marker again
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace distrib {

using GuidBytes = std::array<uint8_t, 16>;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits of either case) -> the 16 bytes as a GUID
// lies in memory (Data1..Data3 little-endian, Data4 as written). Anything else: nothing.
[[nodiscard]] std::optional<GuidBytes> ParseRegistryGuid(std::wstring_view text);

// The bytes the appendix reader works on: a file on Windows, a buffer in native builds.
class AppendixSource {
 public:
  virtual ~AppendixSource() = default;
  // Moves the read position (a position past the end is allowed, as with files); false when the
  // system refuses the move.
  [[nodiscard]] virtual bool Seek(uint64_t position) = 0;
  // Reads exactly size bytes at the read position; false on a failed or short read. The reader
  // never asks for bytes past the end it was given.
  [[nodiscard]] virtual bool Read(uint8_t* out, size_t size) = 0;
};

// Each failure names the step that stopped the reading; AppendixResultMessage gives its line.
enum class AppendixResult {
  kOk,
  kTailSeekFailed,
  kTailReadFailed,
  kTailMismatch,
  kOffsetSeekFailed,
  kOffsetReadFailed,
  kStartSeekFailed,
  kStartReadFailed,
  kStartMismatch,
  kPackageSizeFailed,
  kPackageDataFailed,
  kSignatureSizeFailed,
  kSignatureDataFailed,
};
const char* AppendixResultMessage(AppendixResult result);

struct PartnerAppendix {
  std::vector<uint8_t> package;
  std::vector<uint8_t> signature;  // big-endian, as stored
};

// Reads the appendix of a source of file_size bytes and checks both markers and both sizes.
// Sizes are checked against the bytes left in the source before anything is allocated or read,
// so a forged size never reads past the end nor asks for a huge buffer.
[[nodiscard]] AppendixResult ReadPartnerAppendix(AppendixSource& source, uint64_t file_size,
                                                 const GuidBytes& marker, PartnerAppendix* out);

}  // namespace distrib
