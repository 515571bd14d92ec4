// The download client against the loopback server and Wine's real WinINet.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "base/file_util.h"
#include "base/strings.h"
#include "base/unique_handle.h"
#include "net/downloader.h"
#include "support/log_capture.h"
#include "support/loopback.h"
#include "support/test_util.h"

namespace net {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class DownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.ok()) << "the loopback fixture is not running";
    prefix_ = test::UniquePathPrefix();
  }
  std::string Url(const std::string& path) const { return server_.Origin() + prefix_ + path; }
  std::wstring WideUrl(const std::string& path) const { return base::AsciiToWide(Url(path)); }
  std::vector<test::CapturedRequest> Requests() const { return server_.Requests(prefix_); }
  // A transfer of path into sink with the stop looked at before every read.
  DownloadRequest Request(const std::string& path, DownloadSink* sink, HANDLE stop = nullptr,
                          DownloadProgressObserver* observer = nullptr) const {
    DownloadRequest request;
    request.url = WideUrl(path);
    request.sink = sink;
    request.stop = stop;
    request.stop_check = StopCheck::kBeforeRead;
    request.observer = observer;
    return request;
  }

  test::Loopback server_ = test::Loopback::Server();
  std::string prefix_;
};

class RecordingObserver : public DownloadProgressObserver {
 public:
  void OnProgress(float fraction) override { progress.push_back(fraction); }
  void OnSlowDownload() override { ++slow; }
  void OnTimeLeft(int32_t seconds, int32_t state) override { time_left.emplace_back(seconds, state); }
  std::vector<float> progress;
  int slow = 0;
  std::vector<std::pair<int32_t, int32_t>> time_left;
};

TEST_F(DownloaderTest, WholeBodyInBlocksWithHeadersOnTheWire) {
  Downloader downloader;
  StringDownloadSink sink;
  ASSERT_TRUE(downloader.OpenDownload(WideUrl("/gen/100000"), &sink));
  std::vector<uint32_t> blocks;
  while (uint32_t n = downloader.ReadChunk()) blocks.push_back(n);
  uint32_t status = 0;
  EXPECT_TRUE(downloader.FinalizeDownload(&status));
  EXPECT_TRUE(sink.data() == test::GeneratedBytes(100000));
  EXPECT_EQ(sink.size, 100000u);
  EXPECT_EQ(downloader.content_length(), 100000u);
  EXPECT_EQ(downloader.last_error(), "");
  EXPECT_EQ(downloader.url(), WideUrl("/gen/100000"));
  for (uint32_t n : blocks) EXPECT_LE(n, kDownloadBlockSize);

  auto requests = Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].Header("User-Agent"), "Vorlex.Browser lite installer");
  EXPECT_EQ(requests[0].Header("Accept"), "*/*");
  EXPECT_EQ(requests[0].Header("Range"), "");
}

TEST_F(DownloaderTest, NotFoundStopsAtFirstBlockAndReportsStatus) {
  Downloader downloader;
  StringDownloadSink sink;
  ASSERT_TRUE(downloader.OpenDownload(WideUrl("/missing.bin"), &sink));
  EXPECT_EQ(downloader.ReadChunk(), 0u);
  EXPECT_EQ(downloader.last_error(), "");  // the status is judged at the end
  uint32_t status = 0;
  EXPECT_FALSE(downloader.FinalizeDownload(&status));
  EXPECT_EQ(status, 404u);
  EXPECT_THAT(downloader.last_error(), StartsWith("final_query_info-404-"));
  EXPECT_EQ(sink.size, 0u);
  // Once failed, every later step fails at once.
  EXPECT_EQ(downloader.ReadChunk(), 0u);
  uint32_t untouched = 7;
  EXPECT_FALSE(downloader.FinalizeDownload(&untouched));
  EXPECT_EQ(untouched, 7u);
}

TEST_F(DownloaderTest, ServerErrorAndPartialContentFail) {
  for (int status : {500, 206}) {
    Downloader downloader;
    StringDownloadSink sink;
    uint32_t seen = 0;
    ASSERT_TRUE(downloader.OpenDownload(WideUrl("/gen/5000?lb_status=" + std::to_string(status)), &sink));
    while (downloader.ReadChunk()) {
    }
    EXPECT_FALSE(downloader.FinalizeDownload(&seen));
    EXPECT_EQ(seen, static_cast<uint32_t>(status));
    EXPECT_THAT(downloader.last_error(), StartsWith("final_query_info-" + std::to_string(status) + "-"));
    EXPECT_EQ(sink.size, 0u) << status;
  }
}

