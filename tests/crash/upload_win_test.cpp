// The upload against the loopback collector over Wine's real WinHTTP: request form, fields and
// file part, encodings, the counted body length, and the failures that must report false.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/diag_log.h"
#include "base/file_util.h"
#include "base/strings.h"
#include "collector.h"
#include "crash/body_stream.h"
#include "crash/http_transport.h"
#include "crash/send_report.h"
#include "support/log_capture.h"
#include "support/loopback.h"
#include "support/test_util.h"

namespace crash {
namespace {

using crash_test::CollectedRequest;
using crash_test::CollectorHttpsUrl;
using crash_test::CollectorUrl;
using crash_test::FindRequest;
using crash_test::UniqueTag;

UploadOptions Gzip(bool gzip_enabled) {
  UploadOptions options;
  options.gzip_enabled = gzip_enabled;
  return options;
}

void PointCrashEndpointAt(const std::string& url) { _putenv(("VORLEX_CRASH_URL=" + url).c_str()); }

std::string DumpLikeBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 7;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1664525 + 1013904223;
    bytes[i] = static_cast<char>(i % 3 == 0 ? state >> 24 : i & 0xff);
  }
  return bytes;
}

class UploadTest : public ::testing::Test {
 protected:
  void TearDown() override { _putenv("VORLEX_CRASH_URL="); }
  test::ScratchDir scratch_;
};

// The answer is read inside the crashing process: only up to its cap, however much the server
// sends.
TEST_F(UploadTest, AnswerIsReadOnlyUpToItsCap) {
  test::Loopback server = test::Loopback::Server();
  ASSERT_TRUE(server.ok());
  CrashUploadTransport transport;
  transport.SetUrl(server.Origin() + test::UniquePathPrefix() + "/gen/4000000");
  transport.SetBodyStream(std::make_unique<StringBodyStream>("report"));
  std::string response;
  ASSERT_TRUE(transport.Send(&response));
  EXPECT_EQ(response.size(), CrashUploadTransport::kMaxResponseSize);
  EXPECT_TRUE(response == test::GeneratedBytes(CrashUploadTransport::kMaxResponseSize));
}

TEST_F(UploadTest, FieldsFilePartAndRequestForm) {
  const std::string dump = DumpLikeBytes(200000);
  const std::wstring dump_path = scratch_.Child(L"report.dmp");
  ASSERT_TRUE(base::WriteStringToFile(dump_path, dump));
  const std::string tag = UniqueTag("form");
  PointCrashEndpointAt(CollectorUrl(tag));

  Annotations annotations = {{"uid", "0A1B-\"x\"\n%"},
                             {"ver", "1.0 beta\xc3\xa9"},
                             {"prod", "Vorlex"},
                             {"line\nname\"%", "va\"l%ue\nsecond line"},
                             {"upload_file_minidump", "evil"},
                             {"\xd0\xb6", "\xd0\xb6"}};
  test::LogCapture log;
  ASSERT_TRUE(SendReport(annotations, dump_path));
  EXPECT_TRUE(log.Contains("WARNING SendReport: reserved key upload_file_minidump, discarding value evil"));
  EXPECT_TRUE(base::PathExists(dump_path));  // deleting is the reporter's decision

  std::optional<CollectedRequest> request = FindRequest(tag);
  ASSERT_TRUE(request);
  EXPECT_FALSE(FindRequest(tag, 2));
  const base::Json& record = request->record;
  EXPECT_EQ(record["errors"].size(), 0u) << record["errors"];
  EXPECT_EQ(record["method"], "POST");
  EXPECT_EQ(record["path"], "/" + tag + "/submit");
  EXPECT_EQ(record["query"], "product=Vorlex&version=1.0%20beta%C3%A9");
  EXPECT_EQ(request->Header("Content-Encoding"), "gzip");
  // The body goes with its length, counted before sending: no chunks.
  EXPECT_EQ(request->Header("Transfer-Encoding"), "");
  EXPECT_EQ(request->Header("Content-Length"), std::to_string(request->ReadFile(L"raw_body.bin").size()));
  EXPECT_TRUE(record["chunk_sizes"].empty());
  std::string content_type = request->Header("Content-Type");
  EXPECT_EQ(content_type.substr(0, 30), "multipart/form-data; boundary=");
  EXPECT_EQ(content_type.size(), 30u + 56u);
  std::string agent = request->Header("User-Agent");
  EXPECT_EQ(agent.rfind("Crashpad/0.8.0 WinHTTP/", 0), 0u) << agent;
  EXPECT_NE(agent.find(" Windows_NT/"), std::string::npos) << agent;
#if defined(_WIN64)
  const wchar_t* machine = L"(x64)";
#else
  BOOL wow64 = FALSE;
  const wchar_t* machine = IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? L"(x86; WoW64)" : L"(x86)";
#endif
  EXPECT_TRUE(base::EndsWithCaseInsensitiveAscii(base::AsciiToWide(agent), machine)) << agent;

  std::vector<std::pair<std::string, std::string>> fields;
  for (const auto& field : record["fields"])
    fields.emplace_back(CollectedRequest::Bytes(field[0]), CollectedRequest::Bytes(field[1]));
  std::vector<std::pair<std::string, std::string>> expected = {
      {"line%0aname%22%25", "va\"l%ue\nsecond line"},
      {"prod", "Vorlex"},
      {"uid", "0A1B-\"x\"\n%"},
      {"ver", "1.0 beta\xc3\xa9"},
      {"\xd0\xb6", "\xd0\xb6"}};
  EXPECT_EQ(fields, expected);
  ASSERT_EQ(record["files"].size(), 1u);
  EXPECT_EQ(record["files"][0]["name"], "upload_file_minidump");
  EXPECT_EQ(CollectedRequest::Bytes(record["files"][0]["filename"]), "0A1B-%22x%22%0a%25.dmp");
  EXPECT_EQ(record["files"][0]["content_type"], "application/octet-stream");
  EXPECT_EQ(request->ReadFile(L"file_upload_file_minidump.bin"), dump);
}

