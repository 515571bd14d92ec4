#include "trust/trusted_certificates.h"

#include <algorithm>

#include "base/json.h"
#include "base/base64.h"

namespace trust {

CertificateIdSet ParseTrustedCertificateIds(std::string_view list_text) {
  CertificateIdSet ids;
  std::optional<base::Json> list = base::ParseJson(list_text);
  if (!list || !list->is_object()) return ids;
  auto info = list->find("trusted_info");
  if (info == list->end() || !info->is_object()) return ids;
  auto certificates = info->find("certificates");
  if (certificates == info->end() || !certificates->is_array()) return ids;
  for (const base::Json& element : *certificates) {
    if (!element.is_object()) continue;
    auto id = element.find("id");
    if (id == element.end() || !id->is_string()) continue;
    std::optional<std::string> bytes = base::Base64Decode(id->get_ref<const std::string&>());
    if (bytes) ids.insert(std::move(*bytes));
  }
  return ids;
}

std::string MakeCertificateId(const uint8_t* issuer_serial_le, size_t issuer_size,
                              const uint8_t* signer_serial_le, size_t signer_size) {
  std::string id;
  id.reserve(issuer_size + signer_size);
  for (size_t i = issuer_size; i > 0; --i) id += char(issuer_serial_le[i - 1]);
  for (size_t i = signer_size; i > 0; --i) id += char(signer_serial_le[i - 1]);
  return id;
}

bool SignatureDecision::Add(bool listed, bool sha256) {
  if (sha256) {
    if (listed) {
      accepted_ = true;
      return true;
    }
    sha256_seen_ = true;
    accepted_ = false;
  } else if (!sha256_seen_ && listed) {
    accepted_ = true;
  }
  return false;
}

bool IsSignedByListedSigner(const CertificateIdSet& ids, const SignatureCheck& check) {
  SignatureDecision decision;
  uint32_t secondary_count = 0;
  for (uint32_t index = 0; index <= secondary_count; ++index) {
    uint32_t reported = 0;
    std::optional<SignerFacts> signer = check(index, &reported);
    // The count comes from the file: all ones is no count at all, and no real file nests more
    // than a handful of signatures, so a larger claim only buys an attacker verification time.
    if (index == 0) secondary_count = reported == 0xFFFFFFFF ? 0 : std::min(reported, kMaxSecondarySignatures);
    if (signer && decision.Add(ids.count(signer->certificate_id) > 0, signer->sha256)) break;
  }
  return decision.accepted();
}

std::optional<SignatureResource> ParseSignatureResource(std::string_view bytes) {
  if (bytes.size() <= 2) return std::nullopt;
  SignatureResource resource;
  resource.key_index = uint16_t(uint8_t(bytes[0]) | uint8_t(bytes[1]) << 8);
  resource.signature.assign(bytes.substr(2));
  return resource;
}

namespace {

// Base64 DER SubjectPublicKeyInfo texts of 1024-bit RSA keys, indices 0 to 9, generated from the
// build's key inputs (cmake/keys.cmake): the distribution's own keys, or the test keys of a build
// with loopback endpoints. An empty entry selects no key.
constexpr const char* kBuiltinKeys[kBuiltinKeyCount] = {
#include "trust_keys.inc"
};

}  // namespace

std::optional<std::string> BuiltinPublicKey(uint32_t index) {
  if (index >= kBuiltinKeyCount) return std::nullopt;
  std::optional<std::string> key = base::Base64Decode(kBuiltinKeys[index]);
  if (!key || key->empty()) return std::nullopt;
  return key;
}

}  // namespace trust