TEST_F(DownloaderTest, RuleFaultsUrlsThatCannotBeDecorated) {
  ASSERT_TRUE(server_.AddRule("{\"path\": \"" + prefix_ + "/fixed/\", \"status\": 503, \"count\": 1}"));
  std::string out;
  Downloader downloader;
  EXPECT_FALSE(downloader.DownloadToString(Url("/fixed/gen/100"), nullptr, &out));
  EXPECT_THAT(downloader.last_error(), StartsWith("final_query_info-503-"));
  EXPECT_TRUE(downloader.DownloadToString(Url("/fixed/gen/100"), nullptr, &out));  // count used up
  EXPECT_TRUE(out == test::GeneratedBytes(100));
}

TEST_F(DownloaderTest, RedirectIsRecordedWhileUrlKeepsTheRequest) {
  Downloader downloader;
  StringDownloadSink sink;
  const std::string target = Url("/gen/3000");
  const std::wstring requested = WideUrl("/start?lb_redirect=" + target);
  ASSERT_TRUE(downloader.OpenDownload(requested, &sink));
  while (downloader.ReadChunk()) {
  }
  EXPECT_TRUE(downloader.FinalizeDownload(nullptr));
  EXPECT_EQ(downloader.redirect_url(), base::AsciiToWide(target));
  EXPECT_EQ(downloader.url(), requested);
  EXPECT_TRUE(sink.data() == test::GeneratedBytes(3000));
  // A new open forgets the old redirect.
  ASSERT_TRUE(downloader.OpenDownload(WideUrl("/gen/10"), &sink));
  EXPECT_EQ(downloader.redirect_url(), L"");
}

TEST_F(DownloaderTest, ResponseWithoutContentLengthIsJudgedByStatus) {
  StringDownloadSink sink;
  RecordingObserver observer;
  const DownloadOutcome outcome =
      Download(Request("/gen/200000?lb_no_content_length=1", &sink, nullptr, &observer));
  EXPECT_TRUE(outcome.ok);
  EXPECT_TRUE(sink.data() == test::GeneratedBytes(200000));
  EXPECT_EQ(outcome.content_length, 0u);
  EXPECT_EQ(outcome.last_error, "");
  // Only the start and the end: no fractions without a length.
  EXPECT_THAT(observer.progress, ElementsAre(0.0f, 1.0f));
  EXPECT_THAT(observer.time_left, ElementsAre(std::make_pair(-1, 0), std::make_pair(0, 2)));
}

TEST_F(DownloaderTest, ProgressRisesToOne) {
  StringDownloadSink sink;
  RecordingObserver observer;
  ASSERT_TRUE(Download(Request("/gen/300000", &sink, nullptr, &observer)).ok);
  ASSERT_GE(observer.progress.size(), 3u);
  EXPECT_EQ(observer.progress.front(), 0.0f);
  EXPECT_EQ(observer.progress.back(), 1.0f);
  for (size_t i = 1; i < observer.progress.size(); ++i)
    EXPECT_GE(observer.progress[i], observer.progress[i - 1]);
  EXPECT_EQ(observer.slow, 0);
}

TEST_F(DownloaderTest, ConnectionResetMidBodyFails) {
  // A reset, and a polite close before the announced length: neither may pass for complete.
  for (const char* fault : {"lb_drop_after=70000", "lb_close_after=70000"}) {
    StringDownloadSink sink;
    const DownloadOutcome outcome = Download(Request(std::string("/gen/200000?") + fault, &sink));
    EXPECT_FALSE(outcome.ok) << fault;
    EXPECT_THAT(outcome.last_error, StartsWith("internet_read-")) << fault;
    EXPECT_LE(sink.size, 70000u);
    EXPECT_TRUE(sink.data() == test::GeneratedBytes(200000).substr(0, sink.size));
  }
}

