// The report's byte formats: multipart layout and encodings, the gzip stream and its second
// pass, the query, and the minidump user stream with its rebasing.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/file_util.h"
#include "base/unique_handle.h"
#include "crash/body_stream.h"
#include "crash/http_body_gzip.h"
#include "crash/http_transport.h"
#include "crash/multipart_body.h"
#include "crash/report_info_stream.h"
#include "crash/send_report.h"
#include "support/test_util.h"

namespace crash {
namespace {

std::string ReadAll(BodyStream& stream, size_t block, bool* failed = nullptr) {
  std::string out;
  std::vector<uint8_t> buffer(block);
  for (;;) {
    int64_t count = stream.Read(buffer.data(), buffer.size());
    if (count < 0) {
      if (failed) *failed = true;
      return out;
    }
    if (count == 0) return out;
    out.append(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(count));
  }
}

std::string Gunzip(const std::string& data) {
  z_stream z = {};
  EXPECT_EQ(inflateInit2(&z, 15 + 16), Z_OK);
  std::string out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  char buffer[65536];
  int result = Z_OK;
  do {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof(buffer);
    result = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof(buffer) - z.avail_out);
  } while (result == Z_OK);
  EXPECT_EQ(result, Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u);  // nothing after the gzip member
  inflateEnd(&z);
  return out;
}

std::string PseudoRandomText(size_t size) {
  std::string text(size, '\0');
  uint32_t state = 12345;
  for (char& c : text) {
    state = state * 1103515245 + 12345;
    c = static_cast<char>("abcdefgh \n0123456789"[(state >> 16) % 20]);
  }
  return text;
}

class FailingStream : public BodyStream {
 public:
  int64_t Read(uint8_t* buffer, size_t size) override {
    if (served_ >= 10000) return -1;
    size_t count = size < 1000 ? size : 1000;
    std::memset(buffer, 'x', count);
    served_ += count;
    return static_cast<int64_t>(count);
  }
  bool Rewind() override { return false; }

 private:
  size_t served_ = 0;
};

TEST(MultipartBodyTest, LayoutOrderAndEncoding) {
  MultipartBody body(false);
  const std::string& b = body.boundary();
  ASSERT_EQ(b.size(), 56u);
  EXPECT_EQ(b.substr(0, 21), "---MultipartBoundary-");
  EXPECT_EQ(b.substr(53), "---");
  for (char c : b.substr(21, 32)) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
  EXPECT_NE(b, MultipartBody(false).boundary());

  body.SetFormData("b", "2");
  body.SetFormData("a\"\n%\r", "value \"with\"\nline %");  // names escaped, values as they are
  body.SetFileAttachment("b", "x.dmp", std::make_unique<StringBodyStream>("attached"), "text/plain");
  body.SetFormData("B", "upper sorts first");
  body.SetFileAttachment("file", "u\"id\n.dmp", std::make_unique<StringBodyStream>("DUMP\r\nBYTES"), "bad type;x");
  body.SetFileAttachment("e", "e.bin", std::make_unique<StringBodyStream>(""), "");
  body.SetFormData("e", "a field again");  // replaces the attachment "e"

  HeaderMap headers;
  body.GetContentHeaders(&headers);
  EXPECT_EQ(headers, (HeaderMap{{"Content-Type", "multipart/form-data; boundary=" + b}}));

  auto stream = body.GetBodyStream();
  const std::string expected =
      "--" + b + "\r\nContent-Disposition: form-data; name=\"B\"\r\n\r\nupper sorts first\r\n" +
      "--" + b + "\r\nContent-Disposition: form-data; name=\"a%22%0a%25%0d\"\r\n\r\nvalue \"with\"\nline %\r\n" +
      "--" + b + "\r\nContent-Disposition: form-data; name=\"e\"\r\n\r\na field again\r\n" +
      "--" + b + "\r\nContent-Disposition: form-data; name=\"b\"; filename=\"x.dmp\"\r\n" +
      "Content-Type: text/plain\r\n\r\nattached\r\n" +
      "--" + b + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"u%22id%0a.dmp\"\r\n" +
      "Content-Type: application/octet-stream\r\n\r\nDUMP\r\nBYTES\r\n" +
      "--" + b + "--\r\n";
  // "b" was a field first and then an attachment: only the attachment remains.
  EXPECT_EQ(ReadAll(*stream, 7), expected);
}

TEST(MultipartBodyTest, GzipHeadersAndBody) {
  MultipartBody body(true);
  body.SetFormData("k", "v");
  HeaderMap headers;
  body.GetContentHeaders(&headers);
  EXPECT_EQ(headers["Content-Encoding"], "gzip");
  EXPECT_EQ(headers.count("Content-Length"), 0u);
  auto stream = body.GetBodyStream();
  std::string compressed = ReadAll(*stream, 100);
  ASSERT_GE(compressed.size(), 10u);
  EXPECT_EQ(static_cast<uint8_t>(compressed[0]), 0x1f);
  EXPECT_EQ(static_cast<uint8_t>(compressed[1]), 0x8b);
  EXPECT_EQ(Gunzip(compressed),
            "--" + body.boundary() + "\r\nContent-Disposition: form-data; name=\"k\"\r\n\r\nv\r\n--" + body.boundary() +
                "--\r\n");
}

TEST(CompressedBodyStreamTest, RoundTripsAtBlockEdgesAndOddReadSizes) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{4095}, size_t{4096}, size_t{4097}, size_t{300000}}) {
    for (size_t read_size : {size_t{1}, size_t{13}, size_t{32768}}) {
      if (size > 5000 && read_size == 1) continue;
      std::string text = PseudoRandomText(size);
      CompressedBodyStream stream(std::make_unique<StringBodyStream>(text));
      bool failed = false;
      std::string compressed = ReadAll(stream, read_size, &failed);
      EXPECT_FALSE(failed);
      EXPECT_EQ(Gunzip(compressed), text) << size << " " << read_size;
      uint8_t byte;
      EXPECT_EQ(stream.Read(&byte, 1), 0);  // stays at the end
    }
  }
}

