// Downloads and statistics go through the system proxy (WinINet's preconfigured settings), the
// commonest reason an online installer fails in the field.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/strings.h"
#include "net/downloader.h"
#include "net/install_statistics.h"
#include "support/scratch_current_user.h"
#include "support/loopback.h"

namespace net {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(SystemProxyTest, SetupDownloadAndStatisticsPassThroughProxy) {
  test::Loopback server = test::Loopback::Server();
  test::Loopback proxy = test::Loopback::Proxy();
  ASSERT_TRUE(server.ok() && proxy.ok()) << "the loopback fixture is not running";
  const std::string prefix = test::UniquePathPrefix();
  test::ScratchCurrentUser hkcu;
  hkcu.SetProxy(L"127.0.0.1:" + std::to_wstring(proxy.port()));

  StringDownloadSink sink;
  DownloadRequest request;
  request.url = base::AsciiToWide(server.Origin() + prefix + "/setup/gen/120000");
  request.sink = &sink;
  request.stop_check = StopCheck::kBeforeRead;
  const DownloadOutcome outcome = Download(request);
  ASSERT_TRUE(outcome.ok) << outcome.last_error;
  EXPECT_TRUE(sink.data() == test::GeneratedBytes(120000));

  _putenv(("VORLEX_STATISTICS_URL=" + server.Origin() + prefix).c_str());
  {
    InstallStatistics statistics(0, L"", [] { return std::string("u"); });
    ASSERT_TRUE(statistics.Send({{"action", L"via_proxy"}}));
    ASSERT_EQ(proxy.WaitForRequests(prefix + "/installstats/", 1).size(), 1u);
  }
  _putenv("VORLEX_STATISTICS_URL=");

  // The proxy saw both in absolute form and forwarded them to the server.
  auto through_proxy = proxy.Requests(prefix);
  ASSERT_EQ(through_proxy.size(), 2u);
  EXPECT_EQ(through_proxy[0].target, server.Origin() + prefix + "/setup/gen/120000");
  EXPECT_EQ(through_proxy[0].Header("User-Agent"), "Vorlex.Browser lite installer");
  EXPECT_THAT(through_proxy[1].target, StartsWith(server.Origin() + prefix + "/installstats/send/"));
  EXPECT_THAT(through_proxy[1].target, HasSubstr("-action=via_proxy,"));
  EXPECT_EQ(through_proxy[1].Header("User-Agent"), "Vorlex.Browser installer");
  EXPECT_EQ(server.WaitForRequests(prefix, 2).size(), 2u);
}

}  // namespace
}  // namespace net
