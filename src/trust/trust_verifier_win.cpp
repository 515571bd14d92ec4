#include "trust/trust_verifier.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstddef>
#include <cstring>
#include <optional>

#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/unique_handle.h"
#include "base/unique_wintrust.h"
#include "logging/log.h"
#include "trust/signature_verifier.h"

namespace trust {

namespace {

// The headers at hand predate these Windows 8 additions to WINTRUST_DATA; the layout is the
// system's.
constexpr DWORD kVerifySpecific = 0x1;         // WSS_VERIFY_SPECIFIC
constexpr DWORD kGetSecondarySigCount = 0x2;   // WSS_GET_SECONDARY_SIG_COUNT
struct SignatureSettings {
  DWORD cbStruct;
  DWORD dwIndex;
  DWORD dwFlags;
  DWORD cSecondarySigs;
  DWORD dwVerifiedSigIndex;
  void* pCryptoPolicy;
};
struct TrustData {
  WINTRUST_DATA data;
  SignatureSettings* pSignatureSettings;
};
// The trust state's owner is given &data and passes it on as the address of the whole.
static_assert(offsetof(TrustData, data) == 0);

// WINTRUST_ACTION_GENERIC_VERIFY_V2
GUID GenericVerifyV2() {
  return GUID{0xaac56b, 0xcd44, 0x11d0, {0x8c, 0xc2, 0x00, 0xc0, 0x4f, 0xc2, 0x95, 0xee}};
}

std::optional<std::string> ReadResource(HMODULE module, const wchar_t* name, const wchar_t* type) {
  HRSRC info = FindResourceW(module, name, type);
  if (!info) return std::nullopt;
  DWORD size = SizeofResource(module, info);
  HGLOBAL loaded = LoadResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return std::nullopt;
  return std::string(static_cast<const char*>(data), size);
}

}  // namespace

std::string GetTrustJsonFromModule(const std::wstring& path) {
  if (!base::PathExists(path)) {
    PLOG(ERROR) << "Attempting to GetTrustJsonFromModule at an invalid path: " << path;
    return {};
  }
  base::ScopedModule module(
      LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
  if (!module) {
    PLOG(ERROR) << "Failed to load module for GetTrustJsonFromModule: " << path;
    return {};
  }
  std::optional<std::string> signature_bytes = ReadResource(module.get(), L"SIGNATURE.DAT", L"SIGNATURE_DAT");
  std::optional<SignatureResource> signature;
  if (signature_bytes) signature = ParseSignatureResource(*signature_bytes);
  if (!signature) {
    PLOG(ERROR) << "Cannot find resource " << "SIGNATURE_DAT";
    return {};
  }
  std::optional<std::string> list = ReadResource(module.get(), L"TRUSTED.JSON", L"TRUSTED_JSON");
  if (!list || list->empty()) {
    PLOG(ERROR) << "Cannot find resource " << "TRUSTED_JSON";
    return {};
  }
  std::optional<std::string> key = BuiltinPublicKey(signature->key_index);
  if (!key) {
    PLOG(ERROR) << "Cannot find key";
    return {};
  }
  SignatureVerifier verifier;
  if (!verifier.Verify(signature->signature, *key, *list)) {
    PLOG(ERROR) << "Verify error";
    return {};
  }
  return std::move(*list);
}

TrustVerifier::TrustVerifier(std::string_view trusted_list) : ids_(ParseTrustedCertificateIds(trusted_list)) {}

bool TrustVerifier::VerifyModule(const std::wstring& path, bool prevents_net_usage, void* handle) const {
  LOG(INFO) << "Verifying " << path;
  if (ids_.empty()) return false;

  auto verify_trust = LAZY_IMPORT(base::kWintrust, WinVerifyTrust);
  auto provider_data_from_state = LAZY_IMPORT(base::kWintrust, WTHelperProvDataFromStateData);
  auto signer_from_chain = LAZY_IMPORT(base::kWintrust, WTHelperGetProvSignerFromChain);
  auto cert_from_chain = LAZY_IMPORT(base::kWintrust, WTHelperGetProvCertFromChain);

  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path.c_str();
  file.hFile = static_cast<HANDLE>(handle);
  SignatureSettings settings = {};
  settings.cbStruct = sizeof(settings);
  settings.dwFlags = kVerifySpecific | kGetSecondarySigCount;
  TrustData trust = {};
  trust.data.cbStruct = sizeof(trust);
  trust.data.dwUIChoice = WTD_UI_NONE;
  trust.data.dwUnionChoice = WTD_CHOICE_FILE;
  trust.data.pFile = &file;
  trust.data.dwUIContext = WTD_UICONTEXT_INSTALL;
  if (prevents_net_usage) {
    trust.data.fdwRevocationChecks = WTD_REVOKE_NONE;
    trust.data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  } else {
    trust.data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
    trust.data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;
  }
  trust.pSignatureSettings = &settings;
  GUID action = GenericVerifyV2();

  base::ScopedTrustState state(&trust.data, &action);

  // Each index is verified in a fresh state; the previous one is closed first.
  bool trusted = IsSignedByListedSigner(ids_, [&](uint32_t index, uint32_t* secondary_count) -> std::optional<SignerFacts> {
    state.reset();
    settings.dwIndex = index;
    trust.data.dwStateAction = WTD_STATEACTION_VERIFY;
    if (!verify_trust || !provider_data_from_state || !signer_from_chain || !cert_from_chain) {
      // Without the library the call cannot be made; it fails as the delay-loaded call would.
      logging::LogLine(logging::LOG_ERROR, "VerifyModule", __LINE__)
          << "An attempt to verify " << path << " generated an exception " << base::kDelayLoadFailureCode
          << ", is_prevents_net_usage = " << prevents_net_usage;
      return std::nullopt;
    }
    LONG result = verify_trust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    *secondary_count = settings.cSecondarySigs;
    if (result != 0) return std::nullopt;

    CRYPT_PROVIDER_DATA* provider = provider_data_from_state(trust.data.hWVTStateData);
    if (!provider || provider->csSigners != 1) return std::nullopt;
    CRYPT_PROVIDER_SGNR* signer = signer_from_chain(provider, 0, FALSE, 0);
    if (!signer || signer->csCertChain <= 1) return std::nullopt;
    CRYPT_PROVIDER_CERT* signer_cert = cert_from_chain(signer, 0);
    CRYPT_PROVIDER_CERT* issuer_cert = cert_from_chain(signer, 1);
    if (!signer_cert || !signer_cert->pCert || !issuer_cert || !issuer_cert->pCert) return std::nullopt;
    const CERT_INFO* signer_info = signer_cert->pCert->pCertInfo;
    const CERT_INFO* issuer_info = issuer_cert->pCert->pCertInfo;
    SignerFacts facts;
    facts.certificate_id = MakeCertificateId(issuer_info->SerialNumber.pbData, issuer_info->SerialNumber.cbData,
                                             signer_info->SerialNumber.pbData, signer_info->SerialNumber.cbData);
    const char* algorithm = signer_info->SignatureAlgorithm.pszObjId;
    facts.sha256 = algorithm && std::strcmp(algorithm, kSha256WithRsaOid) == 0;
    return facts;
  });
  state.reset();
  return trusted;
}

bool VerifySetupModule(const std::wstring& path, bool prevents_net_usage, void* file) {
  TrustVerifier verifier(GetTrustJsonFromModule(path));
  if (verifier.VerifyModule(path, prevents_net_usage, file)) return true;
  return prevents_net_usage && verifier.VerifyModule(path, false, file);
}

}  // namespace trust