TEST(CompressedBodyStreamTest, SourceErrorIsAnError) {
  CompressedBodyStream stream(std::make_unique<FailingStream>());
  bool failed = false;
  ReadAll(stream, 512, &failed);
  EXPECT_TRUE(failed);
  uint8_t byte;
  EXPECT_EQ(stream.Read(&byte, 1), -1);

  std::vector<std::unique_ptr<BodyStream>> parts;
  parts.push_back(std::make_unique<StringBodyStream>("abc"));
  parts.push_back(std::make_unique<StringBodyStream>(""));
  parts.push_back(std::make_unique<FailingStream>());
  ConcatBodyStream concat(std::move(parts));
  failed = false;
  EXPECT_EQ(ReadAll(concat, 4096, &failed).substr(0, 4), "abcx");
  EXPECT_TRUE(failed);
}

TEST(ReportQueryTest, ParametersOrderAndEscaping) {
  Annotations annotations = {{"ver", "21.5 \xc3\xa9~_-./"}, {"prod", "Vorlex"}, {"uid", "ignored"}};
  EXPECT_EQ(AppendReportQuery("http://h/submit", annotations),
            "http://h/submit?product=Vorlex&version=21.5%20%C3%A9~_-.%2F");
  EXPECT_EQ(AppendReportQuery("http://h/submit?x=1", {{"guid", "g"}}), "http://h/submit?x=1&guid=g");
  EXPECT_EQ(AppendReportQuery("http://h/submit", {}), "http://h/submit");

  // A piece is cut at 127 characters ("?version=" is 9 of them), but never inside an escape.
  std::string url = AppendReportQuery("u", {{"ver", std::string(115, 'a') + "%"}});
  EXPECT_EQ(url, "u?version=" + std::string(115, 'a') + "%25");  // exactly 127: whole
  url = AppendReportQuery("u", {{"ver", std::string(116, 'a') + "%"}});
  EXPECT_EQ(url, "u?version=" + std::string(116, 'a'));
  url = AppendReportQuery("u", {{"ver", std::string(200, 'b')}});
  EXPECT_EQ(url, "u?version=" + std::string(118, 'b'));
}

