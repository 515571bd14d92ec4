// The loopback HTTP server (and forwarding proxy) started by the CTest fixture "loopback"
// (tools/loopback_server/loopback.cmake): its port, its served directory, its fault rules and the
// requests it captured. Requests and rules are shared by every test of the run, so tests use
// their own path prefix (UniquePathPrefix) and filter captures by it. The server also answers
// HTTPS, once with a certificate the test prefix trusts and once with each kind of bad one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace test {

struct CapturedRequest {
  std::string method;
  std::string target;  // the request line's target as sent (absolute form through a proxy)
  std::string path;
  std::string query;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  bool proxied = false;
  std::string tls;  // the certificate an HTTPS request came in with ("good", ...); empty for HTTP
  // The first header of that name (case-insensitive), or empty.
  std::string Header(std::string_view name) const;
};

// The server's HTTPS ports, by the certificate each one shows.
enum class Certificate { kGood, kWrongHost, kExpired, kUntrusted };

class Loopback {
 public:
  // The fixture's file server, or its forwarding proxy. ok() is false when the fixture did not
  // start it.
  static Loopback Server();
  static Loopback Proxy();

  bool ok() const { return port_ != 0; }
  uint16_t port() const { return port_; }
  std::string Origin() const;  // "http://127.0.0.1:<port>"
  // "https://127.0.0.1:<port>" of the HTTPS port with that certificate, or empty when the server
  // has none. Makes sure first that the Wine prefix trusts the test root (TrustTestRoot).
  std::string HttpsOrigin(Certificate certificate) const;
  // Directory served at "/" (Windows path).
  std::wstring WwwDir() const;
  // Points the build's service hosts (base::ServiceHost) at this server.
  void ExportEnvironment() const;

  // Writes a file below the served directory ("a/b.bin" is served as "/a/b.bin").
  [[nodiscard]] bool PutFile(const std::string& relative_path, std::string_view data) const;
  // Adds a fault rule (a JSON object, see docs/loopback-server.md); newest rules match first.
  [[nodiscard]] bool AddRule(const std::string& rule_json) const;

  std::vector<CapturedRequest> Requests(std::string_view path_prefix = "") const;
  // Polls the capture until at least count requests under the prefix arrived or timeout_ms passed.
  std::vector<CapturedRequest> WaitForRequests(std::string_view path_prefix, size_t count,
                                               uint32_t timeout_ms = 10000) const;

 private:
  explicit Loopback(const wchar_t* which);
  std::wstring dir_;
  uint16_t port_ = 0;
};

// Adds the loopback test root (tls/ca.der of the fixture's directory) to the machine Root store of
// the Wine prefix the tests run in, once per process. Wine's chain engine reads the Root store
// once per process, at its first certificate check: a process must call this before its first
// HTTPS request, or its later ones fail as if the root were unknown (a chain it cannot complete,
// which Wine's WinINet reports as 12057). Child processes started later see the root anyway. Test
// programs run with the loopback fixture call it before their first test.
bool TrustTestRoot();

// A path prefix no other test uses: "/t<pid>-<random>-<n>".
std::string UniquePathPrefix();
// The bytes the server synthesises for "/gen/<size>".
std::string GeneratedBytes(size_t size, size_t offset = 0);

}  // namespace test