TEST_F(UploadTest, WithoutUidOrGzip) {
  const std::wstring dump_path = scratch_.Child(L"small.dmp");
  ASSERT_TRUE(base::WriteStringToFile(dump_path, "MDMP"));
  const std::string tag = UniqueTag("plain");
  PointCrashEndpointAt(CollectorUrl(tag));
  ASSERT_TRUE(SendReport({{"k", "v"}}, dump_path, Gzip(false)));
  std::optional<CollectedRequest> request = FindRequest(tag);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->Header("Content-Encoding"), "");
  EXPECT_EQ(request->record["query"], "");
  ASSERT_EQ(request->record["files"].size(), 1u);
  EXPECT_EQ(request->record["files"][0]["filename"], ".dmp");
  EXPECT_NE(request->ReadFile(L"body.bin").find("\r\n\r\nMDMP\r\n"), std::string::npos);
}

TEST_F(UploadTest, FailuresReportFalse) {
  const std::wstring dump_path = scratch_.Child(L"x.dmp");
  ASSERT_TRUE(base::WriteStringToFile(dump_path, "MDMP"));

  std::vector<std::string> diagnostics;
  base::SetDiagLogHandler([&](std::string_view message) { diagnostics.emplace_back(message); });

  const std::string tag = UniqueTag("refused");
  PointCrashEndpointAt(CollectorUrl(tag + "/code-500"));
  EXPECT_FALSE(SendReport({{"k", "v"}}, dump_path));
  EXPECT_TRUE(FindRequest(tag + "_code-500"));  // it did arrive, and was refused
  EXPECT_EQ(diagnostics, std::vector<std::string>{"HTTP status 500"});

  diagnostics.clear();
  PointCrashEndpointAt("http://127.0.0.1:1");  // nothing listens there
  EXPECT_FALSE(SendReport({{"k", "v"}}, dump_path));
  ASSERT_EQ(diagnostics.size(), 1u);
  // The call, the system's or WinHTTP's text without a trailing blank, the code.
  EXPECT_EQ(diagnostics[0].rfind("WinHttpSendRequest: ", 0), 0u) << diagnostics[0];
  EXPECT_EQ(diagnostics[0], WinHttpErrorMessage("WinHttpSendRequest", 12029 /* ERROR_WINHTTP_CANNOT_CONNECT */));
  base::SetDiagLogHandler(nullptr);

  const std::string missing_tag = UniqueTag("missing");
  PointCrashEndpointAt(CollectorUrl(missing_tag));
  EXPECT_FALSE(SendReport({{"k", "v"}}, scratch_.Child(L"absent.dmp")));
  EXPECT_FALSE(FindRequest(missing_tag));
}

// Over HTTPS with the certificate the test prefix trusts, the report arrives as over HTTP. A
// server whose certificate is refused receives nothing, and the send fails with WinHTTP's code:
// Windows gives ERROR_WINHTTP_SECURE_FAILURE (12175) and names the reason in a status callback,
// Wine 8 gives ERROR_WINHTTP_SECURE_CHANNEL_ERROR (12157) whatever the reason.
TEST_F(UploadTest, HttpsUploadAndRefusedCertificates) {
  const std::wstring dump_path = scratch_.Child(L"tls.dmp");
  ASSERT_TRUE(base::WriteStringToFile(dump_path, "MDMP-over-tls"));
  const std::string tag = UniqueTag("https");
  const std::string url = CollectorHttpsUrl(tag);
  ASSERT_FALSE(url.empty()) << "the collector answers no HTTPS";
  PointCrashEndpointAt(url);
  ASSERT_TRUE(SendReport({{"prod", "Vorlex"}, {"uid", "tls"}}, dump_path));
  std::optional<CollectedRequest> request = FindRequest(tag);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->record["errors"].size(), 0u) << request->record["errors"];
  EXPECT_EQ(request->record["query"], "product=Vorlex");
  EXPECT_EQ(request->ReadFile(L"file_upload_file_minidump.bin"), "MDMP-over-tls");

  test::Loopback server = test::Loopback::Server();
  ASSERT_TRUE(server.ok());
  const std::string prefix = test::UniquePathPrefix();
  std::vector<std::string> diagnostics;
  base::SetDiagLogHandler([&](std::string_view message) { diagnostics.emplace_back(message); });
  for (test::Certificate bad :
       {test::Certificate::kWrongHost, test::Certificate::kExpired, test::Certificate::kUntrusted}) {
    const std::string origin = server.HttpsOrigin(bad);
    ASSERT_FALSE(origin.empty());
    PointCrashEndpointAt(origin + prefix);
    diagnostics.clear();
    EXPECT_FALSE(SendReport({{"prod", "Vorlex"}}, dump_path)) << origin;
    ASSERT_EQ(diagnostics.size(), 1u) << origin;
    EXPECT_THAT(diagnostics[0], ::testing::AnyOf(WinHttpErrorMessage("WinHttpSendRequest", 12157),
                                                 WinHttpErrorMessage("WinHttpSendRequest", 12175)));
  }
  base::SetDiagLogHandler(nullptr);
  EXPECT_TRUE(server.Requests(prefix).empty());
  EXPECT_TRUE(base::PathExists(dump_path));
}

