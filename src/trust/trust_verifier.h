// Trust in a downloaded setup: the signed trusted-certificate list it carries, and an
// Authenticode check that pins the signer to that list.
#pragma once

#include <string>
#include <string_view>

#include "trust/trusted_certificates.h"

namespace trust {

// The setup's "TRUSTED.JSON" resource, returned only when its "SIGNATURE.DAT" verifies with the
// built-in key it names; empty otherwise (the reason is logged).
std::string GetTrustJsonFromModule(const std::wstring& path);

class TrustVerifier {
 public:
  // An unusable list gives an empty id set, with which no module passes.
  explicit TrustVerifier(std::string_view trusted_list);

  // WinVerifyTrust on every signature of the file; true when the signer of an accepted
  // signature is listed (see SignatureDecision). prevents_net_usage turns off revocation checks
  // that would go to the network. file (a HANDLE open for reading, may be null): the check reads
  // the file through it, so it is the file held open, whatever the path names meanwhile.
  [[nodiscard]] bool VerifyModule(const std::wstring& path, bool prevents_net_usage, void* file = nullptr) const;

  const CertificateIdSet& ids() const { return ids_; }

 private:
  CertificateIdSet ids_;
};

// The check a setup must pass before it runs: TrustVerifier(GetTrustJsonFromModule(path))
// .VerifyModule(path, prevents_net_usage). A check made without the network is repeated once
// with it. file: as for VerifyModule.
[[nodiscard]] bool VerifySetupModule(const std::wstring& path, bool prevents_net_usage = false, void* file = nullptr);

}  // namespace trust
