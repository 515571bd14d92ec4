// Owners for CryptoAPI objects (advapi32): a provider context, a hash and a key.
#pragma once

#include <windows.h>
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

using ScopedCryptProvider = UniqueHandle<CryptProviderTraits>;
using ScopedCryptHash = UniqueHandle<CryptHashTraits>;
using ScopedCryptKey = UniqueHandle<CryptKeyTraits>;

}  // namespace base
