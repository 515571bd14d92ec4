#include "distrib/installer_tag.h"

#include <cstring>

#include "distrib/der_reader.h"

namespace distrib {

// version [0] 3; serial 1; sha1WithRSAEncryption with NULL; issuer CN "Unknown issuer";
// validity 2013-01-01 10:00:00 to 2013-04-01 10:00:00 UTC; subject CN "Dummy certificate".
const uint8_t kDummyCertificatePrefix[kDummyPrefixSize] = {
    0xA0, 0x03, 0x02, 0x01, 0x02,                                      // version
    0x02, 0x01, 0x01,                                                  // serialNumber
    0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01,  // signature
    0x01, 0x05, 0x05, 0x00,                                            //
    0x30, 0x19, 0x31, 0x17, 0x30, 0x15, 0x06, 0x03, 0x55, 0x04, 0x03,  // issuer
    0x13, 0x0E, 'U', 'n', 'k', 'n', 'o', 'w', 'n', ' ', 'i', 's', 's', 'u', 'e', 'r',
    0x30, 0x1E, 0x17, 0x0D, '1', '3', '0', '1', '0', '1', '1', '0', '0', '0', '0', '0', 'Z',  // validity
    0x17, 0x0D, '1', '3', '0', '4', '0', '1', '1', '0', '0', '0', '0', '0', 'Z',
    0x30, 0x1C, 0x31, 0x1A, 0x30, 0x18, 0x06, 0x03, 0x55, 0x04, 0x03,  // subject
    0x13, 0x11, 'D', 'u', 'm', 'm', 'y', ' ', 'c', 'e', 'r', 't', 'i', 'f', 'i', 'c', 'a', 't', 'e',
};
static_assert(sizeof(kDummyCertificatePrefix) == 112);

namespace {

uint32_t ReadU16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t ReadU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// From the directory count to the certificate-table entry: the count, then four directories.
constexpr uint64_t kDirectoryCountToCertificateEntry = 4 + 4 * 8;

// Where the certificate-table entry (the fifth data directory) lies in the header that starts at
// pe: PE32 and PE32+ differ only in the size of the fields before the directories. 0 when the
// optional header is neither; the caller checks the entry against the size.
uint64_t CertificateEntryOffset(const uint8_t* data, size_t size, uint64_t pe) {
  const uint64_t optional = pe + 24;
  if (optional + 2 > size) return 0;
  switch (ReadU16(data + optional)) {
    case 0x10B:
      return optional + 92 + kDirectoryCountToCertificateEntry;
    case 0x20B:
      return optional + 108 + kDirectoryCountToCertificateEntry;
  }
  return 0;
}

// The tag inside one dummy certificate's TBSCertificate content (already entered); empty when
// any element is malformed.
std::string TagFromDummyTbs(DerReader tbs) {
  // version, serialNumber, signature, issuer, validity, subject, subjectPublicKeyInfo
  for (int i = 0; i < 7; ++i)
    if (!tbs.Skip()) return std::string();
  if (!tbs.Enter()) return std::string();  // [3] extensions wrapper
  if (!tbs.Enter()) return std::string();  // Extensions
  for (int i = 0; i < 3; ++i)
    if (!tbs.Skip()) return std::string();
  if (!tbs.Enter()) return std::string();  // the fourth extension
  if (!tbs.Skip()) return std::string();   // extnID
  if (!tbs.Enter()) return std::string();  // extnValue (a BOOLEAN when the extension is critical)
  if (tbs.remaining() < 2) return std::string();
  const uint8_t* p = tbs.current();
  size_t n = (static_cast<size_t>(p[0]) << 8) | p[1];
  if (tbs.remaining() < n + 2) return std::string();
  return std::string(reinterpret_cast<const char*>(p + 2), n);
}

}  // namespace

bool FindCertificateTable(const uint8_t* data, size_t size, CertificateTable* table) {
  if (size < 64) return false;
  uint64_t pe = ReadU32(data + 60);
  if (size < pe + 96) return false;
  if (std::memcmp(data + pe, "PE\0\0", 4) != 0) return false;
  uint64_t entry = CertificateEntryOffset(data, size, pe);
  if (entry == 0 || entry + 8 > size) return false;
  // Fewer than five directories: the bytes there belong to the section table.
  if (ReadU32(data + entry - kDirectoryCountToCertificateEntry) <= 4) return false;
  uint64_t offset = ReadU32(data + entry);
  uint64_t length = ReadU32(data + entry + 4);
  if (offset == 0 || length < 8 || offset + length > size) return false;
  table->offset = static_cast<size_t>(offset);
  table->size = static_cast<size_t>(length);
  return true;
}

std::string ExtractTagFromImage(const uint8_t* data, size_t size, TagError* error) {
  TagError ignored;
  if (!error) error = &ignored;
  *error = TagError::kNone;
  CertificateTable table;
  if (!FindCertificateTable(data, size, &table)) {
    *error = TagError::kNoCertificateTable;
    return std::string();
  }
  DerReader der(data + table.offset + 8, table.size - 8);
  bool ok = der.Enter()     // ContentInfo
            && der.Skip()   // contentType
            && der.Enter()  // [0] content
            && der.Enter()  // SignedData
            && der.Skip()   // version
            && der.Skip()   // digestAlgorithms
            && der.Skip();  // encapContentInfo
  DerReader::Element set;
  ok = ok && der.Peek(&set) && set.tag == 0xA0 && der.Enter();  // certificates [0]
  if (!ok) {
    *error = TagError::kInvalidAsn1;
    return std::string();
  }
  std::string tag;
  while (!der.at_end()) {
    DerReader certificate(nullptr, 0);
    if (!der.TakeContent(&certificate)) {
      *error = TagError::kInvalidAsn1;
      return std::string();
    }
    if (!certificate.Enter()) continue;  // TBSCertificate
    if (certificate.remaining() < kDummyPrefixSize ||
        std::memcmp(certificate.current(), kDummyCertificatePrefix, kDummyPrefixSize) != 0)
      continue;
    tag = TagFromDummyTbs(certificate);  // the last dummy certificate wins
  }
  return tag;
}

bool FindTrailerTag(const uint8_t* data, size_t size, const uint8_t** tag, size_t* length) {
  if (size < 64 || data[0] != 'M' || data[1] != 'Z') return false;
  uint64_t pe = ReadU32(data + 60);
  if (pe + 4 > size || std::memcmp(data + pe, "PE\0\0", 4) != 0) return false;
  uint64_t entry = CertificateEntryOffset(data, size, pe);
  if (entry == 0 || entry + 4 > size) return false;
  uint64_t table = ReadU32(data + entry);
  if (table == 0 || table + 12 > size) return false;
  const uint8_t* info = data + table + 8;
  if (info[0] != 0x30 || info[1] != 0x82) return false;
  uint64_t content_length = (static_cast<uint32_t>(info[2]) << 8) | info[3];
  uint64_t start = table + ((content_length + 19) & 0x1FFF8);
  if (start + 6 > size || std::memcmp(data + start, "Vact", 4) != 0) return false;
  size_t n = (static_cast<size_t>(data[start + 4]) << 8) | data[start + 5];
  if (start + 6 + n > size) return false;  // the text must lie within the file
  *tag = data + start + 6;
  *length = n;
  return true;
}

}  // namespace distrib
