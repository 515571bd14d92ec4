// The portable side of the trust checks: Base64, the trusted-certificate list, certificate ids,
// the signature resource and the SHA-256 rule.
#include <gtest/gtest.h>

#include "base/base64.h"
#include "trust/trusted_certificates.h"

#include <optional>
#include <vector>

namespace trust {
namespace {

TEST(TrustedListTest, IdsAreCollectedAndBadElementsSkipped) {
  CertificateIdSet ids = ParseTrustedCertificateIds(R"({"trusted_info": {"certificates": [
      {"id": "AQID"}, {"id": "AQID"}, "AQID", 5, {"id": 7}, {"name": "x"}, {"id": "A*=="},
      {"id": "BAU="}, {"id": ""}]}})");
  EXPECT_EQ(ids, (CertificateIdSet{std::string("\x01\x02\x03"), std::string("\x04\x05"), std::string()}));
}

TEST(TrustedListTest, WrongShapesGiveNoIds) {
  for (const char* text : {
           R"({"trusted_info": {"certificates": {"a": {"id": "AQID"}}}})",  // object, not array
           R"({"trusted_info": [{"certificates": [{"id": "AQID"}]}]})",
           R"({"certificates": [{"id": "AQID"}]})",
           R"([{"trusted_info": {"certificates": [{"id": "AQID"}]}}])",
           R"({"trusted_info": {"certificates": [{"id": "AQID"}]})",  // truncated
           "",
       }) {
    EXPECT_TRUE(ParseTrustedCertificateIds(text).empty()) << text;
  }
}

TEST(CertificateIdTest, SerialsAreTurnedBigEndianIssuerFirst) {
  const uint8_t issuer_le[] = {0x11, 0x7A};
  const uint8_t signer_le[] = {0xCC, 0xBB, 0xAA, 0x99, 0x88, 0x00};
  EXPECT_EQ(MakeCertificateId(issuer_le, 2, signer_le, 6), std::string("\x7A\x11\x00\x88\x99\xAA\xBB\xCC", 8));
}

// The file's signatures as the system reports them, index by index; a null entry is a signature
// the system rejected.
struct FakeSignatures {
  std::vector<std::optional<SignerFacts>> signatures;
  uint32_t reported_count;  // what the index-0 check says about secondary signatures
  std::vector<uint32_t> visited;

  bool Check(const CertificateIdSet& ids) {
    return IsSignedByListedSigner(ids, [this](uint32_t index, uint32_t* secondary_count) {
      visited.push_back(index);
      *secondary_count = index == 0 ? reported_count : 99;  // only the first report counts
      return index < signatures.size() ? signatures[index] : std::nullopt;
    });
  }
};

