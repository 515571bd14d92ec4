// The trust checks against Wine's real CryptoAPI and WinVerifyTrust, on the stand-in setups the
// build signed with the test PKI (tools/stand_in_setup).
#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/json.h"
#include "base/strings.h"
#include "logging/log.h"
#include "support/log_capture.h"
#include "support/test_util.h"
#include "base/base64.h"
#include "trust/signature_verifier.h"
#include "trust/trust_verifier.h"

namespace trust {
namespace {

std::wstring Built(const std::wstring& name) { return base::AppendPath(test::BuildDir(), name); }
std::wstring Pki(const std::wstring& name) { return Built(L"test_pki\\" + name); }

std::string ReadOrDie(const std::wstring& path) {
  std::optional<std::string> data = base::ReadFileToString(path);
  EXPECT_TRUE(data) << base::WideToUtf8(path);
  return data.value_or("");
}

// Base64 certificate id of a test signer, as the build computed it from the certificates.
std::string Id(const char* signer) {
  static const base::Json ids = *base::ParseJson(ReadOrDie(Pki(L"ids.json")));
  return ids.at(signer).get<std::string>();
}

std::string List(std::initializer_list<const char*> signers) {
  base::Json certificates = base::Json::array();
  for (const char* signer : signers) certificates.push_back({{"id", Id(signer)}});
  return base::WriteJson({{"trusted_info", {{"certificates", certificates}}}});
}

class TrustTest : public ::testing::Test {
 protected:
  // The error records, as "location: message".
  std::vector<std::string> Errors() {
    std::vector<std::string> lines;
    for (const auto& r : log_.Take())
      if (r.severity == logging::LOG_ERROR) lines.push_back(r.location + ": " + r.message);
    return lines;
  }
  // True when exactly one error was logged and it starts with the given text.
  ::testing::AssertionResult OneError(const std::string& prefix) {
    std::vector<std::string> errors = Errors();
    if (errors.size() == 1 && errors[0].rfind(prefix, 0) == 0) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "expected one error starting with \"" << prefix << "\", got";
    for (const auto& e : errors) failure << "\n  " << e;
    return failure;
  }

  test::LogCapture log_;
};

TEST_F(TrustTest, SignatureVerifierChecksDataKeyAndByteOrder) {
  std::string list = ReadOrDie(Pki(L"lists\\good\\TRUSTED.JSON"));
  std::string signature = ReadOrDie(Pki(L"lists\\good\\SIGNATURE.DAT")).substr(2);
  std::string key = ReadOrDie(Pki(L"trust_key3.spki.der"));
  SignatureVerifier verifier;
  EXPECT_TRUE(verifier.Verify(signature, key, list));
  EXPECT_TRUE(verifier.Verify(signature, key, list));  // a second run starts clean
  EXPECT_TRUE(Errors().empty());

  std::string changed = list;
  changed[10] ^= 1;
  EXPECT_FALSE(verifier.Verify(signature, key, changed));
  EXPECT_TRUE(OneError("VerifySignature: Failed to verify signature, error: "));
  EXPECT_FALSE(verifier.Verify(std::string(signature.rbegin(), signature.rend()), key, list));
  EXPECT_TRUE(OneError("VerifySignature: Failed to verify signature, error: "));
  EXPECT_FALSE(verifier.Verify(signature, ReadOrDie(Pki(L"trust_key4.spki.der")), list));
  EXPECT_TRUE(OneError("VerifySignature: Failed to verify signature, error: "));
  EXPECT_FALSE(verifier.Verify("", key, list));
  EXPECT_TRUE(OneError("VerifySignature: Failed to verify signature, error: "));
  EXPECT_FALSE(verifier.Verify(signature, key.substr(0, 100), list));
  EXPECT_TRUE(OneError("ImportPublicKey: Failed to convert decode public key, error: "));
  EXPECT_FALSE(verifier.Verify(signature, ReadOrDie(Pki(L"ec_key.spki.der")), list));
  EXPECT_TRUE(OneError("ImportPublicKey: Failed to import crypt key, error: "));
}

TEST_F(TrustTest, BuiltinKeysAreThisBuildsTestKeys) {
  for (uint32_t i = 0; i < kBuiltinKeyCount; ++i)
    EXPECT_EQ(BuiltinPublicKey(i), ReadOrDie(Pki(L"trust_key" + std::to_wstring(i) + L".spki.der"))) << i;
}

TEST_F(TrustTest, TrustJsonComesOnlyWithAValidListSignature) {
  std::string good = ReadOrDie(Pki(L"lists\\good\\TRUSTED.JSON"));
  EXPECT_EQ(GetTrustJsonFromModule(Built(L"stand_in_setup.exe")), good);
  EXPECT_EQ(GetTrustJsonFromModule(Built(L"stand_in_setup_list_key0.exe")), good);  // index 0 is a real key
  EXPECT_TRUE(Errors().empty());

  struct Case {
    const wchar_t* file;
    const char* error;
  } cases[] = {
      {L"stand_in_setup_list_key10.exe", "GetTrustJsonFromModule: Cannot find key - "},
      {L"stand_in_setup_list_bad_signature.exe", "GetTrustJsonFromModule: Verify error - "},
      {L"stand_in_setup_list_little_endian.exe", "GetTrustJsonFromModule: Verify error - "},
      {L"stand_in_setup_list_short_signature.exe", "GetTrustJsonFromModule: Cannot find resource SIGNATURE_DAT - "},
      {L"stand_in_setup_list_no_signature.exe", "GetTrustJsonFromModule: Cannot find resource SIGNATURE_DAT - "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetTrustJsonFromModule(Built(c.file)), "") << base::WideToUtf8(c.file);
    // A failed signature also leaves the verifier's own line before "Verify error".
    std::vector<std::string> errors = Errors();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back().rfind(c.error, 0), 0u) << errors.back();
  }