TEST_F(DownloaderTest, ResumeFromHeldSize) {
  const std::string source = test::GeneratedBytes(150000);
  StringDownloadSink sink;
  EXPECT_FALSE(Download(Request("/gen/150000?lb_drop_after=40000", &sink)).ok);
  const uint64_t held = sink.size;
  ASSERT_GT(held, 0u);
  ASSERT_LT(held, 150000u);

  // Wine's InternetSetFilePointer cannot position an HTTP response (12016): the held bytes are
  // dropped and the attempt fails at once, so that the next one starts from the beginning.
  const DownloadOutcome refused = Download(Request("/gen/150000", &sink));
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.last_error, "internet_set_file_pointer-12016");
  EXPECT_EQ(sink.size, 0u);
  EXPECT_TRUE(Download(Request("/gen/150000", &sink)).ok);
  EXPECT_TRUE(sink.data() == source);

  // Where positioning works (Windows reads forward to the offset), the held bytes and the rest
  // make up the source exactly.
  StringDownloadSink partial;
  ASSERT_TRUE(partial.Write(source.data(), held));
  LONG asked = -1;
  auto skip_forward = [&](HINTERNET request, LONG offset) -> DWORD {
    asked = offset;
    std::string skipped(offset, '\0');
    DWORD total = 0, n = 0;
    while (total < static_cast<DWORD>(offset) &&
           InternetReadFile(request, skipped.data() + total, offset - total, &n) && n)
      total += n;
    return total;
  };
  OpenUrlFunction open_url(base::kWininet, "InternetOpenUrlW");
  Downloader downloader(open_url, skip_forward);
  ASSERT_TRUE(downloader.OpenDownload(WideUrl("/gen/150000"), &partial));
  EXPECT_EQ(asked, static_cast<LONG>(held));
  while (downloader.ReadChunk()) {
  }
  EXPECT_TRUE(downloader.FinalizeDownload(nullptr));
  EXPECT_EQ(partial.size, 150000u);
  EXPECT_TRUE(partial.data() == source);
}

// Over HTTPS with the certificate the test prefix trusts, a transfer is the one over HTTP, in
// TLS; a reset mid-body fails the read as over HTTP. Each bad certificate fails the open with
// WinINet's own error in the tag, before any request reaches the server.
TEST_F(DownloaderTest, HttpsTransfersAndBadCertificatesFailTheOpen) {
  const std::string https = server_.HttpsOrigin(test::Certificate::kGood);
  ASSERT_FALSE(https.empty()) << "the loopback server answers no HTTPS";
  Downloader downloader;
  std::string body;
  ASSERT_TRUE(downloader.DownloadToString(https + prefix_ + "/gen/100000", nullptr, &body)) << downloader.last_error();
  EXPECT_TRUE(body == test::GeneratedBytes(100000));
  EXPECT_EQ(downloader.content_length(), 100000u);
  StringDownloadSink sink;
  DownloadRequest dropped = Request("", &sink);
  dropped.url = base::AsciiToWide(https + prefix_ + "/gen/150000?lb_drop_after=40000");
  const DownloadOutcome reset = Download(dropped);
  EXPECT_FALSE(reset.ok);
  EXPECT_THAT(reset.last_error, StartsWith("internet_read-"));
  std::vector<test::CapturedRequest> requests = Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const test::CapturedRequest& request : requests) EXPECT_EQ(request.tls, "good") << request.target;

  const struct {
    test::Certificate certificate;
    const char* tag;
  } kRefused[] = {{test::Certificate::kWrongHost, "internet_open_url-12038"},  // SEC_CERT_CN_INVALID
                  {test::Certificate::kExpired, "internet_open_url-12037"},    // SEC_CERT_DATE_INVALID
                  {test::Certificate::kUntrusted, "internet_open_url-12045"}}; // INVALID_CA
  for (const auto& refused : kRefused) {
    const std::string origin = server_.HttpsOrigin(refused.certificate);
    ASSERT_FALSE(origin.empty());
    test::LogCapture log;
    Downloader refusing;
    EXPECT_FALSE(refusing.DownloadToString(origin + prefix_ + "/gen/1000", nullptr, &body)) << origin;
    EXPECT_EQ(refusing.last_error(), refused.tag) << origin;
    EXPECT_THAT(log.At("OpenDownload"), ElementsAre()) << origin;  // no "Connection established"
  }
  EXPECT_EQ(Requests().size(), 2u);
}

