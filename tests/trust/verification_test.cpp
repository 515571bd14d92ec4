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
#include "support/test_util.h"
#include "trust/base64.h"
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

class LogCapture : public logging::Sink {
 public:
  struct Shared {
    std::mutex lock;
    std::vector<logging::Record> records;
  };
  explicit LogCapture(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  void Emit(const logging::Record& record) override {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->records.push_back(record);
  }

 private:
  std::shared_ptr<Shared> shared_;
};

class TrustTest : public ::testing::Test {
 protected:
  void SetUp() override { logging::InstallSink(std::make_unique<LogCapture>(log_)); }
  void TearDown() override { logging::InstallSink(nullptr); }

  // The error records, as "location: message".
  std::vector<std::string> Errors() {
    std::lock_guard<std::mutex> hold(log_->lock);
    std::vector<std::string> lines;
    for (const auto& r : log_->records)
      if (r.severity == logging::LOG_ERROR) lines.push_back(std::string(r.location) + ": " + r.message);
    log_->records.clear();
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

  std::shared_ptr<LogCapture::Shared> log_ = std::make_shared<LogCapture::Shared>();
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
  HANDLE update = BeginUpdateResourceW(no_list.c_str(), FALSE);
  ASSERT_TRUE(update);
  ASSERT_TRUE(UpdateResourceW(update, L"TRUSTED_JSON", L"TRUSTED.JSON", 0, nullptr, 0));
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
  EXPECT_EQ(GetTrustJsonFromModule(no_list), "");
  EXPECT_TRUE(OneError("GetTrustJsonFromModule: Cannot find resource TRUSTED_JSON - "));
  // The module was unloaded: the file can go.
  EXPECT_TRUE(DeleteFileW(no_list.c_str()));
}

TEST_F(TrustTest, SetupCheckAcceptsOnlyListedSignersWithIntactFiles) {
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
      {L"stand_in_setup_dual.exe", false},            // nested SHA-256 signer not listed
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
  std::lock_guard<std::mutex> hold(log_->lock);
  ASSERT_FALSE(log_->records.empty());
  EXPECT_EQ(log_->records.back().message, "Verifying " + base::WideToUtf8(Built(L"stand_in_setup_signed.exe")));
}

TEST_F(TrustTest, TamperedFileFailsOnItsDigestEvenWhenListed) {
  std::wstring tampered = Built(L"stand_in_setup_tampered.exe");
  EXPECT_FALSE(TrustVerifier(List({"signer_sha256"})).VerifyModule(tampered, false));

  WINTRUST_FILE_INFO file = {sizeof(file), tampered.c_str(), nullptr, nullptr};
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  EXPECT_EQ(uint32_t(WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data)), 0x80096010u);
}

TEST_F(TrustTest, DualSignedFilePassesOnlyThroughItsSha256Signer) {
  std::wstring dual = Built(L"stand_in_setup_dual.exe");
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
