// Install statistics: the wire format, the worker's order, the saved parameters, against the
// loopback server and Wine's registry.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "base/registry.h"
#include "base/strings.h"
#include "net/install_statistics.h"
#include "support/log_capture.h"
#include "support/scratch_current_user.h"
#include "support/loopback.h"
#include "support/test_util.h"

namespace net {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr char kStatPrefix[] = "/installstats/send/dtype=stred/pid=457";

TEST(InstallStatFormatTest, SavedParametersRoundTrip) {
  StatParams params{{"brand_id", L"12"}, {"old_ver", L""}, {"ui", L"{A-B}"}, {"z", L"line\nbreak"}};
  const std::wstring text = SerializeStatParams(params);
  EXPECT_EQ(text, L"brand_id\n12\nold_ver\n\nui\n{A-B}\nz\nline break\n");
  StatParams read = ParseStatParams(text);
  params["z"] = L"line break";
  EXPECT_EQ(read, params);
  // A dangling key without its value line is dropped; an empty text gives nothing.
  EXPECT_EQ(ParseStatParams(L"a\n1\nb"), (StatParams{{"a", L"1"}}));
  EXPECT_TRUE(ParseStatParams(L"").empty());
}

TEST(InstallStatFormatTest, MergeKeepsCommonValuesAndAddsDefaults) {
  const StatParams merged =
      MergeStatParams({{"ui", L"common"}, {"old_style", L"1"}}, {{"ui", L"event"}, {"action", L"x"}});
  EXPECT_EQ(merged, (StatParams{{"action", L"x"}, {"brand_id", L"unknown"}, {"old_style", L"0"}, {"ui", L"common"}}));
  EXPECT_EQ(MergeStatParams({{"brand_id", L"7"}}, {}).at("brand_id"), L"7");
}

TEST(InstallStatFormatTest, LaunchedEventName) {
  EXPECT_EQ(LaunchedEventName(L"\"C:\\Program Files\\Vorlex\\Browser.EXE\" --from-INSTALLER"),
            L"Global\\c:!program files!vorlex!browser.exe\" --from-installer");
  EXPECT_EQ(LaunchedEventName(L"\"C:\\B.exe\""), L"Global\\c:!b.exe");
  EXPECT_EQ(LaunchedEventName(L"ab"), L"");
  EXPECT_EQ(LaunchedEventName(L"\xC4X\\Y"), L"Global\\\xC4x!y");  // only A-Z change
}

TEST(InstallStatFormatTest, NonAsciiBecomesUtf8Escapes) {
  EXPECT_EQ(PercentEncodeNonAscii(L"a\x00E9 \x041F\xD83D\xDE00"), L"a%C3%A9 %D0%9F%F0%9F%98%80");
}

class InstallStatisticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.ok()) << "the loopback fixture is not running";
    prefix_ = test::UniquePathPrefix();
    // The statistics origin of this test: its own path prefix on the loopback server.
    _putenv(("VORLEX_STATISTICS_URL=" + server_.Origin() + prefix_).c_str());
  }
  void TearDown() override { _putenv("VORLEX_STATISTICS_URL="); }
  std::vector<test::CapturedRequest> WaitFor(size_t count) { return server_.WaitForRequests(prefix_, count); }
  static UserIdFunction UserId() {
    return [] { return std::string("{0F1E2D3C-AAAA-BBBB-CCCC-0123456789AB}"); };
  }

  test::Loopback server_ = test::Loopback::Server();
  std::string prefix_;
  test::ScratchCurrentUser hkcu_;
};

TEST_F(InstallStatisticsTest, ReportArrivesExactlyAsBuilt) {
  hkcu_.SetProductValue(L"pv", L"20.1.0.5");
  test::LogCapture log;
  {
    InstallStatistics statistics(0, L"", UserId());
    EXPECT_EQ(statistics.GetOldVersion(), L"20.1.0.5");
    ASSERT_TRUE(statistics.Send({{"action", L"download"}, {"ui", L"event-value"}}));
    auto requests = WaitFor(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target,
              prefix_ + kStatPrefix +
                  "/cid=72992/path=extended_stat/vars=-action=download,-brand_id=unknown,"
                  "-installer_type=lite,-launched=false,-lite_ver=0.0.0.0,-old_style=0,"
                  "-old_ver=20.1.0.5,-ui=%7B0F1E2D3C_AAAA_BBBB_CCCC_0123456789AB%7D/*");
    EXPECT_EQ(requests[0].Header("User-Agent"), "Vorlex.Browser installer");
    EXPECT_EQ(requests[0].Header("Accept"), "*/*");
  }
  EXPECT_THAT(log.At("GetQueryUrl"),
              ElementsAre("InstallStatSender::Send:", "action=download", "brand_id=unknown",
                          "installer_type=lite", "launched=false", "lite_ver=0.0.0.0", "old_style=0",
                          "old_ver=20.1.0.5", "ui={0F1E2D3C-AAAA-BBBB-CCCC-0123456789AB}"));
  // The request is abandoned once sent; that is not an error.
  EXPECT_THAT(log.At("SendUrl"), ElementsAre());
}