TEST(FileDownloadSinkTest, SizeGrowsOnlyWithWrittenBlocksAndResetTruncates) {
  test::ScratchDir scratch;
  const std::wstring path = scratch.Child(L"setup.arc");
  {
    base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    FileDownloadSink sink(file.get(), 10);
    ASSERT_TRUE(sink.Write("abcdef", 6));
    ASSERT_TRUE(sink.Write("gh", 2));
    EXPECT_EQ(sink.size, 8u);
    EXPECT_FALSE(sink.Write("ijk", 3));  // past its ceiling: refused whole
    EXPECT_EQ(sink.size, 8u);
    sink.Reset();
    EXPECT_EQ(sink.size, 0u);
    ASSERT_TRUE(sink.Write("xy", 2));
  }
  EXPECT_EQ(base::ReadFileToString(path), "xy");
  base::ScopedFile read_only(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  FileDownloadSink rejecting(read_only.get(), 10);
  EXPECT_FALSE(rejecting.Write("z", 1));
  EXPECT_EQ(rejecting.size, 0u);
}

TEST_F(DownloaderTest, SinkRejectingWritesFails) {
  class FullSink : public DownloadSink {
   public:
    bool Write(const void*, uint32_t count) override {
      if (size + count > 40000) {
        SetLastError(ERROR_DISK_FULL);
        return false;
      }
      size += count;
      return true;
    }
    void Reset() override { size = 0; }
  } sink;
  const DownloadOutcome outcome = Download(Request("/gen/100000", &sink));
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.last_error, "write_file-112");
}

