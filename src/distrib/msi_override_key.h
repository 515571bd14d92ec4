// The built-in key that partner packages appended to an MSI must be signed with.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace distrib {

// DER SubjectPublicKeyInfo of a 2048-bit RSA key.
inline constexpr size_t kPartnerOverrideKeySize = 294;
std::span<const uint8_t> PartnerOverridePublicKey();

}  // namespace distrib
