#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <string>

#include "base/file_path.h"
#include "base/file_util.h"
#include "distrib/installer_tag.h"
#include "support/test_util.h"

namespace distrib {
namespace {

using Bytes = std::string;

// DER element with the length in its minimal form, or in long form with length_bytes bytes.
Bytes Der(uint8_t tag, const Bytes& content, int length_bytes = 0) {
  Bytes out(1, static_cast<char>(tag));
  size_t n = content.size();
  if (length_bytes == 0 && n < 0x80) {
    out += static_cast<char>(n);
  } else {
    int count = length_bytes ? length_bytes : (n < 0x100 ? 1 : n < 0x10000 ? 2 : 3);
    out += static_cast<char>(0x80 | count);
    for (int i = count - 1; i >= 0; --i) out += static_cast<char>(i >= 4 ? 0 : (n >> (8 * i)) & 0xFF);
  }
  return out + content;
}
Bytes Seq(const Bytes& content) { return Der(0x30, content); }
Bytes Prefix() { return Bytes(reinterpret_cast<const char*>(kDummyCertificatePrefix), kDummyPrefixSize); }

Bytes Extension(const Bytes& value, bool critical = false) {
  return Seq(Der(0x06, "\x55\x1d\x13") + (critical ? Der(0x01, "\xff") : Bytes()) + Der(0x04, value));
}
Bytes TagValue(const std::string& text, size_t declared) {
  return Bytes{static_cast<char>(declared >> 8), static_cast<char>(declared & 0xFF)} + text;
}
Bytes Certificate(const Bytes& tbs_prefix, const Bytes& tag_extension) {
  Bytes extensions = Seq(Extension("\x30\x00") + Extension("\x03\x01\x00") + Extension("\x04\x00") + tag_extension);
  Bytes tbs = Seq(tbs_prefix + Seq(Seq(Der(0x06, "\x2a")) + Der(0x03, Bytes("\x00\x01", 2))) + Der(0xA3, extensions));
  return Seq(tbs + Seq(Der(0x06, "\x2a")) + Der(0x03, Bytes(1, '\0')));
}
Bytes DummyCertificate(const std::string& tag) { return Certificate(Prefix(), Extension(TagValue(tag, tag.size()))); }
Bytes OtherCertificate() {
  Bytes prefix = Prefix();
  prefix[60] = 'X';  // another issuer
  return Certificate(prefix, Extension(TagValue("other", 5)));
}
Bytes ContentInfo(const Bytes& certificates, int set_length_bytes = 0) {
  Bytes signed_data = Der(0x02, "\x01") + Der(0x31, "") + Seq(Der(0x06, "\x2a")) +
                      Der(0xA0, certificates, set_length_bytes) + Der(0x31, "");
  return Seq(Der(0x06, "\x2a\x86\x48") + Der(0xA0, Seq(signed_data)));
}

// A minimal PE32 (or PE32+) image whose certificate table holds one entry with the given DER.
Bytes Image(const Bytes& pkcs7, size_t table_size_extra = 0, const Bytes& after_entry = "", bool pe32_plus = false) {
  Bytes image(512, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[60] = 64;
  image.replace(64, 4, Bytes("PE\0\0", 4));
  image[88] = 0x0B;
  image[89] = pe32_plus ? 0x02 : 0x01;
  const size_t count_offset = 88 + (pe32_plus ? 108 : 92);
  const size_t directory = count_offset + 4 + 4 * 8;
  image[count_offset] = 16;  // directory count
  Bytes entry(8, '\0');
  size_t entry_size = 8 + pkcs7.size();
  for (int i = 0; i < 4; ++i) entry[i] = static_cast<char>((entry_size >> (8 * i)) & 0xFF);
  entry += pkcs7;
  entry.resize((entry.size() + 7) & ~size_t{7}, '\0');
  entry += after_entry;
  size_t table_size = entry.size() + table_size_extra;
  for (int i = 0; i < 4; ++i) {
    image[directory + i] = static_cast<char>((512 >> (8 * i)) & 0xFF);
    image[directory + 4 + i] = static_cast<char>((table_size >> (8 * i)) & 0xFF);
  }
  return image + entry;
}

std::string Tag(const Bytes& image, TagError* error = nullptr) {
  return ExtractTagFromImage(reinterpret_cast<const uint8_t*>(image.data()), image.size(), error);
}

TEST(InstallerTagTest, DummyCertificateRules) {
  TagError error;
  EXPECT_EQ(Tag(Image(ContentInfo(OtherCertificate() + DummyCertificate("brand=tb&lang=tr"))), &error),
            "brand=tb&lang=tr");
  EXPECT_EQ(error, TagError::kNone);
  // The last dummy certificate wins.
  EXPECT_EQ(Tag(Image(ContentInfo(DummyCertificate("first") + OtherCertificate() + DummyCertificate("second")))),
            "second");
  // No dummy certificate: no tag, and no error.
  EXPECT_EQ(Tag(Image(ContentInfo(OtherCertificate())), &error), "");
  EXPECT_EQ(error, TagError::kNone);
  // A critical tag extension: the walk enters the BOOLEAN, which is too short for a length.
  EXPECT_EQ(Tag(Image(ContentInfo(Certificate(Prefix(), Extension(TagValue("x=1", 3), true))))), "");
  // A declared length beyond the extension, and one that fits exactly.
  EXPECT_EQ(Tag(Image(ContentInfo(Certificate(Prefix(), Extension(TagValue("x=1", 4)))))), "");
  EXPECT_EQ(Tag(Image(ContentInfo(Certificate(Prefix(), Extension(TagValue("x=1&y", 3)))))), "x=1");
}

TEST(InstallerTagTest, DerLengthForms) {
  for (int length_bytes = 1; length_bytes <= 4; ++length_bytes) {
    TagError error;
    EXPECT_EQ(Tag(Image(ContentInfo(DummyCertificate("a=1"), length_bytes)), &error), "a=1") << length_bytes;
    EXPECT_EQ(error, TagError::kNone);
  }
  TagError error;
  EXPECT_EQ(Tag(Image(ContentInfo(DummyCertificate("a=1"), 5)), &error), "");
  EXPECT_EQ(error, TagError::kInvalidAsn1);

  Bytes indefinite = ContentInfo(DummyCertificate("a=1"));
  indefinite[1] = static_cast<char>(0x80);
  EXPECT_EQ(Tag(Image(indefinite), &error), "");
  EXPECT_EQ(error, TagError::kInvalidAsn1);

  // A certificate whose length runs past the set: the whole signature is rejected.
  Bytes certificates = DummyCertificate("a=1");
  size_t last_length_byte = 1 + (static_cast<uint8_t>(certificates[1]) & 0x7F);
  certificates[last_length_byte] = static_cast<char>(certificates[last_length_byte] + 5);
  EXPECT_EQ(Tag(Image(ContentInfo(certificates)), &error), "");
  EXPECT_EQ(error, TagError::kInvalidAsn1);
}

TEST(InstallerTagTest, MalformedImagesAreRejectedWithinBounds) {
  Bytes good = Image(ContentInfo(DummyCertificate("a=1")));
  TagError error;
  // Every truncation of the image: no tag, never a read past the end (the copy has no slack).
  for (size_t size : {size_t{0}, size_t{63}, size_t{100}, size_t{300}, size_t{520}, good.size() - 1}) {
    Bytes cut = good.substr(0, size);
    EXPECT_EQ(Tag(cut, &error), "");
    EXPECT_EQ(error, TagError::kNoCertificateTable) << size;
  }
  // The table pointing past the end of the file.
  EXPECT_EQ(Tag(Image(ContentInfo(DummyCertificate("a=1")), 9), &error), "");
  EXPECT_EQ(error, TagError::kNoCertificateTable);
  // Unsigned: offset 0.
  Bytes unsigned_image = good;
  unsigned_image.replace(216, 8, Bytes(8, '\0'));  // the PE32 certificate-table entry
  EXPECT_EQ(Tag(unsigned_image, &error), "");
  EXPECT_EQ(error, TagError::kNoCertificateTable);
  // A wrong optional-header magic.
  Bytes pe64 = good;
  pe64[89] = 0x03;
  EXPECT_EQ(Tag(pe64, &error), "");
  EXPECT_EQ(error, TagError::kNoCertificateTable);
}

TEST(InstallerTagTest, TrailerRecord) {
  Bytes pkcs7 = ContentInfo(DummyCertificate(Bytes(200, 'z')));  // long enough for 0x30 0x82
  ASSERT_EQ(static_cast<uint8_t>(pkcs7[1]), 0x82);
  Bytes trailer = Bytes("Vact", 4) + Bytes("\x00\x0a", 2) + Bytes("vup=0&a=1\0", 10);
  Bytes image = Image(pkcs7, 0, trailer);
  const uint8_t* tag = nullptr;
  size_t length = 0;
  auto data = reinterpret_cast<const uint8_t*>(image.data());
  ASSERT_TRUE(FindTrailerTag(data, image.size(), &tag, &length));
  EXPECT_EQ(Bytes(reinterpret_cast<const char*>(tag), length), Bytes("vup=0&a=1\0", 10));
  // A length running past the end of the file, a wrong magic, and a short-form ContentInfo.
  Bytes long_claim = image;
  long_claim[image.size() - trailer.size() + 5] = 0x40;
  EXPECT_FALSE(FindTrailerTag(reinterpret_cast<const uint8_t*>(long_claim.data()), long_claim.size(), &tag, &length));
  Bytes no_magic = image;
  no_magic[image.size() - trailer.size()] = 'W';
  EXPECT_FALSE(FindTrailerTag(reinterpret_cast<const uint8_t*>(no_magic.data()), no_magic.size(), &tag, &length));
  Bytes small = Image(ContentInfo(""), 0, trailer);
  EXPECT_FALSE(FindTrailerTag(reinterpret_cast<const uint8_t*>(small.data()), small.size(), &tag, &length));
}

// A distributor may tag a 64-bit build: both placements are found in a PE32+ image, whose
// directories lie 16 bytes further on than a PE32 image's.
TEST(InstallerTagTest, Pe32PlusImages) {
  Bytes pkcs7 = ContentInfo(OtherCertificate() + DummyCertificate(Bytes(200, 'q')));
  Bytes trailer = Bytes("Vact", 4) + Bytes("\x00\x03", 2) + Bytes("x=1", 3);
  Bytes image = Image(pkcs7, 0, trailer, true);
  EXPECT_EQ(Tag(image), Bytes(200, 'q'));
  const uint8_t* tag = nullptr;
  size_t length = 0;
  ASSERT_TRUE(FindTrailerTag(reinterpret_cast<const uint8_t*>(image.data()), image.size(), &tag, &length));
  EXPECT_EQ(Bytes(reinterpret_cast<const char*>(tag), length), "x=1");
  // The PE32 location of a PE32+ header holds other fields: read there, nothing would be found.
  Bytes as_pe32 = image;
  as_pe32[89] = 0x01;
  EXPECT_EQ(Tag(as_pe32), "");
  EXPECT_FALSE(FindTrailerTag(reinterpret_cast<const uint8_t*>(as_pe32.data()), as_pe32.size(), &tag, &length));
}

std::wstring Fixture(const wchar_t* name) {
  return base::AppendPath(base::AppendPath(test::BuildDir(), L"distrib_fixtures"), name);
}

LONG VerifyAuthenticode(const std::wstring& path) {
  WINTRUST_FILE_INFO file{sizeof(file), path.c_str(), nullptr, nullptr};
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return result;
}

// Installers signed with osslsigncode and tagged by the project's tagger.
TEST(InstallerTagTest, TaggedInstallersKeepTheirSignature) {
  const std::string expected = "brand=tb&vup=0&lang=tr&first=1&def=1&stat=2";
  EXPECT_EQ(ExtractTagFromFakeCertificate(Fixture(L"cert_tagged.exe")), expected);
  EXPECT_EQ(ReadTrailerTag(Fixture(L"cert_tagged.exe")), "");
  EXPECT_EQ(ExtractTagFromFakeCertificate(Fixture(L"trailer_tagged.exe")), "");
  EXPECT_EQ(ReadTrailerTag(Fixture(L"trailer_tagged.exe")), expected);

  TrailerTagReader reader;
  ASSERT_TRUE(reader.Open(Fixture(L"trailer_tagged.exe")));
  size_t size = 0;
  ASSERT_TRUE(reader.Read(nullptr, &size));
  EXPECT_EQ(size, expected.size() + 2);  // the tagger stores a terminating zero, the reader adds one
  std::string buffer(size, 'x');
  size_t too_small = size - 1;
  EXPECT_FALSE(reader.Read(buffer.data(), &too_small));
  ASSERT_TRUE(reader.Read(buffer.data(), &size));
  EXPECT_EQ(buffer.c_str(), expected);

  EXPECT_EQ(ExtractTagFromFakeCertificate(Fixture(L"retagged.exe")), "stale=1");
  EXPECT_EQ(ReadTrailerTag(Fixture(L"retagged.exe")), "");
  for (const wchar_t* name : {L"unsigned.exe", L"signed.exe", L"cleared.exe"}) {
    EXPECT_EQ(ExtractTagFromFakeCertificate(Fixture(name)), "") << name;
    EXPECT_EQ(ReadTrailerTag(Fixture(name)), "") << name;
  }
  EXPECT_EQ(ExtractTagFromFakeCertificate(Fixture(L"missing.exe")), "");
  EXPECT_FALSE(reader.Open(Fixture(L"missing.exe")));

  // Wine checks the digest and the embedded chain (not a trusted root): the tag must not break it.
  EXPECT_EQ(VerifyAuthenticode(Fixture(L"signed.exe")), VerifyAuthenticode(Fixture(L"cert_tagged.exe")));
  EXPECT_EQ(VerifyAuthenticode(Fixture(L"signed.exe")), VerifyAuthenticode(Fixture(L"trailer_tagged.exe")));
  EXPECT_EQ(VerifyAuthenticode(Fixture(L"signed.exe")), VerifyAuthenticode(Fixture(L"cleared.exe")));
  EXPECT_NE(VerifyAuthenticode(Fixture(L"cert_tagged.exe")), static_cast<LONG>(TRUST_E_BAD_DIGEST));
  EXPECT_NE(VerifyAuthenticode(Fixture(L"trailer_tagged.exe")), static_cast<LONG>(TRUST_E_BAD_DIGEST));
  EXPECT_EQ(VerifyAuthenticode(Fixture(L"unsigned.exe")), static_cast<LONG>(TRUST_E_NOSIGNATURE));
  // ...while a change the digest covers is caught.
  test::ScratchDir scratch;
  std::string tampered = *base::ReadFileToString(Fixture(L"cert_tagged.exe"));
  tampered[1024] ^= 0x55;
  ASSERT_TRUE(base::WriteStringToFile(scratch.Child(L"tampered.exe"), tampered));
  EXPECT_EQ(VerifyAuthenticode(scratch.Child(L"tampered.exe")), static_cast<LONG>(TRUST_E_BAD_DIGEST));
}

}  // namespace
}  // namespace distrib