TEST_F(DownloaderTest, StopEventEndsTransfer) {
  base::ScopedHandle stop(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  StringDownloadSink sink;
  RecordingObserver observer;
  const DownloadOutcome outcome = Download(Request("/gen/100000", &sink, stop.get(), &observer));
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(sink.size, 0u);
  EXPECT_EQ(outcome.last_error, "");  // stopped, not failed: FinalizeDownload never ran
  EXPECT_THAT(observer.progress, ElementsAre(0.0f));

  // Set during a slow transfer: the transfer ends at the next block.
  ResetEvent(stop.get());
  StringDownloadSink slow_sink;
  class StopAfterFirstBlock : public RecordingObserver {
   public:
    explicit StopAfterFirstBlock(HANDLE event) : event_(event) {}
    void OnProgress(float fraction) override {
      RecordingObserver::OnProgress(fraction);
      if (fraction > 0) SetEvent(event_);
    }
    HANDLE event_;
  } stopper(stop.get());
  EXPECT_FALSE(Download(Request("/gen/2000000?lb_delay_body_ms=200", &slow_sink, stop.get(), &stopper)).ok);
  EXPECT_LT(slow_sink.size, 2000000u);
}

TEST_F(DownloaderTest, CancelEndsDownloadAfterCurrentBlock) {
  base::ScopedHandle cancel(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  Downloader downloader;
  StringDownloadSink sink;
  // The cancel is looked at after a block; a body cut short that way is a failure, never a
  // whole download.
  DownloadRequest request = Request("/gen/1000000", &sink, cancel.get());
  request.stop_check = StopCheck::kAfterBlock;
  EXPECT_FALSE(downloader.Download(request));
  EXPECT_EQ(downloader.last_error(), "internet_read-995");
  EXPECT_GT(sink.size, 0u);
  EXPECT_LE(sink.size, kDownloadBlockSize);
  // So DownloadToFile leaves its target alone.
  test::ScratchDir scratch;
  std::wstring target = scratch.Child(L"target.bin");
  ASSERT_TRUE(base::WriteStringToFile(target, "previous"));
  EXPECT_FALSE(downloader.DownloadToFile(Url("/gen/1000000"), target, cancel.get(), UINT64_MAX));
  EXPECT_EQ(base::ReadFileToString(target), "previous");
}

TEST_F(DownloaderTest, DownloadToFileReplacesTargetOnlyAfterSuccess) {
  test::ScratchDir scratch;
  const std::wstring target = scratch.Child(L"bundle.bin");
  ASSERT_TRUE(base::WriteStringToFile(target, "old contents"));
  auto temp_files = [] { return base::EnumerateFiles(base::GetTempDir(), L"vxd*.tmp"); };
  const auto temps_before = temp_files();

  Downloader downloader;
  EXPECT_FALSE(downloader.DownloadToFile(Url("/missing"), target, nullptr, UINT64_MAX));
  EXPECT_FALSE(downloader.DownloadToFile(Url("/gen/90000?lb_drop_after=50000"), target, nullptr, UINT64_MAX));
  EXPECT_EQ(base::ReadFileToString(target), "old contents");
  EXPECT_EQ(temp_files(), temps_before);

  EXPECT_TRUE(downloader.DownloadToFile(Url("/gen/90000"), target, nullptr, 90000));
  EXPECT_TRUE(base::ReadFileToString(target) == test::GeneratedBytes(90000));
  EXPECT_EQ(temp_files(), temps_before);
}

TEST_F(DownloaderTest, DownloadToStringAndCustomHeader) {
  ASSERT_TRUE(server_.PutFile(prefix_.substr(1) + "/seed.bin", std::string("seed\0data", 9)));
  Downloader downloader;
  std::string out = "unchanged";
  EXPECT_FALSE(downloader.DownloadToString(Url("/nothing"), nullptr, &out));
  EXPECT_EQ(out, "unchanged");
  const std::string signature(300, 'S');  // longer than a first guess of the buffer
  ASSERT_TRUE(downloader.DownloadToString(
      Url("/seed.bin?lb_header=X-Seed-Signature:" + signature + "&lb_header=X-Country:by"), nullptr,
      &out));
  EXPECT_EQ(out, std::string("seed\0data", 9));
  EXPECT_EQ(downloader.GetCustomHeader("X-Seed-Signature"), signature);
  EXPECT_EQ(downloader.GetCustomHeader("X-Country"), "by");
  EXPECT_EQ(downloader.GetCustomHeader("X-Absent"), "");
}

// A body kept in memory stops at its ceiling: announced larger, it fails at the first block;
// without a length, as soon as it gets past the ceiling. Exactly the ceiling is fine.
TEST_F(DownloaderTest, InMemoryBodyStopsAtItsCeiling) {
  const uint32_t ceiling = 100000;
  Downloader downloader;
  std::string out;
  test::LogCapture log;
  EXPECT_FALSE(downloader.DownloadToString(Url("/gen/100001"), nullptr, &out, ceiling));
  EXPECT_EQ(downloader.last_error(), "body_too_large-100000");
  EXPECT_EQ(log.At("ReadChunk"),
            std::vector<std::string>{"Response body larger than 100000 bytes: " + Url("/gen/100001")});

  StringDownloadSink sink(ceiling);
  ASSERT_TRUE(downloader.OpenDownload(WideUrl("/gen/2000000000?lb_no_content_length=1"), &sink));
  while (downloader.ReadChunk() != 0) {
  }
  EXPECT_FALSE(downloader.FinalizeDownload(nullptr));
  EXPECT_EQ(downloader.last_error(), "body_too_large-100000");
  // Stopped at the block that would cross the ceiling, which is not kept.
  EXPECT_LE(sink.size, ceiling);
  EXPECT_GT(sink.size + kDownloadBlockSize, ceiling);
  EXPECT_TRUE(sink.data() == test::GeneratedBytes(sink.size));

  ASSERT_TRUE(downloader.DownloadToString(Url("/gen/100000?lb_no_content_length=1"), nullptr, &out, ceiling));
  EXPECT_TRUE(out == test::GeneratedBytes(100000));
  ASSERT_TRUE(downloader.DownloadToString(Url("/gen/100000"), nullptr, &out, ceiling));
}

// Files have ceilings too, and lengths are 64-bit: a body announced at 5 GiB is refused at once by
// its length (a 32-bit count would have wrapped to 1 GiB and streamed it), the target stays as it
// was; without a length the file stops at its ceiling. (The server pauses after its first 256 KiB:
// Wine's WinINet reads whatever is at hand of an unread body when the request is closed, which on
// loopback would be all 5 GiB.)
TEST_F(DownloaderTest, FileBodyStopsAtItsCeilingAndLengthsAreSixtyFourBit) {
  test::ScratchDir scratch;
  const std::wstring target = scratch.Child(L"bundle.zip");
  ASSERT_TRUE(base::WriteStringToFile(target, "previous"));
  Downloader downloader;
  EXPECT_FALSE(downloader.DownloadToFile(Url("/gen/5368709120?lb_delay_body_ms=1000"), target, nullptr, 1 << 20));
  EXPECT_EQ(downloader.content_length(), 5368709120u);
  EXPECT_EQ(downloader.last_error(), "body_too_large-1048576");
  EXPECT_EQ(base::ReadFileToString(target), "previous");

  const std::wstring path = scratch.Child(L"setup.arc");
  base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file);
  FileDownloadSink sink(file.get(), 100000);
  const DownloadOutcome outcome = Download(Request("/gen/2000000000?lb_no_content_length=1", &sink));
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.last_error, "body_too_large-100000");
  EXPECT_LE(sink.size, 100000u);
  EXPECT_GT(sink.size + kDownloadBlockSize, 100000u);
  LARGE_INTEGER written = {};
  ASSERT_TRUE(GetFileSizeEx(file.get(), &written));
  EXPECT_EQ(static_cast<uint64_t>(written.QuadPart), sink.size);
}

