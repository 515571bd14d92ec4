// The raw RSA/SHA-1 check of a partner package appended to an MSI: a PKCS #1 v1.5 signature,
// stored big-endian, over a byte block, against a DER SubjectPublicKeyInfo. Done with the Windows
// CryptoAPI (advapi32 and crypt32, bound on first use). Portable header.
#pragma once

#include <cstdint>
#include <span>

namespace distrib {

class PackageSignatureVerifier {
 public:
  PackageSignatureVerifier() = default;
  PackageSignatureVerifier(const PackageSignatureVerifier&) = delete;
  PackageSignatureVerifier& operator=(const PackageSignatureVerifier&) = delete;
  ~PackageSignatureVerifier();

  // Stops at the first failing step, which logs an error with the system error; afterwards the
  // thread's last error is that step's error.
  [[nodiscard]] bool Verify(std::span<const uint8_t> signature, std::span<const uint8_t> public_key,
                            std::span<const uint8_t> data);

 private:
  bool Initialize();
  bool HashData(std::span<const uint8_t> data);
  bool ImportPublicKey(std::span<const uint8_t> public_key);
  bool VerifySignature(std::span<const uint8_t> signature);
  void Cleanup();

  // HCRYPTPROV, HCRYPTHASH and HCRYPTKEY; zero when not held.
  uintptr_t provider_ = 0;
  uintptr_t hash_ = 0;
  uintptr_t key_ = 0;
};

}  // namespace distrib