  test::ScratchDir scratch;
  EXPECT_EQ(GetTrustJsonFromModule(scratch.Child(L"absent.exe")), "");
  EXPECT_TRUE(OneError("GetTrustJsonFromModule: Attempting to GetTrustJsonFromModule at an invalid path: "));
  ASSERT_TRUE(base::WriteStringToFile(scratch.Child(L"text.exe"), "not a program"));
  EXPECT_EQ(GetTrustJsonFromModule(scratch.Child(L"text.exe")), "");
  EXPECT_TRUE(OneError("GetTrustJsonFromModule: Failed to load module for GetTrustJsonFromModule: "));

  // Signature present, list resource removed.
  std::wstring no_list = scratch.Child(L"no_list.exe");
  ASSERT_TRUE(base::CopyFileTo(Built(L"stand_in_setup.exe"), no_list));
  std::string signature_dat = ReadOrDie(Pki(L"lists\\good\\SIGNATURE.DAT"));
  HANDLE update = BeginUpdateResourceW(no_list.c_str(), /*bDeleteExistingResources=*/TRUE);
  ASSERT_TRUE(update);
  ASSERT_TRUE(UpdateResourceW(update, L"SIGNATURE_DAT", L"SIGNATURE.DAT", 0, signature_dat.data(),
                              DWORD(signature_dat.size())));
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
  EXPECT_EQ(GetTrustJsonFromModule(no_list), "");
  EXPECT_TRUE(OneError("GetTrustJsonFromModule: Cannot find resource TRUSTED_JSON - "));
  // The module was unloaded: the file can go.
  EXPECT_TRUE(DeleteFileW(no_list.c_str()));
}

uint32_t SystemVerdict(const std::wstring& path);
// Trusts the test CA in the current user's root store while it lives. Wine, like Windows, refuses
// a chain of SHA-1 certificates under an unknown root (CERT_E_UNTRUSTEDROOT); it lets SHA-256
// chains pass without a trusted root. The store is written when it is closed, so each change
// opens and closes it.
class TrustedTestRoot {
 public:
  TrustedTestRoot() {
    std::string pem = ReadOrDie(Pki(L"ca.crt"));
    DWORD size = sizeof(der_);
    EXPECT_TRUE(CryptStringToBinaryA(pem.c_str(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER, der_, &size, nullptr,
                                     nullptr));
    size_ = size;
    HCERTSTORE store = OpenRoot();
    EXPECT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der_, size_,
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertCloseStore(store, 0);
  }
  ~TrustedTestRoot() {
    // Deleting through the store API leaves the registry copy behind under Wine; remove the
    // store's registry entry, named by the certificate's SHA-1 hash, directly.
    PCCERT_CONTEXT ca = CertCreateCertificateContext(X509_ASN_ENCODING, der_, size_);
    BYTE hash[20];
    DWORD size = sizeof(hash);
    EXPECT_TRUE(CertGetCertificateContextProperty(ca, CERT_SHA1_HASH_PROP_ID, hash, &size));
    CertFreeCertificateContext(ca);
    std::wstring key = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
    for (BYTE b : hash) {
      wchar_t hex[3];
      swprintf(hex, 3, L"%02X", b);
      key += hex;
    }
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str()), ERROR_SUCCESS);
  }

  static HCERTSTORE OpenRoot() {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    EXPECT_TRUE(store);
    return store;
  }
  BYTE der_[4096];
  DWORD size_ = 0;
};

