// The portable side of the trust checks: Base64, the trusted-certificate list, certificate ids,
// the signature resource and the SHA-256 rule.
#include <gtest/gtest.h>

#include "trust/base64.h"
#include "trust/trusted_certificates.h"

namespace trust {
namespace {

TEST(Base64Test, RoundTripAndStrictDecoding) {
  std::string bytes;
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes) << i;
    bytes += char(0xF0 + i);
  }
  EXPECT_EQ(Base64Encode(std::string("\x7a\x11\x00\x88", 4)), "ehEAiA==");
  EXPECT_FALSE(Base64Decode("ehEAiA="));     // length not a multiple of four
  EXPECT_FALSE(Base64Decode("eh=AiA=="));    // padding inside
  EXPECT_FALSE(Base64Decode("ehEAiA==ehEA")); // padding before the end
  EXPECT_FALSE(Base64Decode("ehE AiA="));    // blank
  EXPECT_FALSE(Base64Decode("ehEAiB=="));    // bits left over after the last byte
  EXPECT_EQ(Base64Decode(""), std::string());
}

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

TEST(SignatureDecisionTest, Sha256SignaturesOverruleOlderOnes) {
  struct Signature {
    bool listed, sha256;
  };
  struct Case {
    std::vector<Signature> signatures;
    bool accepted;
    size_t consumed;  // signatures looked at before the verdict was final
  };
  const Case cases[] = {
      {{}, false, 0},
      {{{true, false}}, true, 1},
      {{{false, false}, {true, false}}, true, 2},
      {{{true, false}, {false, true}}, false, 2},          // dual-signed, SHA-256 signer not listed
      {{{true, false}, {true, true}}, true, 2},
      {{{false, true}, {true, false}}, false, 2},          // older signature after a SHA-256 one
      {{{true, true}, {false, true}}, true, 1},            // a listed SHA-256 signature ends it
      {{{false, true}, {true, true}}, true, 2},
      {{{true, false}, {false, true}, {true, false}}, false, 3},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SignatureDecision decision;
    size_t consumed = 0;
    for (const Signature& s : cases[i].signatures) {
      ++consumed;
      if (decision.Add(s.listed, s.sha256)) break;
    }
    EXPECT_EQ(decision.accepted(), cases[i].accepted) << "case " << i;
    EXPECT_EQ(consumed, cases[i].consumed) << "case " << i;
  }
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
    EXPECT_EQ(Base64Encode(*key).size(), 216u);
    EXPECT_EQ(key->substr(0, 3), "\x30\x81\x9f") << i;
  }
  EXPECT_FALSE(BuiltinPublicKey(10));
  EXPECT_FALSE(BuiltinPublicKey(0xFFFF));
}

}  // namespace
}  // namespace trust
