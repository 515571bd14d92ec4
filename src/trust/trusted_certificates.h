// The trusted-certificate list carried by a setup, the signature resource that protects it, the
// built-in keys that resource names, and the rule that picks a trusted Authenticode signature.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace trust {

// A certificate id: the issuing CA's serial number followed by the signer's, both big-endian as
// encoded in the certificates. Byte strings.
using CertificateIdSet = std::set<std::string>;

// {"trusted_info": {"certificates": [{"id": "<Base64 id>"}, ...]}}. Elements that are not objects
// or carry no decodable string "id" are skipped; any other deviation yields an empty set.
CertificateIdSet ParseTrustedCertificateIds(std::string_view list_text);

// CryptoAPI keeps serial numbers little-endian; the id wants them as encoded.
std::string MakeCertificateId(const uint8_t* issuer_serial_le, size_t issuer_size,
                              const uint8_t* signer_serial_le, size_t signer_size);

inline constexpr char kSha256WithRsaOid[] = "1.2.840.113549.1.1.11";

// Folds the file's signatures, in index order, into the verdict: a listed SHA-256 signature
// accepts at once; once a SHA-256 signature was seen, only a listed SHA-256 one can accept, so
// an older signature cannot vouch for a file whose newer signature is foreign.
class SignatureDecision {
 public:
  // Returns true when the verdict is final (accepted).
  [[nodiscard]] bool Add(bool listed, bool sha256);
  bool accepted() const { return accepted_; }

 private:
  bool accepted_ = false;
  bool sha256_seen_ = false;
};

// What the check of one Authenticode signature found out about its signer.
struct SignerFacts {
  std::string certificate_id;
  bool sha256 = false;  // the signer certificate is signed with sha256WithRSAEncryption
};
// Checks the signature with this index; nothing when the system rejected it or its signer does
// not qualify. The check of index 0 also reports how many secondary signatures the file has.
using SignatureCheck = std::function<std::optional<SignerFacts>(uint32_t index, uint32_t* secondary_count)>;
// Nested signatures looked at beyond the primary one.
inline constexpr uint32_t kMaxSecondarySignatures = 32;
// Runs the check on index 0, then on 1 up to the secondary count (at most
// kMaxSecondarySignatures; a count of 0xFFFFFFFF ends the walk after index 0), and decides with
// SignatureDecision whether a listed signer vouches for the file.
[[nodiscard]] bool IsSignedByListedSigner(const CertificateIdSet& ids, const SignatureCheck& check);

// "SIGNATURE.DAT": a 2-byte little-endian key index, then the RSA signature, big-endian.
struct SignatureResource {
  uint16_t key_index = 0;
  std::string signature;
};
// Nothing when the resource holds 2 bytes or fewer.
[[nodiscard]] std::optional<SignatureResource> ParseSignatureResource(std::string_view bytes);

inline constexpr size_t kBuiltinKeyCount = 10;
// The built-in list key with this index as DER SubjectPublicKeyInfo; nothing for an index
// without a (decodable) key.
[[nodiscard]] std::optional<std::string> BuiltinPublicKey(uint32_t index);

}  // namespace trust