// The status callback works on the downloader only while the request is opened (redirects, the
// request's time-outs); it is taken off the request then, so no later notification of the request
// (its reads, its close) reaches it with what it pointed to during the open.
TEST_F(DownloaderTest, OpenRequestKeepsNoStatusCallback) {
  Downloader downloader;
  downloader.SetTimeouts(5000, 5000);
  StringDownloadSink sink;
  const std::string target = Url("/gen/3000");
  ASSERT_TRUE(downloader.OpenDownload(WideUrl("/start?lb_redirect=" + target), &sink));
  EXPECT_EQ(downloader.redirect_url(), base::AsciiToWide(target));
  ASSERT_NE(downloader.request_handle(), nullptr);
  EXPECT_EQ(InternetSetStatusCallbackW(downloader.request_handle(), nullptr), nullptr);
  while (downloader.ReadChunk()) {
  }
  EXPECT_TRUE(downloader.FinalizeDownload(nullptr));
}

TEST_F(DownloaderTest, OddUrlsFailCleanly) {
  Downloader downloader;
  StringDownloadSink sink;
  EXPECT_FALSE(downloader.OpenDownload(L"not a url", &sink));
  EXPECT_THAT(downloader.last_error(), StartsWith("internet_open_url-"));
  EXPECT_EQ(downloader.exception().code, 0u);
  // Spaces and reserved characters in the path reach the server in one request.
  ASSERT_TRUE(downloader.OpenDownload(WideUrl("/dir%20x/a+b;c/gen/10"), &sink));
  while (downloader.ReadChunk()) {
  }
  EXPECT_TRUE(downloader.FinalizeDownload(nullptr));
  ASSERT_EQ(Requests().size(), 1u);
  EXPECT_EQ(Requests()[0].path, prefix_ + "/dir%20x/a+b;c/gen/10");
  // A raw blank goes out escaped, not as a broken request line.
  StringDownloadSink fresh;
  ASSERT_TRUE(downloader.OpenDownload(WideUrl("/raw dir/gen/10"), &fresh));
  while (downloader.ReadChunk()) {
  }
  EXPECT_TRUE(downloader.FinalizeDownload(nullptr));
  ASSERT_EQ(Requests().size(), 2u);
  EXPECT_EQ(Requests()[1].target, prefix_ + "/raw%20dir/gen/10");
}

TEST_F(DownloaderTest, LogLines) {
  test::LogCapture log;
  const std::wstring url = WideUrl("/absent");
  Downloader downloader;
  StringDownloadSink sink;
  ASSERT_TRUE(downloader.OpenDownload(url, &sink));
  while (downloader.ReadChunk()) {
  }
  EXPECT_FALSE(downloader.FinalizeDownload(nullptr));
  EXPECT_THAT(log.At("OpenDownload"), ElementsAre("Connection established: " + base::WideToUtf8(url)));
  ASSERT_EQ(log.At("ReadChunk").size(), 1u);
  EXPECT_THAT(log.At("ReadChunk")[0], StartsWith("HTTP request status isn't OK - "));
  ASSERT_EQ(log.At("FinalizeDownload").size(), 1u);
  EXPECT_THAT(log.At("FinalizeDownload")[0], StartsWith("Unsuccessful download: " + base::WideToUtf8(url) + " - "));
  for (const auto& line : log.lines())
    EXPECT_EQ(line.severity, line.location == "OpenDownload" ? logging::LOG_INFO : logging::LOG_ERROR);

  base::LazyLibrary missing_library(L"vorlex_missing_inet.dll");
  OpenUrlFunction missing(missing_library, "InternetOpenUrlW");
  Downloader broken(missing);
  ASSERT_FALSE(broken.OpenDownload(L"http://127.0.0.1:1/x", &sink));
  ASSERT_EQ(log.At("OpenDownload").size(), 2u);
  EXPECT_THAT(log.At("OpenDownload")[1],
              StartsWith("An attempt to open url http://127.0.0.1:1/x generated an exception 3228369022 - "));
}