TEST_F(TrustTest, SetupCheckAcceptsOnlyListedSignersWithIntactFiles) {
  TrustedTestRoot root;
  struct Case {
    const wchar_t* file;
    bool passes;
  } cases[] = {
      {L"stand_in_setup_signed.exe", true},
      {L"stand_in_setup_sha1.exe", true},
      {L"stand_in_setup_list_key0_signed.exe", true},
      {L"stand_in_setup.exe", false},                 // no Authenticode signature
      {L"stand_in_setup_tampered.exe", false},        // digest mismatch
      {L"stand_in_setup_foreign.exe", false},         // valid signature, signer not listed
      {L"stand_in_setup_self_signed.exe", false},     // chain of one
      {L"stand_in_setup_list_key10_signed.exe", false},
      {L"stand_in_setup_list_bad_signature_signed.exe", false},
      {L"stand_in_setup_list_little_endian_signed.exe", false},
      {L"stand_in_setup_list_short_signature_signed.exe", false},
      {L"stand_in_setup_list_no_signature_signed.exe", false},
      {L"stand_in_setup_list_certificates_object_signed.exe", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VerifySetupModule(Built(c.file)), c.passes) << base::WideToUtf8(c.file);
    EXPECT_EQ(VerifySetupModule(Built(c.file), /*prevents_net_usage=*/true), c.passes) << base::WideToUtf8(c.file);
  }
}

TEST_F(TrustTest, PinningIsWhatRejectsAForeignSigner) {
  std::wstring foreign = Built(L"stand_in_setup_foreign.exe");
  // The foreign signer's serial equals the listed SHA-1 signer's; only the issuer tells them apart.
  EXPECT_FALSE(TrustVerifier(List({"signer_sha1", "signer_sha256"})).VerifyModule(foreign, false));
  // Wine accepts its chain, so listing it is enough to pass.
  EXPECT_TRUE(TrustVerifier(List({"foreign_signer"})).VerifyModule(foreign, false));
  // A self-signed signer never passes, listed or not.
  EXPECT_FALSE(TrustVerifier(List({"self_signed"})).VerifyModule(Built(L"stand_in_setup_self_signed.exe"), false));
  // An empty list decides without asking the system.
  EXPECT_FALSE(TrustVerifier("{}").VerifyModule(Built(L"stand_in_setup_signed.exe"), false));
  std::vector<test::LogLine> records = log_.lines();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().message, "Verifying " + base::WideToUtf8(Built(L"stand_in_setup_signed.exe")));
}

// WinVerifyTrust's plain verdict on a file.
uint32_t SystemVerdict(const std::wstring& path) {
  WINTRUST_FILE_INFO file = {sizeof(file), path.c_str(), nullptr, nullptr};
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  return uint32_t(WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data));
}

TEST_F(TrustTest, TamperedFileFailsOnItsDigestEvenWhenListed) {
  std::wstring tampered = Built(L"stand_in_setup_tampered.exe");
  EXPECT_FALSE(TrustVerifier(List({"signer_sha256"})).VerifyModule(tampered, false));
  EXPECT_EQ(SystemVerdict(tampered), 0x80096010u);  // TRUST_E_BAD_DIGEST
  EXPECT_EQ(SystemVerdict(Built(L"stand_in_setup_signed.exe")), 0u);
}

// Whether WinVerifyTrust verifies the signature selected by index (Windows 8 and later) rather
// than always the primary one.
bool SystemSelectsSecondarySignatures(const std::wstring& path) {
  struct Settings {
    DWORD cbStruct, dwIndex, dwFlags, cSecondarySigs, dwVerifiedSigIndex;
    void* pCryptoPolicy;
  } settings = {sizeof(Settings), 1, 1 /* WSS_VERIFY_SPECIFIC */, 0, 0, nullptr};
  struct {
    WINTRUST_DATA data;
    Settings* settings;
  } trust = {};
  WINTRUST_FILE_INFO file = {sizeof(file), path.c_str(), nullptr, nullptr};
  trust.data.cbStruct = sizeof(trust);
  trust.data.dwUIChoice = WTD_UI_NONE;
  trust.data.dwUnionChoice = WTD_CHOICE_FILE;
  trust.data.pFile = &file;
  trust.settings = &settings;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
  return settings.dwVerifiedSigIndex == 1;
}

TEST_F(TrustTest, DualSignedFilePassesOnlyThroughItsSha256Signer) {
  TrustedTestRoot root;
  std::wstring dual = Built(L"stand_in_setup_dual.exe");
  // Wine 8 counts the nested signature but always verifies the primary one.
  if (!SystemSelectsSecondarySignatures(dual)) GTEST_SKIP() << "WinVerifyTrust ignores the signature index here";
  EXPECT_FALSE(VerifySetupModule(dual));  // its own list names the SHA-1 signer only
  EXPECT_FALSE(TrustVerifier(List({"signer_sha1"})).VerifyModule(dual, false));
  EXPECT_TRUE(TrustVerifier(List({"signer_sha1", "signer_sha256_b"})).VerifyModule(dual, false));
  EXPECT_TRUE(TrustVerifier(List({"signer_sha256_b"})).VerifyModule(dual, false));
}

TEST_F(TrustTest, LockedSetupCanStillBeVerified) {
  // The installation keeps the file open for reading and execution, refusing writers.
  std::wstring path = Built(L"stand_in_setup_signed.exe");
  HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(VerifySetupModule(path));
  CloseHandle(lock);
}

}  // namespace
}  // namespace trust