TEST_F(InstallStatisticsTest, DelimitersReservedAndNonAsciiValues) {
  InstallStatistics statistics(1, L"", [] { return std::string("u"); });
  statistics.SetParam(kStatBrandId, "br,an=d-1");
  statistics.SetParam(kStatNewVer, "21.5.2-beta");
  statistics.SetParam(kStatOldVer, "ignored");  // read only
  ASSERT_TRUE(statistics.Send({{"path", L"C:/x y?#%"},
                               {"name", L"\x041F\x0440\x0438\x00E9"},
                               {"long", std::wstring(3000, L'a')}}));  // beyond the escape buffer
  auto requests = WaitFor(1);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target,
            prefix_ + kStatPrefix +
                "/cid=72992/path=extended_stat/vars=-brand_id=br_an_d_1,-installer_type=full,"
                "-launched=false,-lite_ver=0.0.0.0,-long=,-name=%D0%9F%D1%80%D0%B8%C3%A9,-new_ver=21.5.2_beta,"
                "-old_style=0,-old_ver=,-path=C:%2Fx%20y%3F%23%,-ui=u/*");  // "%" is not escaped
}

TEST_F(InstallStatisticsTest, DialogEventUsesItsKindOnce) {
  InstallStatistics statistics(0, L"", UserId());
  ASSERT_TRUE(statistics.SendDialogEvent({{"action", L"shown"}}));
  ASSERT_TRUE(statistics.Send({{"action", L"after"}}));
  auto requests = WaitFor(2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_THAT(requests[0].path, HasSubstr("/cid=72696/path=vxbrowser_reinstall_dialog/vars=-action=shown,"));
  EXPECT_THAT(requests[1].path, HasSubstr("/cid=72992/path=extended_stat/vars=-action=after,"));
}

TEST_F(InstallStatisticsTest, ReportsFromSeveralThreadsKeepPostingOrder) {
  InstallStatistics statistics(0, L"", UserId());
  std::mutex order_lock;
  std::vector<std::string> posted;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        std::lock_guard<std::mutex> hold(order_lock);  // the posting order is what we record
        const std::string id = std::to_string(t) + "x" + std::to_string(i);
        ASSERT_TRUE(statistics.Send({{"action", base::AsciiToWide(id)}}));
        posted.push_back(id);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  auto requests = WaitFor(20);
  ASSERT_EQ(requests.size(), 20u);
  for (size_t i = 0; i < requests.size(); ++i)
    EXPECT_THAT(requests[i].path, HasSubstr("/vars=-action=" + posted[i] + ",")) << i;
}

TEST_F(InstallStatisticsTest, ShutdownFinishesTheRequestInFlightAndDropsTheQueue) {
  // Wine's WinINet waits for the answer even after the early close, so a slow endpoint keeps
  // the first report in flight while the others queue up.
  ASSERT_TRUE(server_.AddRule("{\"path\": \"" + prefix_ + "/installstats/\", \"delay_ms\": 1500}"));
  {
    InstallStatistics statistics(0, L"", UserId());
    for (const wchar_t* action : {L"first", L"second", L"third"})
      ASSERT_TRUE(statistics.Send({{"action", action}}));
    ASSERT_EQ(WaitFor(1).size(), 1u);
  }
  // The worker is gone: a report sent afterwards is the next one the server sees, so nothing of
  // the dropped queue can arrive before it.
  {
    InstallStatistics later(0, L"", UserId());
    ASSERT_TRUE(later.Send({{"action", L"marker"}}));
    ASSERT_EQ(WaitFor(2).size(), 2u);
  }
  auto requests = server_.Requests(prefix_);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_THAT(requests[0].path, HasSubstr("-action=first,"));
  EXPECT_THAT(requests[1].path, HasSubstr("-action=marker,"));
}

// An endpoint that takes the request and never answers: the request ends at its receive time-out
// (Wine's WinINet still waits for the answer after the early close), and destruction returns
// rather than waiting for the answer without end.
TEST_F(InstallStatisticsTest, SilentEndpointEndsAtTheTimeout) {
  ASSERT_TRUE(server_.AddRule("{\"path\": \"" + prefix_ + "/installstats/\", \"delay_ms\": 3600000}"));
  test::LogCapture log;
  {
    InstallStatistics statistics(0, L"", UserId());
    ASSERT_TRUE(statistics.Send({{"action", L"unanswered"}}));
    ASSERT_TRUE(statistics.Send({{"action", L"queued"}}));
    ASSERT_EQ(WaitFor(1).size(), 1u);
  }
  ASSERT_TRUE(log.WaitFor("SendUrl", 1));
  EXPECT_THAT(log.At("SendUrl")[0], ::testing::StartsWith("Failed to open "));
  EXPECT_EQ(server_.Requests(prefix_).size(), 1u);  // the queued one was dropped
}

TEST_F(InstallStatisticsTest, SavedParametersLaunchedAndCleanup) {
  hkcu_.SetProductValue(L"vxpv", L"19.0");
  hkcu_.SetProductValue(L"pv", L"18.0");
  const std::wstring command_line = L"\"C:\\Apps\\Vorlex\\Browser.exe\" --first-run";
  hkcu_.SetProductValue(L"InstallerSuccessLaunchCmdLine", command_line);
  base::ScopedHandle running(CreateEventW(nullptr, TRUE, FALSE, LaunchedEventName(command_line).c_str()));
  ASSERT_TRUE(running);
  {
    // Saved values come back, except "ui", which is always the current one.
    InstallStatistics statistics(0, L"partner_id\nP7\nui\nstale\nold_ver\n17.0\n", UserId());
    EXPECT_EQ(statistics.params().at("launched"), L"true");
    EXPECT_EQ(statistics.params().at("partner_id"), L"P7");
    EXPECT_EQ(statistics.params().at("ui"), L"{0F1E2D3C-AAAA-BBBB-CCCC-0123456789AB}");
    EXPECT_EQ(statistics.GetOldVersion(), L"17.0");
    statistics.SetParam(kStatBrandId, "42");
    ASSERT_TRUE(statistics.Save());
    EXPECT_EQ(ReadSavedInstallStat(), SerializeStatParams(statistics.params()));
  }
  EXPECT_FALSE(hkcu_.ProductValue(kInstallStatValue).has_value());
  {
    running.reset();
    InstallStatistics statistics(0, L"", UserId());
    EXPECT_EQ(statistics.params().at("launched"), L"false");
    EXPECT_EQ(statistics.GetOldVersion(), L"19.0");  // "vxpv" before "pv"
  }
}

// The reports of an https origin go in TLS, abandoned once sent as over HTTP; a server whose
// certificate is refused gets no report, and the refusal is logged.
TEST_F(InstallStatisticsTest, HttpsReportsAndRefusedCertificates) {
  const std::string good = server_.HttpsOrigin(test::Certificate::kGood);
  ASSERT_FALSE(good.empty()) << "the loopback server answers no HTTPS";
  test::LogCapture log;
  _putenv(("VORLEX_STATISTICS_URL=" + good + prefix_).c_str());
  {
    InstallStatistics statistics(0, L"", UserId());
    ASSERT_TRUE(statistics.Send({{"action", L"tls"}}));
    ASSERT_EQ(WaitFor(1).size(), 1u);
  }
  std::vector<std::string> refused;
  for (test::Certificate bad :
       {test::Certificate::kWrongHost, test::Certificate::kExpired, test::Certificate::kUntrusted}) {
    refused.push_back(server_.HttpsOrigin(bad) + prefix_);
    _putenv(("VORLEX_STATISTICS_URL=" + refused.back()).c_str());
    InstallStatistics statistics(0, L"", UserId());
    ASSERT_TRUE(statistics.Send({{"action", L"refused"}}));
    ASSERT_TRUE(log.WaitFor("SendUrl", refused.size())) << refused.back();
  }
  std::vector<test::CapturedRequest> requests = server_.Requests(prefix_);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].tls, "good");
  EXPECT_NE(requests[0].target.find("-action=tls,"), std::string::npos) << requests[0].target;
  std::vector<std::string> lines = log.At("SendUrl");
  ASSERT_EQ(lines.size(), refused.size());
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_THAT(lines[i], ::testing::StartsWith("Failed to open " + refused[i] + "/installstats/send/"));
}

TEST_F(InstallStatisticsTest, UnreachableEndpointLogsAndShutsDown) {
  _putenv("VORLEX_STATISTICS_URL=http://127.0.0.1:1");
  test::LogCapture log;
  {
    InstallStatistics statistics(0, L"", UserId());
    ASSERT_TRUE(statistics.Send({{"action", L"lost"}}));
    ASSERT_TRUE(log.WaitFor("SendUrl", 1));
  }
  ASSERT_EQ(log.At("SendUrl").size(), 1u);
  EXPECT_THAT(log.At("SendUrl")[0], ::testing::StartsWith("Failed to open http://127.0.0.1:1/installstats/send/"));
}

}  // namespace
}  // namespace net
