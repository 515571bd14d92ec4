#include "distrib/msi_override_key.h"

namespace distrib {

namespace {
// DER SubjectPublicKeyInfo of a 2048-bit RSA key, generated from the build's key input
// (cmake/keys.cmake): the distribution's own key, or the test key of a build with loopback
// endpoints, whose private half signs the test fixtures.
const uint8_t kKey[] = {
#include "msi_override_key.inc"
};
static_assert(sizeof(kKey) == kPartnerOverrideKeySize);
}  // namespace

std::span<const uint8_t> PartnerOverridePublicKey() { return kKey; }

}  // namespace distrib
