// Raw RSA/SHA-1 signature check (PKCS #1 v1.5) over a byte block with a DER
// SubjectPublicKeyInfo, done with the CryptoAPI. The signature is given big-endian, as other
// tools write it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string_view>

#include "base/unique_crypt.h"

namespace trust {

class SignatureVerifier {
 public:
  SignatureVerifier() = default;
  SignatureVerifier(const SignatureVerifier&) = delete;
  SignatureVerifier& operator=(const SignatureVerifier&) = delete;
  ~SignatureVerifier();

  // Stops at the first failing step; every failure is logged with the system error.
  [[nodiscard]] bool Verify(std::string_view signature, std::string_view public_key_der,
                            std::string_view data);

 private:
  [[nodiscard]] bool Initialize();
  [[nodiscard]] bool HashData(std::string_view data);
  [[nodiscard]] bool ImportPublicKey(std::string_view public_key_der);
  [[nodiscard]] bool VerifySignature(std::string_view signature);
  void Cleanup();

  base::ScopedCryptProvider provider_;
  base::ScopedCryptHash hash_;
  base::ScopedCryptKey key_;
};

}  // namespace trust
