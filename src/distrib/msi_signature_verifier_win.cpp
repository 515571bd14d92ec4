#include "distrib/msi_signature_verifier.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "base/lazy_import.h"
#include "base/unique_handle.h"
#include "logging/log.h"

namespace distrib {

PackageSignatureVerifier::~PackageSignatureVerifier() { Cleanup(); }

bool PackageSignatureVerifier::Verify(std::span<const uint8_t> signature, std::span<const uint8_t> public_key,
                                      std::span<const uint8_t> data) {
  return Initialize() && HashData(data) && ImportPublicKey(public_key) && VerifySignature(signature);
}

bool PackageSignatureVerifier::Initialize() {
  Cleanup();
  auto acquire = LAZY_IMPORT(base::kAdvapi32, CryptAcquireContextW);
  HCRYPTPROV provider = 0;
  if (!acquire || !acquire(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    PLOG(ERROR) << "Failed to initialize crypt context, error: ";
    return false;
  }
  provider_ = provider;
  return true;
}

bool PackageSignatureVerifier::HashData(std::span<const uint8_t> data) {
  auto create_hash = LAZY_IMPORT(base::kAdvapi32, CryptCreateHash);
  HCRYPTHASH hash = 0;
  if (!create_hash || !create_hash(provider_, CALG_SHA1, 0, 0, &hash)) {
    PLOG(ERROR) << "Failed to initialize hash object, error: ";
    return false;
  }
  hash_ = hash;
  auto hash_data = LAZY_IMPORT(base::kAdvapi32, CryptHashData);
  if (!hash_data || !hash_data(hash_, data.data(), static_cast<DWORD>(data.size()), 0)) {
    PLOG(ERROR) << "Failed to hash data, error: ";
    return false;
  }
  return true;
}

bool PackageSignatureVerifier::ImportPublicKey(std::span<const uint8_t> public_key) {
  auto decode = LAZY_IMPORT(base::kCrypt32, CryptDecodeObjectEx);
  CERT_PUBLIC_KEY_INFO* info = nullptr;
  DWORD info_size = 0;
  if (!decode || !decode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_PUBLIC_KEY_INFO, public_key.data(),
                         static_cast<DWORD>(public_key.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, &info,
                         &info_size)) {
    PLOG(ERROR) << "Failed to convert decode public key, error: ";
    return false;
  }
  base::ScopedLocalMemory info_owner(info);  // the decoder allocated it with LocalAlloc
  auto import = LAZY_IMPORT(base::kCrypt32, CryptImportPublicKeyInfo);
  HCRYPTKEY key = 0;
  if (!import || !import(provider_, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, info, &key)) {
    PLOG(ERROR) << "Failed to import crypt key, error: ";
    return false;
  }
  key_ = key;
  return true;
}

bool PackageSignatureVerifier::VerifySignature(std::span<const uint8_t> signature) {
  if (signature.empty()) {
    SetLastError(static_cast<DWORD>(NTE_BAD_SIGNATURE));
    PLOG(ERROR) << "Failed to verify signature, error: ";
    return false;
  }
  // Stored big-endian; CryptoAPI takes the little-endian form.
  std::vector<uint8_t> reversed(signature.rbegin(), signature.rend());
  auto verify = LAZY_IMPORT(base::kAdvapi32, CryptVerifySignatureW);
  if (!verify || !verify(hash_, reversed.data(), static_cast<DWORD>(reversed.size()), key_, nullptr, 0)) {
    PLOG(ERROR) << "Failed to verify signature, error: ";
    return false;
  }
  return true;
}

void PackageSignatureVerifier::Cleanup() {
  // Releasing must not hide the error of the step that failed.
  DWORD saved_error = GetLastError();
  if (key_) {
    auto destroy_key = LAZY_IMPORT(base::kAdvapi32, CryptDestroyKey);
    if (!destroy_key || !destroy_key(key_)) PLOG(ERROR) << "Failed to destroy crypt key, error: ";
    key_ = 0;
  }
  if (hash_) {
    auto destroy_hash = LAZY_IMPORT(base::kAdvapi32, CryptDestroyHash);
    if (!destroy_hash || !destroy_hash(hash_)) PLOG(ERROR) << "Failed to destroy, error: ";
    hash_ = 0;
  }
  if (provider_) {
    auto release = LAZY_IMPORT(base::kAdvapi32, CryptReleaseContext);
    if (!release || !release(provider_, 0)) PLOG(ERROR) << "Failed to release crypt context, error: ";
    provider_ = 0;
  }
  SetLastError(saved_error);
}

}  // namespace distrib
