// Owners for CryptoAPI objects (advapi32): a provider context, a hash and a key; and for the
// CNG objects (bcrypt): an algorithm provider and a hash.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include "base/unique_handle.h"

namespace base {

struct CryptProviderTraits {
  using Handle = HCRYPTPROV;
  static Handle Invalid() { return 0; }
  [[nodiscard]] static bool Close(Handle h);  // CryptReleaseContext
};
struct CryptHashTraits {
  using Handle = HCRYPTHASH;
  static Handle Invalid() { return 0; }
  [[nodiscard]] static bool Close(Handle h);  // CryptDestroyHash
};
struct CryptKeyTraits {
  using Handle = HCRYPTKEY;
  static Handle Invalid() { return 0; }
  [[nodiscard]] static bool Close(Handle h);  // CryptDestroyKey
};

struct BcryptAlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);  // BCryptCloseAlgorithmProvider
};
struct BcryptHashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle Invalid() { return nullptr; }
  [[nodiscard]] static bool Close(Handle h);  // BCryptDestroyHash
};

using ScopedCryptProvider = UniqueHandle<CryptProviderTraits>;
using ScopedCryptHash = UniqueHandle<CryptHashTraits>;
using ScopedCryptKey = UniqueHandle<CryptKeyTraits>;
using ScopedBcryptAlgorithm = UniqueHandle<BcryptAlgorithmTraits>;
using ScopedBcryptHash = UniqueHandle<BcryptHashTraits>;

}  // namespace base
