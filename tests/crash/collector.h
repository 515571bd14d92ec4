// Test access to the loopback crash collector started by the crash tests' CTest fixture.
#pragma once

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/json.h"
#include "base/strings.h"
#include "support/loopback.h"
#include "support/test_util.h"

namespace crash_test {

inline std::wstring CollectorDir() { return base::AppendPath(test::BuildDir(), L"crash_collector"); }

// "http://127.0.0.1:<port>/<tag>": the collector files requests to <tag>/submit under that tag.
inline std::string CollectorUrl(const std::string& tag) {
  std::optional<std::string> port = base::ReadFileToString(base::AppendPath(CollectorDir(), L"port"));
  return "http://127.0.0.1:" + port.value_or("0") + "/" + tag;
}

// "https://127.0.0.1:<port>/<tag>": the same over HTTPS, with the loopback test certificate for
// 127.0.0.1 (trusted first, see test::TrustTestRoot); empty when the collector has no HTTPS port.
inline std::string CollectorHttpsUrl(const std::string& tag) {
  std::optional<std::string> port = base::ReadFileToString(base::AppendPath(CollectorDir(), L"tls_port"));
  if (!port || port->empty() || !test::TrustTestRoot()) return {};
  return "https://127.0.0.1:" + *port + "/" + tag;
}

// A tag no other test run in this build tree has used.
inline std::string UniqueTag(const std::string& prefix) {
  static std::atomic<int> counter{0};
  return prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
         std::to_string(++counter);
}

inline std::wstring RequestDir(const std::string& tag, int index) {
  return base::AppendPath(base::AppendPath(base::AppendPath(CollectorDir(), L"requests"), base::AsciiToWide(tag)),
                          std::to_wstring(index));
}

struct CollectedRequest {
  base::Json record;
  std::wstring dir;
  std::string ReadFile(const wchar_t* name) const {
    return base::ReadFileToString(base::AppendPath(dir, name)).value_or("");
  }
  // Texts in the record are Latin-1 decoded: back to the original bytes.
  static std::string Bytes(const base::Json& text) {
    return base::WideToAscii(base::Utf8ToWide(text.get<std::string>()));
  }
  std::string Header(const std::string& name) const {
    for (const auto& header : record["headers"])
      if (base::EqualsCaseInsensitiveAscii(header[0].get<std::string>(), name)) return header[1].get<std::string>();
    return {};
  }
};

// The index-th request filed under tag; the collector writes request.json last.
inline std::optional<CollectedRequest> FindRequest(const std::string& tag, int index = 1) {
  std::wstring dir = RequestDir(tag, index);
  std::optional<std::string> text = base::ReadFileToString(base::AppendPath(dir, L"request.json"));
  if (!text) return std::nullopt;
  std::optional<base::Json> record = base::ParseJson(*text);
  if (!record) return std::nullopt;
  return CollectedRequest{*record, dir};
}

}  // namespace crash_test
