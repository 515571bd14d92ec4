#include "distrib/msi_partner_override.h"

#include <cstring>

namespace distrib {

namespace {

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Keeps the position itself so that no read can reach past the end of the source.
class BoundedReader {
 public:
  BoundedReader(AppendixSource& source, uint64_t size) : source_(source), size_(size) {}

  bool Seek(uint64_t position) {
    if (!source_.Seek(position)) return false;
    position_ = position;
    return true;
  }
  bool Read(uint8_t* out, size_t size) {
    if (!Fits(size)) return false;
    if (size && !source_.Read(out, size)) return false;
    position_ += size;
    return true;
  }
  bool Fits(uint64_t size) const { return position_ <= size_ && size_ - position_ >= size; }
  bool ReadUint32(uint32_t* value) {
    uint8_t b[4];
    if (!Read(b, sizeof(b))) return false;
    *value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
  }
  // A size field followed by that many bytes; zero is refused.
  bool ReadSize(uint32_t* size) { return ReadUint32(size) && *size != 0; }
  bool ReadBlock(uint32_t size, std::vector<uint8_t>* out) {
    if (!Fits(size)) return false;
    out->resize(size);
    return Read(out->data(), size);
  }

 private:
  AppendixSource& source_;
  uint64_t size_;
  uint64_t position_ = 0;
};

}  // namespace

std::optional<GuidBytes> ParseRegistryGuid(std::wstring_view text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters.
  if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return std::nullopt;
  uint8_t digits[16];
  size_t count = 0;
  for (size_t i = 1; i < 37; ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (text[i] != L'-') return std::nullopt;
      continue;
    }
    int high = HexValue(text[i]);
    int low = i + 1 < 37 ? HexValue(text[i + 1]) : -1;
    if (high < 0 || low < 0) return std::nullopt;
    digits[count++] = static_cast<uint8_t>(high << 4 | low);
    ++i;
  }
  if (count != 16) return std::nullopt;
  // Data1 (4 bytes), Data2 and Data3 (2 each) are little-endian integers in memory.
  GuidBytes guid = {digits[3], digits[2], digits[1], digits[0], digits[5], digits[4], digits[7], digits[6]};
  std::memcpy(guid.data() + 8, digits + 8, 8);
  return guid;
}

const char* AppendixResultMessage(AppendixResult result) {
  switch (result) {
    case AppendixResult::kOk:
      return "";
    case AppendixResult::kTailSeekFailed:
      return "Failed to move file pointer for guid reading.";
    case AppendixResult::kTailReadFailed:
      return "Failed to read tailing guid marker";
    case AppendixResult::kTailMismatch:
      return "Tail GUID from msi does not match specified guid marker";
    case AppendixResult::kOffsetSeekFailed:
      return "Failed to move file pointer for target position reading.";
    case AppendixResult::kOffsetReadFailed:
      return "Failed to read tailing guid marker";
    case AppendixResult::kStartSeekFailed:
      return "Failed to move file pointer to target pos for package reading.";
    case AppendixResult::kStartReadFailed:
      return "Failed to read starting guid marker";
    case AppendixResult::kStartMismatch:
      return "Appendix start GUID from msi does not match specified guid marker";
    case AppendixResult::kPackageSizeFailed:
      return "Failed to read zip size";
    case AppendixResult::kPackageDataFailed:
      return "Failed to read zip data";
    case AppendixResult::kSignatureSizeFailed:
      return "Failed to read signature size";
    case AppendixResult::kSignatureDataFailed:
      return "Failed to read signature data";
  }
  return "";
}

AppendixResult ReadPartnerAppendix(AppendixSource& source, uint64_t file_size, const GuidBytes& marker,
                                   PartnerAppendix* out) {
  BoundedReader reader(source, file_size);
  GuidBytes guid;
  // A file shorter than the trailer has no position to seek to.
  if (file_size < 16 || !reader.Seek(file_size - 16)) return AppendixResult::kTailSeekFailed;
  if (!reader.Read(guid.data(), guid.size())) return AppendixResult::kTailReadFailed;
  if (guid != marker) return AppendixResult::kTailMismatch;

  uint8_t offset_bytes[8];
  if (file_size < 24 || !reader.Seek(file_size - 24)) return AppendixResult::kOffsetSeekFailed;
  if (!reader.Read(offset_bytes, sizeof(offset_bytes))) return AppendixResult::kOffsetReadFailed;
  uint64_t start = 0;
  for (int i = 7; i >= 0; --i) start = start << 8 | offset_bytes[i];

  if (!reader.Seek(start)) return AppendixResult::kStartSeekFailed;
  if (!reader.Read(guid.data(), guid.size())) return AppendixResult::kStartReadFailed;
  if (guid != marker) return AppendixResult::kStartMismatch;

  uint32_t package_size = 0;
  if (!reader.ReadSize(&package_size)) return AppendixResult::kPackageSizeFailed;
  if (!reader.ReadBlock(package_size, &out->package)) return AppendixResult::kPackageDataFailed;
  uint32_t signature_size = 0;
  if (!reader.ReadSize(&signature_size)) return AppendixResult::kSignatureSizeFailed;
  if (!reader.ReadBlock(signature_size, &out->signature)) return AppendixResult::kSignatureDataFailed;
  return AppendixResult::kOk;
}

}  // namespace distrib