// The upload counts the body in one pass and sends it in a second: both passes must give the
// same bytes, from any point of the first, with the file part read from where it started.
TEST(BodyStreamRewindTest, SecondPassServesTheSameBytes) {
  test::ScratchDir scratch;
  const std::string file_text = "skip" + PseudoRandomText(200000);
  const std::wstring path = scratch.Child(L"part.bin");
  ASSERT_TRUE(base::WriteStringToFile(path, file_text));
  base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file);
  ASSERT_EQ(SetFilePointer(file.get(), 4, nullptr, FILE_BEGIN), 4u);

  for (bool gzip : {true, false}) {
    ASSERT_EQ(SetFilePointer(file.get(), 4, nullptr, FILE_BEGIN), 4u);
    MultipartBody body(gzip);
    body.SetFormData("k", "v");
    body.SetFileAttachment("f", "f.dmp", std::make_unique<FileBodyStream>(file.get()), "");
    std::unique_ptr<BodyStream> stream = body.GetBodyStream();
    std::optional<uint64_t> length = MeasureBodyStream(*stream, 32768);
    ASSERT_TRUE(length);
    bool failed = false;
    const std::string first = ReadAll(*stream, 32768, &failed);
    EXPECT_FALSE(failed);
    EXPECT_EQ(first.size(), *length) << gzip;
    const std::string plain = gzip ? Gunzip(first) : first;
    EXPECT_NE(plain.find(file_text.substr(4) + "\r\n--"), std::string::npos);
    EXPECT_EQ(plain.find("skip"), std::string::npos);

    // Rewound in the middle of a pass, with other read sizes.
    ASSERT_TRUE(stream->Rewind());
    uint8_t some[777];
    ASSERT_GT(stream->Read(some, sizeof(some)), 0);
    ASSERT_TRUE(stream->Rewind());
    EXPECT_EQ(ReadAll(*stream, 4096, &failed), first) << gzip;
    EXPECT_FALSE(failed);
  }

  CompressedBodyStream broken(std::make_unique<FailingStream>());
  EXPECT_FALSE(MeasureBodyStream(broken, 32768));
}

// A minidump file in memory: header, one foreign stream, a directory and the report stream.
class MemoryDump : public DumpFileAccess {
 public:
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override {
    if (offset + size > bytes.size()) return false;
    std::memcpy(buffer, bytes.data() + offset, size);
    return true;
  }
  bool WriteAt(uint64_t offset, const void* buffer, size_t size) override {
    if (fail_writes || offset + size > bytes.size()) return false;
    std::memcpy(bytes.data() + offset, buffer, size);
    return true;
  }
  uint32_t U32(size_t offset) const {
    uint32_t value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
  }
  void Put(size_t offset, uint32_t value) { std::memcpy(bytes.data() + offset, &value, 4); }
  std::vector<uint8_t> bytes;
  bool fail_writes = false;
};

MemoryDump MakeDump(const std::vector<uint8_t>& stream, uint32_t* stream_rva) {
  MemoryDump dump;
  dump.bytes.assign(32, 0);
  dump.Put(0, 0x504d444d);
  dump.Put(8, 2);   // streams
  dump.Put(12, 40); // directory
  dump.bytes.resize(40 + 24 + 5, 0xcc);  // directory, then 5 bytes of something else
  dump.Put(40, 3);  // a thread list stream first
  *stream_rva = static_cast<uint32_t>(dump.bytes.size());
  dump.Put(52, kReportInfoStreamType);
  dump.Put(56, static_cast<uint32_t>(stream.size()));
  dump.Put(60, *stream_rva);
  dump.bytes.insert(dump.bytes.end(), stream.begin(), stream.end());
  return dump;
}

TEST(ReportInfoStreamTest, RebaseRefusesWhatItDidNotWrite) {
  uint8_t id[16] = {};
  std::vector<uint8_t> stream = BuildReportInfoStream(id, id, {{"k", "v"}});
  uint32_t rva = 0;

  MemoryDump wrong_count = MakeDump(stream, &rva);
  EXPECT_FALSE(RebaseReportInfoStream(wrong_count, 2));

  MemoryDump already_rebased = MakeDump(stream, &rva);
  already_rebased.Put(rva + 40, rva + 52);
  EXPECT_FALSE(RebaseReportInfoStream(already_rebased, 1));

  MemoryDump no_stream = MakeDump(stream, &rva);
  no_stream.Put(52, 0x1234);
  EXPECT_FALSE(RebaseReportInfoStream(no_stream, 1));

  MemoryDump truncated = MakeDump(stream, &rva);
  truncated.bytes.resize(rva + 56 + 4);  // ends inside the entries
  EXPECT_FALSE(RebaseReportInfoStream(truncated, 1));

  MemoryDump read_only = MakeDump(stream, &rva);
  read_only.fail_writes = true;
  EXPECT_FALSE(RebaseReportInfoStream(read_only, 1));
}

}  // namespace
}  // namespace crash
