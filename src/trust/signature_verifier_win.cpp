#include "trust/signature_verifier.h"

#include <string>

#include "base/lazy_import.h"
#include "logging/log.h"

namespace trust {

SignatureVerifier::~SignatureVerifier() { Cleanup(); }

bool SignatureVerifier::Verify(std::string_view signature, std::string_view public_key_der,
                               std::string_view data) {
  return Initialize() && HashData(data) && ImportPublicKey(public_key_der) && VerifySignature(signature);
}

bool SignatureVerifier::Initialize() {
  Cleanup();
  auto acquire = LAZY_IMPORT(base::kAdvapi32, CryptAcquireContextW);
  if (!acquire || !acquire(provider_.receive(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    static_cast<void>(provider_.release());  // nothing was acquired
    PLOG(ERROR) << "Failed to initialize crypt context, error: ";
    return false;
  }
  return true;
}

bool SignatureVerifier::HashData(std::string_view data) {
  auto create = LAZY_IMPORT(base::kAdvapi32, CryptCreateHash);
  if (!create || !create(provider_.get(), CALG_SHA1, 0, 0, hash_.receive())) {
    static_cast<void>(hash_.release());  // nothing was created
    PLOG(ERROR) << "Failed to initialize hash object, error: ";
    return false;
  }
  auto hash_data = LAZY_IMPORT(base::kAdvapi32, CryptHashData);
  if (!hash_data || !hash_data(hash_.get(), reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()), 0)) {
    PLOG(ERROR) << "Failed to hash data, error: ";
    return false;
  }
  return true;
}

bool SignatureVerifier::ImportPublicKey(std::string_view public_key_der) {
  auto decode = LAZY_IMPORT(base::kCrypt32, CryptDecodeObjectEx);
  // The decoder allocates the structure with LocalAlloc.
  base::ScopedLocalMemory info;
  DWORD info_size = 0;
  if (!decode || !decode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_PUBLIC_KEY_INFO,
                         reinterpret_cast<const BYTE*>(public_key_der.data()), DWORD(public_key_der.size()),
                         CRYPT_DECODE_ALLOC_FLAG, nullptr, info.receive(), &info_size)) {
    PLOG(ERROR) << "Failed to convert decode public key, error: ";
    return false;
  }
  auto import = LAZY_IMPORT(base::kCrypt32, CryptImportPublicKeyInfo);
  bool imported = import && import(provider_.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                   static_cast<CERT_PUBLIC_KEY_INFO*>(info.get()), key_.receive());
  DWORD error = GetLastError();
  info.reset();
  if (!imported) {
    static_cast<void>(key_.release());  // nothing was imported
    PLOG_CODE(ERROR, error) << "Failed to import crypt key, error: ";
    return false;
  }
  return true;
}

bool SignatureVerifier::VerifySignature(std::string_view signature) {
  if (signature.empty()) {
    PLOG_CODE(ERROR, ERROR_INVALID_PARAMETER) << "Failed to verify signature, error: ";
    return false;
  }
  // The CryptoAPI takes the signature little-endian.
  std::string reversed(signature.rbegin(), signature.rend());
  auto verify = LAZY_IMPORT(base::kAdvapi32, CryptVerifySignatureW);
  if (!verify || !verify(hash_.get(), reinterpret_cast<const BYTE*>(reversed.data()), DWORD(reversed.size()), key_.get(),
                         nullptr, 0)) {
    PLOG(ERROR) << "Failed to verify signature, error: ";
    return false;
  }
  return true;
}

void SignatureVerifier::Cleanup() {
  if (!key_.close()) PLOG(ERROR) << "Failed to destroy crypt key, error: ";
  if (!hash_.close()) PLOG(ERROR) << "Failed to destroy, error: ";
  if (!provider_.close()) PLOG(ERROR) << "Failed to release crypt context, error: ";
}

}  // namespace trust
