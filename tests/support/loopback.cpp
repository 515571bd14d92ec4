#include "support/loopback.h"

#include <windows.h>
#include <wincrypt.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/json.h"
#include "base/lazy_import.h"
#include "base/random.h"
#include "base/strings.h"
#include "base/base64.h"
#include "base/unique_internet.h"
#include "support/test_util.h"

namespace test {

std::string CapturedRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers)
    if (base::EqualsCaseInsensitiveAscii(key, name)) return value;
  return std::string();
}

namespace {

// VORLEX_LOOPBACK_DIR (set by the CTest fixture, a host path under Wine), else the build's own.
std::wstring LoopbackRoot() {
  if (const char* dir = std::getenv("VORLEX_LOOPBACK_DIR"); dir && *dir) {
    std::wstring path = base::Utf8ToWide(dir);
    if (path[0] == L'/') path = L"Z:" + path;
    for (wchar_t& c : path)
      if (c == L'/') c = L'\\';
    return path;
  }
  return base::AppendPath(BuildDir(), L"loopback");
}

}  // namespace

Loopback::Loopback(const wchar_t* which) : dir_(base::AppendPath(LoopbackRoot(), which)) {
  std::optional<std::string> port = base::ReadFileToString(base::AppendPath(dir_, L"port"));
  if (!port) return;
  std::optional<uint64_t> value = base::ParseUint64(std::string_view(*port));
  if (value && *value > 0 && *value < 65536) port_ = static_cast<uint16_t>(*value);
}

Loopback Loopback::Server() { return Loopback(L"server"); }
Loopback Loopback::Proxy() { return Loopback(L"proxy"); }

std::string Loopback::Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string Loopback::HttpsOrigin(Certificate certificate) const {
  static const char* const kNames[] = {"good", "wrong_host", "expired", "untrusted"};
  const std::string name = kNames[static_cast<int>(certificate)];
  if (!TrustTestRoot()) return std::string();
  std::optional<std::string> ports = base::ReadFileToString(base::AppendPath(dir_, L"tls_ports"));
  if (!ports) return std::string();
  for (const std::string& line : base::Split(*ports, '\n')) {
    std::vector<std::string> fields = base::Split(line, ' ');
    if (fields.size() == 2 && fields[0] == name) return "https://127.0.0.1:" + fields[1];
  }
  return std::string();
}

std::wstring Loopback::WwwDir() const { return base::AppendPath(dir_, L"www"); }

void Loopback::ExportEnvironment() const {
  std::string assignment = "VORLEX_LOOPBACK_PORT=" + std::to_string(port_);
  _putenv(assignment.c_str());
}

bool Loopback::PutFile(const std::string& relative_path, std::string_view data) const {
  std::wstring path = WwwDir();
  for (const std::string& part : base::Split(relative_path, '/')) {
    if (part.empty()) continue;
    if (!base::DirectoryExists(path) && !base::CreateDirectoryRecursive(path)) return false;
    path = base::AppendPath(path, base::Utf8ToWide(part));
  }
  return base::WriteStringToFile(path, data);
}

