// The upload against the loopback collector over Wine's real WinHTTP: request form, fields and
// file part, encodings, chunk framing, and the failures that must report false.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/diag_log.h"
#include "base/file_util.h"
#include "base/strings.h"
#include "collector.h"
#include "crash/body_stream.h"
#include "crash/http_transport.h"
#include "crash/send_report.h"
#include "log_capture.h"
#include "support/test_util.h"

namespace crash {
namespace {

using crash_test::CollectedRequest;
using crash_test::CollectorUrl;
using crash_test::FindRequest;
using crash_test::UniqueTag;

// Wine's WinHTTP streams a chunked body only with a placeholder total length.
UploadOptions UnderWine(bool gzip_enabled = true) {
  UploadOptions options;
  options.gzip_enabled = gzip_enabled;
  options.chunked_total_length_hint = 1;
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
  crash_test::LogCapture log;
  ASSERT_TRUE(SendReport(annotations, dump_path, UnderWine()));
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
  EXPECT_EQ(request->Header("Transfer-Encoding"), "chunked");
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

  // Every chunk but the terminating one carries at most one 32 KiB block.
  const base::Json& chunks = record["chunk_sizes"];
  ASSERT_GE(chunks.size(), 2u);
  EXPECT_EQ(chunks.back(), 0);
  for (size_t i = 0; i + 1 < chunks.size(); ++i) {
    EXPECT_GT(chunks[i].get<int>(), 0);
    EXPECT_LE(chunks[i].get<int>(), 32768);
  }

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
  ASSERT_TRUE(SendReport({{"k", "v"}}, dump_path, UnderWine(/*gzip_enabled=*/false)));
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
  EXPECT_FALSE(SendReport({{"k", "v"}}, dump_path, UnderWine()));
  EXPECT_TRUE(FindRequest(tag + "_code-500"));  // it did arrive, and was refused
  EXPECT_EQ(diagnostics, std::vector<std::string>{"HTTP status 500"});

  diagnostics.clear();
  PointCrashEndpointAt("http://127.0.0.1:1");  // nothing listens there
  EXPECT_FALSE(SendReport({{"k", "v"}}, dump_path, UnderWine()));
  ASSERT_EQ(diagnostics.size(), 1u);
  // The call, the system's or WinHTTP's text without a trailing blank, the code.
  EXPECT_EQ(diagnostics[0].rfind("WinHttpSendRequest: ", 0), 0u) << diagnostics[0];
  EXPECT_EQ(diagnostics[0], WinHttpErrorMessage("WinHttpSendRequest", 12029 /* ERROR_WINHTTP_CANNOT_CONNECT */));
  base::SetDiagLogHandler(nullptr);

  const std::string missing_tag = UniqueTag("missing");
  PointCrashEndpointAt(CollectorUrl(missing_tag));
  EXPECT_FALSE(SendReport({{"k", "v"}}, scratch_.Child(L"absent.dmp"), UnderWine()));
  EXPECT_FALSE(FindRequest(missing_tag));
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

// The transport's framing as it arrives: one chunk per 32 KiB block, then the "0" chunk; with a
// Content-Length the bytes go as they are.
TEST_F(UploadTest, ChunkFramingOnTheWire) {
  struct Case {
    size_t size;
    std::vector<int> chunks;
  };
  for (const Case& c : {Case{32768, {32768, 0}}, Case{32769, {32768, 1, 0}}, Case{0, {0}}, Case{5, {5, 0}}}) {
    const std::string data = DumpLikeBytes(c.size);
    const std::string tag = UniqueTag("chunks");
    CrashUploadTransport transport;
    transport.SetUrl(CollectorUrl(tag) + "/submit");
    transport.SetBodyStream(std::make_unique<StringBodyStream>(data));
    transport.SetChunkedTotalLengthHint(1);
    std::string response;
    ASSERT_TRUE(transport.Send(&response)) << c.size;
    EXPECT_EQ(response.rfind("report-", 0), 0u);
    std::optional<CollectedRequest> request = FindRequest(tag);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->record["chunk_sizes"].get<std::vector<int>>(), c.chunks);
    std::string expected_raw;
    for (size_t offset = 0; offset < data.size(); offset += 32768) {
      std::string block = data.substr(offset, 32768);
      expected_raw += ChunkSizeLine(block.size()) + block + "\r\n";
    }
    expected_raw += "0\r\n\r\n";
    EXPECT_EQ(request->ReadFile(L"raw_body.bin"), expected_raw) << c.size;
  }

  const std::string tag = UniqueTag("length");
  CrashUploadTransport transport;
  transport.SetUrl(CollectorUrl(tag) + "/submit");
  transport.SetHeader("Content-Length", "40000");
  transport.SetBodyStream(std::make_unique<StringBodyStream>(DumpLikeBytes(40000)));
  std::string response;
  ASSERT_TRUE(transport.Send(&response));
  std::optional<CollectedRequest> request = FindRequest(tag);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->Header("Transfer-Encoding"), "");
  EXPECT_EQ(request->Header("Content-Length"), "40000");
  EXPECT_EQ(request->ReadFile(L"raw_body.bin"), DumpLikeBytes(40000));
}

}  // namespace
}  // namespace crash