TEST_F(DownloaderTest, StallingServerEndsAtNextPollAfterStop) {
  // The stop event is looked at between blocks: a read blocked on a silent server finishes
  // first, then the transfer ends without reading further.
  base::ScopedHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread stopper([&] {
    // Once the request is in, the server has sent the headers and gone silent.
    (void)server_.WaitForRequests(prefix_ + "/gen/", 1);
    SetEvent(stop.get());
  });
  StringDownloadSink sink;
  EXPECT_FALSE(Download(Request("/gen/4000000?lb_stall_ms=1500", &sink, stop.get())).ok);
  stopper.join();
  EXPECT_LE(sink.size, kDownloadBlockSize);
}

TEST(TimeLeftEstimatorTest, OncePerMinuteAndSlowBeyondTwoMinutes) {
  const uint32_t start = 0xFFFFF000u;  // the tick count wraps during the transfer
  TimeLeftEstimator estimator(start);
  EXPECT_FALSE(estimator.Update(start + 59999, 1000, 500));
  EXPECT_FALSE(estimator.Update(start + 60000, 0, 500));  // no length, no estimate
  EXPECT_FALSE(estimator.Update(start + 60000, 1000, 0));
  auto first = estimator.Update(start + 60000, 1000, 500);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->seconds, 60);
  EXPECT_FALSE(first->slow);  // 60 s + 60 s is not more than two minutes
  EXPECT_FALSE(estimator.Update(start + 119999, 1000, 600));
  auto second = estimator.Update(start + 120000, 1000, 600);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->seconds, 80);
  EXPECT_TRUE(second->slow);
  // More bytes than announced: nothing left rather than a wrapped subtraction.
  auto over = estimator.Update(start + 180000, 1000, 1200);
  ASSERT_TRUE(over);
  EXPECT_EQ(over->seconds, 0);
  EXPECT_TRUE(over->slow);  // 180 s have already passed

  // A crawling transfer of a large body: the estimate is clamped, never a wrapped or negative
  // number (one byte of 5 GiB in a minute would be centuries).
  TimeLeftEstimator crawling(0);
  auto crawl = crawling.Update(60000, 5368709120ull, 1);
  ASSERT_TRUE(crawl);
  EXPECT_EQ(crawl->seconds, kMaxTimeLeftSeconds);
  EXPECT_TRUE(crawl->slow);
  auto big = crawling.Update(120000, 0xFFFFFFFFFFFFull, 4096);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->seconds, kMaxTimeLeftSeconds);
}

TEST(DownloaderImportTest, MissingLibraryOrEntryBecomesDelayLoadException) {
  base::LazyLibrary missing_library(L"vorlex_missing_inet.dll");
  OpenUrlFunction from_missing_library(missing_library, "InternetOpenUrlW");
  OpenUrlFunction missing_entry(base::kWininet, "InternetOpenUrlVorlexW");

  Downloader downloader(from_missing_library);
  StringDownloadSink sink;
  EXPECT_FALSE(downloader.OpenDownload(L"http://127.0.0.1:1/x", &sink));
  EXPECT_EQ(downloader.exception().code, 0xC06D007Eu);
  EXPECT_EQ(downloader.exception().dll_name, "vorlex_missing_inet.dll");
  EXPECT_EQ(downloader.exception().proc_name, "InternetOpenUrlW");
  EXPECT_EQ(ExceptionInfoText(downloader.exception()),
            "Exception with code=3228369022dll_name=vorlex_missing_inet.dllproc_name=InternetOpenUrlW");
  EXPECT_EQ(downloader.ReadChunk(), 0u);

  Downloader other(missing_entry);
  EXPECT_FALSE(other.OpenDownload(L"http://127.0.0.1:1/x", &sink));
  EXPECT_EQ(other.exception().dll_name, "wininet.dll");
  EXPECT_EQ(other.exception().proc_name, "InternetOpenUrlVorlexW");
}

}  // namespace
}  // namespace net