bool Loopback::AddRule(const std::string& rule_json) const {
  auto open = LAZY_IMPORT(base::kWininet, InternetOpenW);
  auto connect = LAZY_IMPORT(base::kWininet, InternetConnectW);
  auto open_request = LAZY_IMPORT(base::kWininet, HttpOpenRequestW);
  auto send = LAZY_IMPORT(base::kWininet, HttpSendRequestW);
  auto query = LAZY_IMPORT(base::kWininet, HttpQueryInfoW);
  if (!open || !connect || !open_request || !send || !query) return false;
  base::ScopedInternet internet(open(L"loopback-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!internet) return false;
  base::ScopedInternet session(
      connect(internet.get(), L"127.0.0.1", port_, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!session) return false;
  base::ScopedInternet request(open_request(session.get(), L"POST", L"/__control/rules/add", nullptr,
                                            nullptr, nullptr, INTERNET_FLAG_RELOAD, 0));
  if (!request) return false;
  std::string body = rule_json;
  if (!send(request.get(), L"Content-Type: application/json", static_cast<DWORD>(-1), body.data(),
            static_cast<DWORD>(body.size())))
    return false;
  DWORD status = 0, size = sizeof(status);
  return query(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
         status == 200;
}

std::vector<CapturedRequest> Loopback::Requests(std::string_view path_prefix) const {
  std::vector<CapturedRequest> out;
  std::optional<std::string> text = base::ReadFileToString(base::AppendPath(dir_, L"requests.jsonl"));
  if (!text) return out;
  for (const std::string& line : base::Split(*text, '\n')) {
    if (line.empty()) continue;
    std::optional<base::Json> json = base::ParseJson(line);
    if (!json || !json->is_object()) continue;  // a line being written right now
    CapturedRequest request;
    request.path = json->value("path", "");
    if (request.path.compare(0, path_prefix.size(), path_prefix) != 0) continue;
    request.method = json->value("method", "");
    request.target = json->value("target", "");
    request.query = json->value("query", "");
    request.proxied = json->value("proxied", false) || json->contains("host");
    request.tls = json->value("tls", "");
    request.body = base::Base64Decode(json->value("body_b64", "")).value_or("");
    if (json->contains("headers"))
      for (const auto& pair : (*json)["headers"])
        request.headers.emplace_back(pair[0].get<std::string>(), pair[1].get<std::string>());
    out.push_back(std::move(request));
  }
  return out;
}

std::vector<CapturedRequest> Loopback::WaitForRequests(std::string_view path_prefix, size_t count,
                                                       uint32_t timeout_ms) const {
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<CapturedRequest> requests = Requests(path_prefix);
    if (requests.size() >= count || GetTickCount() - start >= timeout_ms) return requests;
    Sleep(20);
  }
}

bool TrustTestRoot() {
  static const bool trusted = [] {
    std::optional<std::string> root =
        base::ReadFileToString(base::AppendPath(base::AppendPath(LoopbackRoot(), L"tls"), L"ca.der"));
    auto open = LAZY_IMPORT(base::kCrypt32, CertOpenStore);
    auto add = LAZY_IMPORT(base::kCrypt32, CertAddEncodedCertificateToStore);
    auto close = LAZY_IMPORT(base::kCrypt32, CertCloseStore);
    if (!root || root->empty() || !open || !add || !close) return false;
    // The machine's store of the test prefix: no prompt, and every user of the prefix sees it.
    HCERTSTORE store = open(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) return false;
    const bool added = add(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root->data()),
                           static_cast<DWORD>(root->size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
    close(store, 0);
    return added;
  }();
  return trusted;
}

namespace {

// Before the first test of a program that runs with the loopback fixture: a certificate check
// earlier in the process (a signature verification, say) would fix Wine's view of the Root store
// without the test root.
class TrustTestRootFirst : public ::testing::Environment {
 public:
  void SetUp() override {
    if (const char* dir = std::getenv("VORLEX_LOOPBACK_DIR"); dir && *dir) static_cast<void>(TrustTestRoot());
  }
};

[[maybe_unused]] ::testing::Environment* const kTrustTestRootFirst =
    ::testing::AddGlobalTestEnvironment(new TrustTestRootFirst);

}  // namespace

std::string UniquePathPrefix() {
  static std::atomic<int> counter{0};
  // Process ids repeat across runs under Wine; the random part keeps old captures apart.
  static const uint64_t run = base::RandomInRange(0, 0xFFFFFFFF);
  return "/t" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(run) + "-" +
         std::to_string(++counter);
}

std::string GeneratedBytes(size_t size, size_t offset) {
  std::string out;
  out.reserve(size > offset ? size - offset : 0);
  for (size_t i = offset; i < size; ++i) out.push_back(static_cast<char>((i * 7 + i / 251) & 0xFF));
  return out;
}

}  // namespace test