TEST(WinHttpErrorMessageTest, TextOrFallback) {
  // A system text: one line, no trailing blank, then the code.
  std::string message = WinHttpErrorMessage("WinHttpConnect", ERROR_ACCESS_DENIED);
  EXPECT_EQ(message.rfind("WinHttpConnect: ", 0), 0u);
  EXPECT_TRUE(base::EndsWith(base::AsciiToWide(message), L". (0x5)")) << message;
  EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos);
  // No text for the code anywhere: the lookup's own error is named.
  EXPECT_EQ(WinHttpErrorMessage("WinHttpOpen", 0x2badbeef),
            "WinHttpOpen: error 0x13d while retrieving error 0x2badbeef");
}

// A body that reads differently the second time (the file part changed after it was counted).
class ShiftingStream : public BodyStream {
 public:
  explicit ShiftingStream(size_t first) : size_(first) {}
  int64_t Read(uint8_t* buffer, size_t size) override {
    size_t count = std::min(size, size_ - offset_);
    std::memset(buffer, 'z', count);
    offset_ += count;
    return static_cast<int64_t>(count);
  }
  bool Rewind() override {
    offset_ = 0;
    size_ += grow_by;
    return true;
  }
  size_t grow_by = 1;

 private:
  size_t size_;
  size_t offset_ = 0;
};

// The bytes as they arrive: the counted length in Content-Length, the body as it is, across
// block edges; a body that changes between counting and sending is not passed off as whole.
TEST_F(UploadTest, CountedLengthOnTheWire) {
  for (size_t size : {size_t{0}, size_t{5}, size_t{32768}, size_t{32769}, size_t{100000}}) {
    const std::string data = DumpLikeBytes(size);
    const std::string tag = UniqueTag("length");
    CrashUploadTransport transport;
    transport.SetUrl(CollectorUrl(tag) + "/submit");
    transport.SetBodyStream(std::make_unique<StringBodyStream>(data));
    std::string response;
    ASSERT_TRUE(transport.Send(&response)) << size;
    EXPECT_EQ(response.rfind("report-", 0), 0u);
    std::optional<CollectedRequest> request = FindRequest(tag);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->Header("Transfer-Encoding"), "");
    EXPECT_EQ(request->Header("Content-Length"), std::to_string(size));
    EXPECT_EQ(request->ReadFile(L"raw_body.bin"), data) << size;
  }

  // A length given by the caller is used as it is.
  const std::string tag = UniqueTag("given");
  CrashUploadTransport transport;
  transport.SetUrl(CollectorUrl(tag) + "/submit");
  transport.SetHeader("Content-Length", "40000");
  transport.SetBodyStream(std::make_unique<StringBodyStream>(DumpLikeBytes(40000)));
  std::string response;
  ASSERT_TRUE(transport.Send(&response));
  std::optional<CollectedRequest> request = FindRequest(tag);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->Header("Content-Length"), "40000");
  EXPECT_EQ(request->ReadFile(L"raw_body.bin"), DumpLikeBytes(40000));

  std::vector<std::string> diagnostics;
  base::SetDiagLogHandler([&](std::string_view message) { diagnostics.emplace_back(message); });
  for (size_t grow_by : {size_t{1}, size_t{40000}, static_cast<size_t>(-5)}) {
    CrashUploadTransport shifting;
    shifting.SetUrl(CollectorUrl(UniqueTag("shifting")) + "/submit");
    auto body = std::make_unique<ShiftingStream>(40000);
    body->grow_by = grow_by;
    shifting.SetBodyStream(std::move(body));
    EXPECT_FALSE(shifting.Send(&response)) << grow_by;
  }
  base::SetDiagLogHandler(nullptr);
  EXPECT_EQ(diagnostics, std::vector<std::string>(3, "Request body differs from its Content-Length 40000"));
}

}  // namespace
}  // namespace crash