TEST(SignatureRuleTest, Sha256SignaturesOverruleOlderOnes) {
  const CertificateIdSet ids = {"A", "B"};
  const SignerFacts listed_sha1{"A", false}, listed_sha256{"B", true};
  const SignerFacts foreign_sha1{"X", false}, foreign_sha256{"Y", true};
  struct Case {
    std::vector<std::optional<SignerFacts>> signatures;
    bool accepted;
    std::vector<uint32_t> visited;
  };
  const Case cases[] = {
      {{std::nullopt}, false, {0}},
      {{listed_sha1}, true, {0}},
      {{foreign_sha1, listed_sha1}, true, {0, 1}},
      {{std::nullopt, listed_sha1}, true, {0, 1}},                // a rejected primary still counts secondaries
      {{listed_sha1, foreign_sha256}, false, {0, 1}},             // dual-signed, SHA-256 signer not listed
      {{listed_sha1, listed_sha256}, true, {0, 1}},
      {{foreign_sha256, listed_sha1}, false, {0, 1}},             // older signature after a SHA-256 one
      {{listed_sha256, foreign_sha256}, true, {0}},               // a listed SHA-256 signature ends it
      {{foreign_sha256, listed_sha256}, true, {0, 1}},
      {{listed_sha1, foreign_sha256, listed_sha1}, false, {0, 1, 2}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    FakeSignatures file{cases[i].signatures, uint32_t(cases[i].signatures.size() - 1), {}};
    EXPECT_EQ(file.Check(ids), cases[i].accepted) << "case " << i;
    EXPECT_EQ(file.visited, cases[i].visited) << "case " << i;
  }
  // The same dual-signed file passes once its SHA-256 signer is listed.
  FakeSignatures dual{{listed_sha1, SignerFacts{"Y", true}}, 1, {}};
  EXPECT_TRUE(dual.Check({"A", "Y"}));
  // A file whose first check reports no secondary signatures is judged by its primary one.
  FakeSignatures unreported{{listed_sha1, foreign_sha256}, 0, {}};
  EXPECT_TRUE(unreported.Check(ids));
  EXPECT_EQ(unreported.visited, std::vector<uint32_t>{0});
}

TEST(SignatureRuleTest, SecondaryCountFromTheFileIsBounded) {
  const CertificateIdSet ids = {"B"};
  // Every signature is rejected except one listed SHA-256 signature at listed_at: a walk that
  // believed the claimed count would reach it.
  struct Walk {
    uint32_t checks = 0;
    bool accepted = false;
  };
  auto walk = [&](uint32_t reported, uint32_t listed_at) {
    Walk result;
    result.accepted = IsSignedByListedSigner(ids, [&](uint32_t index, uint32_t* count) -> std::optional<SignerFacts> {
      ++result.checks;
      *count = reported;
      if (index == listed_at) return SignerFacts{"B", true};
      return std::nullopt;
    });
    return result;
  };
  Walk all_ones = walk(0xFFFFFFFF, 5000);
  EXPECT_FALSE(all_ones.accepted);
  EXPECT_EQ(all_ones.checks, 1u);  // no count at all: only the primary signature
  for (uint32_t reported : {0xFFFFFFFEu, 100000u, kMaxSecondarySignatures + 1}) {
    Walk huge = walk(reported, kMaxSecondarySignatures + 1);
    EXPECT_FALSE(huge.accepted) << reported;
    EXPECT_EQ(huge.checks, kMaxSecondarySignatures + 1) << reported;
  }
  // Up to the cap a nested signature still counts.
  EXPECT_TRUE(walk(0xFFFFFFFE, kMaxSecondarySignatures).accepted);
  EXPECT_TRUE(walk(kMaxSecondarySignatures, kMaxSecondarySignatures).accepted);
}

TEST(SignatureResourceTest, IndexIsLittleEndianAndTwoBytesAreNothing) {
  EXPECT_FALSE(ParseSignatureResource(""));
  EXPECT_FALSE(ParseSignatureResource(std::string("\x03\x00", 2)));
  auto resource = ParseSignatureResource(std::string("\x01\x0A\xFF\x00", 4));
  ASSERT_TRUE(resource);
  EXPECT_EQ(resource->key_index, 0x0A01);
  EXPECT_EQ(resource->signature, std::string("\xFF\x00", 2));
}

TEST(BuiltinKeysTest, TenKeysOfTheDistributionForm) {
  for (uint32_t i = 0; i < kBuiltinKeyCount; ++i) {
    auto key = BuiltinPublicKey(i);
    ASSERT_TRUE(key) << i;
    EXPECT_EQ(key->size(), 162u) << i;  // SubjectPublicKeyInfo of a 1024-bit RSA key
    EXPECT_EQ(base::Base64Encode(*key).size(), 216u);
    EXPECT_EQ(key->substr(0, 3), "\x30\x81\x9f") << i;
  }
  EXPECT_FALSE(BuiltinPublicKey(10));
  EXPECT_FALSE(BuiltinPublicKey(0xFFFF));
}

}  // namespace
}  // namespace trust
