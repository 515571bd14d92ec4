// Readers of the installer tag: the distribution-parameter text a distributor writes into the
// installer's signature block without re-signing it. Two placements, tried in this order: a
// dummy certificate in the PKCS #7 certificate set, and a "Vact" trailer after the first
// certificate-table entry. The byte-level readers are portable; the file readers are Win32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace distrib {

// The first 112 bytes of a dummy certificate's TBSCertificate content.
inline constexpr size_t kDummyPrefixSize = 112;
extern const uint8_t kDummyCertificatePrefix[kDummyPrefixSize];

enum class TagError { kNone, kNoCertificateTable, kInvalidAsn1 };

struct CertificateTable {
  size_t offset = 0;
  size_t size = 0;
};
// Locates the certificate table of a PE image (PE32 or PE32+); false when the image has none or
// it does not lie within the image.
[[nodiscard]] bool FindCertificateTable(const uint8_t* data, size_t size, CertificateTable* table);

// The tag of the last dummy certificate of the signature in a PE image; empty when there is none.
std::string ExtractTagFromImage(const uint8_t* data, size_t size, TagError* error = nullptr);

// The trailer tag of a mapped PE image: on success *tag points into data and *length is n.
[[nodiscard]] bool FindTrailerTag(const uint8_t* data, size_t size, const uint8_t** tag, size_t* length);

// Reads the file and extracts the dummy-certificate tag; logs why when it cannot read the file,
// find the certificate table or walk the signature. Empty on any failure.
std::string ExtractTagFromFakeCertificate(const std::wstring& path);

// The trailer-tag reader over a read-only mapping of the file.
class TrailerTagReader {
 public:
  TrailerTagReader();
  ~TrailerTagReader();
  TrailerTagReader(const TrailerTagReader&) = delete;
  TrailerTagReader& operator=(const TrailerTagReader&) = delete;

  [[nodiscard]] bool Open(const std::wstring& path);
  // Two calls: with no buffer, *size becomes n + 1; with a buffer of at least n + 1 bytes, the n
  // tag bytes and a terminating zero are copied and *size becomes n + 1.
  [[nodiscard]] bool Read(char* buffer, size_t* size);

 private:
  void Close();
  void* mapping_ = nullptr;  // file-mapping handle
  const uint8_t* view_ = nullptr;
  size_t view_size_ = 0;
};

// The trailer tag of the file as text, a trailing zero byte dropped; empty when there is none.
std::string ReadTrailerTag(const std::wstring& path);

}  // namespace distrib
