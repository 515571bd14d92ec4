#include <gtest/gtest.h>

#include <windows.h>

#include <io.h>

#include <map>
#include <thread>

#include "base/base64.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/histogram.h"
#include "base/json.h"
#include "support/log_capture.h"
#include "support/loopback.h"
#include "support/test_util.h"
#include "tasks/async_install_tasks.h"
#include "tasks/variations.h"
#include "tasks/webntp.h"
#include "vorlex_version.h"

namespace tasks {
namespace {

// Error lines without the " - " + system error text that follows their message.
std::vector<std::string> Heads(std::vector<std::string> messages) {
  for (std::string& message : messages) message = message.substr(0, message.find(" - "));
  return messages;
}

class TasksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.ok());
    prefix_ = test::UniquePathPrefix();
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  void TearDown() override { CloseHandle(stop_); }
  std::string Url(const std::string& path) const { return server_.Origin() + prefix_ + path; }
  bool Put(const std::string& path, const std::string& data) const { return server_.PutFile(prefix_.substr(1) + path, data); }
  std::string Read(const std::wstring& path) const { return base::ReadFileToString(path).value_or("<missing>"); }

  test::Loopback server_ = test::Loopback::Server();
  std::string prefix_;
  HANDLE stop_ = nullptr;
  test::ScratchDir scratch_;
};

TEST_F(TasksTest, VariationsSeedIsSavedWithItsHeaders) {
  std::string seed("\x00\x01seed\xff", 7);
  ASSERT_TRUE(Put("/seed", seed));
  std::wstring path = scratch_.Child(L"vup.tmp");
  ASSERT_TRUE(DownloadAndSaveVariations(
      Url("/seed?lb_header=X-Seed-Signature:c2ln&lb_header=Last-Modified:Tue,%2008%20Dec%202026%2003:00:00%20GMT&lb_header=X-Country:tr"),
      path, stop_));
  std::string text = Read(path);
  EXPECT_EQ(text, "{\"variations_seed_base64\":\"" + base::Base64Encode(seed) +
                      "\",\"variations_seed_signature\":\"c2ln\",\"variations_last_modified_time\":"
                      "\"Tue, 08 Dec 2026 03:00:00 GMT\",\"variations_country\":\"tr\"}");
  auto value = base::ParseJson(text);
  ASSERT_TRUE(value);
  EXPECT_EQ(base::Base64Decode((*value)["variations_seed_base64"].get<std::string>()), seed);

  // Without the signature nothing is written; missing optional headers are empty strings.
  std::wstring unsigned_path = scratch_.Child(L"unsigned.tmp");
  EXPECT_FALSE(DownloadAndSaveVariations(Url("/seed"), unsigned_path, stop_));
  EXPECT_FALSE(base::PathExists(unsigned_path));
  ASSERT_TRUE(Put("/empty", ""));
  ASSERT_TRUE(DownloadAndSaveVariations(Url("/empty?lb_header=X-Seed-Signature:s"), path, stop_));
  EXPECT_EQ(Read(path),
            "{\"variations_seed_base64\":\"\",\"variations_seed_signature\":\"s\","
            "\"variations_last_modified_time\":\"\",\"variations_country\":\"\"}");
}

// A failed close is a failed save: the text is small enough to stay in the stream's buffer
// until the close, and here the file's handle is gone by then, so the real fclose cannot write
// it (as on a full disk) and reports the failure. The setup is handed the path in any case: a
// failed save leaves nothing there, never a cut file.
TEST_F(TasksTest, FailedCloseIsAFailedSave) {
  const std::wstring path = scratch_.Child(L"vup.json");
  test::LogCapture log;
  VariationsResponse response;
  response.body = "seed";
  response.signature = "s";
  auto close_without_handle = [](FILE* file) {
    CloseHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
    return fclose(file);
  };
  EXPECT_FALSE(SaveVariations(path, response, close_without_handle));
  EXPECT_EQ(Heads(log.At("operator()")), std::vector<std::string>{"Failed to close FILE"});
  EXPECT_TRUE(log.At("SaveVariations").empty());  // the write itself went into the buffer
  EXPECT_TRUE(base::EnumerateFiles(scratch_.path(), L"*").empty());
  EXPECT_TRUE(SaveVariations(path, response));
  EXPECT_EQ(base::EnumerateFiles(scratch_.path(), L"*"), std::vector<std::wstring>{L"vup.json"});
}

// Bodies kept in memory have ceilings: an oversized seed or new-tab-page configuration fails its
// own task with a clear line, and the tasks after it still run.
TEST_F(TasksTest, OversizedBodiesFailOnlyTheirTask) {
  test::LogCapture log;
  const std::string seed_url = Url("/gen/" + std::to_string(kMaxSeedSize + 1) + "?lb_header=X-Seed-Signature:s");
  std::wstring path = scratch_.Child(L"vup.tmp");
  EXPECT_FALSE(DownloadAndSaveVariations(seed_url, path, stop_));
  EXPECT_FALSE(base::PathExists(path));
  EXPECT_FALSE(DownloadAndSaveVariations(seed_url + "&lb_no_content_length=1", path, stop_));
  EXPECT_FALSE(base::PathExists(path));
  const std::string seed_error =
      "Failed to download variations seed: body_too_large-" + std::to_string(kMaxSeedSize);
  EXPECT_EQ(Heads(log.At("DownloadAndSaveVariations")), std::vector<std::string>(2, seed_error));
  // The ceiling itself is allowed.
  ASSERT_TRUE(DownloadAndSaveVariations(
      Url("/gen/" + std::to_string(kMaxSeedSize) + "?lb_header=X-Seed-Signature:s"), path, stop_));
  auto saved = base::ParseJson(Read(path));
  ASSERT_TRUE(saved);
  EXPECT_EQ((*saved)["variations_seed_base64"].get<std::string>().size(), (kMaxSeedSize + 2) / 3 * 4);

  ASSERT_TRUE(Put("/big/update.json", std::string(kMaxWebNtpConfigSize + 1, ' ')));
  DownloadWebNtp(Url("/big"), scratch_.Child(L"ntp"), stop_);
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"ntp")));
  EXPECT_EQ(Heads(log.At(kWebNtpLogLocation)),
            std::vector<std::string>{"Failed to download web_ntp config: body_too_large-" +
                                     std::to_string(kMaxWebNtpConfigSize)});

  // In the task thread: the oversized variations seed fails, the ABT seed after it is saved.
  ASSERT_TRUE(Put("/abt/seed", "abt-seed"));
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/abt/", "headers": [["X-Seed-Signature", "sig"]]})"));
  std::map<std::string, std::string> params = {{"abtup", "1"}};
  TaskSettings settings;
  settings.param = [&](std::string_view key) -> std::optional<std::string> {
    auto it = params.find(std::string(key));
    return it == params.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  settings.variations_url = seed_url + "&lb_no_content_length=1&x=";
  settings.abt_url = Url("/abt/seed");
  AsyncInstallTasks tasks(settings);
  tasks.Begin();
  ASSERT_TRUE(tasks.WaitForCompletion(60000));
  EXPECT_FALSE(base::PathExists(tasks.vup_path()));
  EXPECT_NE(Read(tasks.abtup_path()).find("\"sig\""), std::string::npos);
}

TEST(WebNtpConfigTest, ValidationMessages) {
  auto error_of = [](std::string_view text) {
    std::string error;
    return ParseWebNtpConfig(text, &error) ? std::string("ok") : error;
  };
  EXPECT_EQ(error_of("{"), "Failed to parse webntp config");
  EXPECT_EQ(error_of("[1]"), "Bad format of webntp config, type=7");
  EXPECT_EQ(error_of(R"({"main_html": "i.html", "resources": ["a"]})"), "webntp version is empty");
  EXPECT_EQ(error_of(R"({"version": "1", "main_html": "", "resources": ["a"]})"), "webntp main_html is empty");
  EXPECT_EQ(error_of(R"({"version": "1", "main_html": "i.html", "resources": {}})"),
            "Failed to find webntp config resources");
  EXPECT_EQ(error_of(R"({"version": "1", "main_html": "i.html", "resources": ["a", 5]})"),
            "Non string type(=2) in webntp config resources");
  EXPECT_EQ(error_of(R"({"version": "1", "main_html": "i.html", "resources": []})"), "Empty webntp config resources");
  EXPECT_EQ(error_of(R"({"version": "1", "main_html": "i.html", "resources": ["../x.js"]})"),
            "Bad webntp resource path: ../x.js");
  EXPECT_EQ(error_of(R"({"version": "1", "main_html": "C:\\x.html", "resources": ["a"]})"),
            "Bad webntp resource path: C:\\x.html");
  EXPECT_EQ(error_of(std::string(201, '[') + std::string(201, ']')), "Failed to parse webntp config");

  std::string error;
  auto config = ParseWebNtpConfig(R"({"version": "1", "main_html": "html/i.html",
      "resources": [" a/b/c.js\r\n", "a/d.css", "top.png"]})", &error);
  ASSERT_TRUE(config) << error;
  EXPECT_EQ(config->resources[0], "a/b/c.js");
  EXPECT_EQ(WebNtpDirectories(*config), (std::vector<std::string>{"a", "a/b", "html"}));
}

TEST_F(TasksTest, WebNtpMirrorsTheBundleAndRetriesOnce) {
  ASSERT_TRUE(Put("/ntp/update.json", R"({"version": "7", "main_html": "index.html", "resources": ["a/b/c.js", "d.css"]})"));
  ASSERT_TRUE(Put("/ntp/index.html", "<html>"));
  ASSERT_TRUE(Put("/ntp/a/b/c.js", "js"));
  ASSERT_TRUE(Put("/ntp/d.css", "css"));
  // The first request for c.js fails; the retry round gets it.
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/ntp/a/b/c.js", "status": 500, "count": 1})"));
  std::optional<base::HistogramSnapshot> before = base::GetHistogram(kWebNtpHistogram);
  DownloadWebNtp(Url("/ntp"), scratch_.path(), stop_);
  std::wstring bundle = scratch_.Child(L"webntp");
  EXPECT_EQ(Read(base::AppendPath(bundle, L"a\\b\\c.js")), "js");
  EXPECT_EQ(Read(base::AppendPath(bundle, L"index.html")), "<html>");
  EXPECT_EQ(Read(base::AppendPath(bundle, L"update.json")).substr(0, 15), "{\"version\": \"7\"");
  EXPECT_EQ(Read(base::AppendPath(bundle, L"flag")), "");
  EXPECT_EQ(base::GetHistogram(kWebNtpHistogram)->samples, (before ? before->samples : 0) + 1);
}

TEST_F(TasksTest, WebNtpIncompleteBundleHasNoFlag) {
  test::LogCapture log;
  ASSERT_TRUE(Put("/bad/update.json", R"({"version": "7", "main_html": "index.html", "resources": [3]})"));
  DownloadWebNtp(Url("/bad"), scratch_.Child(L"one"), stop_);
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"one")));  // nothing written at all
  // Every line of the task carries the task's location.
  EXPECT_EQ(Heads(log.At("installer/lite_util/download_webntp")),
            std::vector<std::string>{"Non string type(=2) in webntp config resources"});

  ASSERT_TRUE(Put("/gone/update.json", R"({"version": "7", "main_html": "index.html", "resources": ["x.js"]})"));
  ASSERT_TRUE(Put("/gone/index.html", "<html>"));  // x.js is missing on the server
  DownloadWebNtp(Url("/gone"), scratch_.Child(L"two"), stop_);
  EXPECT_TRUE(base::PathExists(scratch_.Child(L"two\\webntp\\index.html")));
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"two\\webntp\\flag")));

  ASSERT_TRUE(Put("/stop/update.json", R"({"version": "7", "main_html": "index.html", "resources": ["x.js"]})"));
  ASSERT_TRUE(Put("/stop/index.html", "<html>"));
  // A slow resource, and a stop request while it is being transferred.
  ASSERT_TRUE(Put("/stop/x.js", test::GeneratedBytes(1 << 20)));
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/stop/x.js", "delay_body_ms": 300})"));
  std::thread stopper([&] {
    server_.WaitForRequests(prefix_ + "/stop/x.js", 1);
    SetEvent(stop_);
  });
  DownloadWebNtp(Url("/stop"), scratch_.Child(L"three"), stop_);
  stopper.join();
  EXPECT_TRUE(base::PathExists(scratch_.Child(L"three\\webntp\\index.html")));
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"three\\webntp\\x.js")));
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"three\\webntp\\flag")));
}

TEST(TaskUrlsTest, QueriesAndServerConfig) {
  TaskSettings settings;
  settings.brand_id = "tb";
  settings.user_id = "{U}";
  EXPECT_EQ(AppendVariationsQuery("http://v/seed", settings), "http://v/seed?brand=tb&uid={U}&version=" VORLEX_VERSION);
  EXPECT_EQ(AppendVariationsQuery("http://v/seed?x=1", settings), "http://v/seed?x=1&brand=tb&uid={U}&version=" VORLEX_VERSION);
  EXPECT_EQ(ServerConfigUrl("http://api", "", "123"), "http://api/configs/all_zip?partnerID=123");
  EXPECT_EQ(ServerConfigUrl("http://api", "tb", "123"), "http://api/configs/all_zip?brandID=tb&partnerID=123");
  EXPECT_EQ(ServerConfigUrl("http://api", "", ""), "http://api/configs/all_zip");
}

TEST_F(TasksTest, TaskTableAndPaths) {
  std::map<std::string, std::string> params;
  TaskSettings settings;
  settings.param = [&](std::string_view key) -> std::optional<std::string> {
    auto it = params.find(std::string(key));
    return it == params.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  settings.variations_url = Url("/missing-seed");
  {
    AsyncInstallTasks tasks(settings);  // no parameters: the variations task only
    EXPECT_FALSE(tasks.vup_path().empty());
    EXPECT_TRUE(tasks.abtup_path().empty() && tasks.webntp_path().empty() && tasks.scup_path().empty() &&
                tasks.pwexp_path().empty());
    // Never begun (the installation did not start): a stop ends the worker before its first task.
    tasks.Stop();
    EXPECT_TRUE(tasks.WaitForCompletion(60000));
  }
  EXPECT_TRUE(server_.Requests(prefix_ + "/missing-seed").empty());
  params = {{"vup", "true"}, {"pwexp", "/x.zip"}};
  {
    AsyncInstallTasks tasks(settings);  // "true" is not "1"; a wallpaper path without a URL runs nothing
    EXPECT_TRUE(tasks.vup_path().empty());
    EXPECT_FALSE(tasks.pwexp_path().empty());
    EXPECT_TRUE(tasks.WaitForCompletion(0));
  }
}

TEST_F(TasksTest, AllTasksWriteTheirOutputsAndDestructionCleansUp) {
  std::string seed = "variations-seed";
  ASSERT_TRUE(Put("/variations/seed", seed));
  ASSERT_TRUE(Put("/abt/seed", "abt-seed"));
  ASSERT_TRUE(Put("/ntp/update.json", R"({"version": "1", "main_html": "i.html", "resources": ["r.js"]})"));
  ASSERT_TRUE(Put("/ntp/i.html", "i"));
  ASSERT_TRUE(Put("/ntp/r.js", "r"));
  ASSERT_TRUE(Put("/api/configs/all_zip", "server-config"));
  ASSERT_TRUE(Put("/wall/pack.zip", "wallpapers"));
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/variations/", "headers": [["X-Seed-Signature", "sig"]]})"));
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/abt/", "headers": [["X-Seed-Signature", "sig2"]]})"));
  _putenv(("VORLEX_REPORT_URL=" + Url("/api")).c_str());
  std::map<std::string, std::string> params = {{"abtup", "1"}, {"webntp", "1"}, {"scup", "1"}, {"pwexp", "/pack.zip"}};
  TaskSettings settings;
  settings.param = [&](std::string_view key) -> std::optional<std::string> {
    auto it = params.find(std::string(key));
    return it == params.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  settings.variations_url = Url("/variations/seed");
  settings.abt_url = Url("/abt/seed");
  settings.webntp_url = Url("/ntp");
  settings.wallpapers_url = Url("/wall");
  settings.brand_id = "vorlex";
  std::wstring vup, scup, webntp, pwexp;
  {
    AsyncInstallTasks tasks(settings);
    tasks.Begin();
    ASSERT_TRUE(tasks.WaitForCompletion(60000));
    vup = tasks.vup_path();
    scup = tasks.scup_path();
    webntp = tasks.webntp_path();
    pwexp = tasks.pwexp_path();
    auto saved = base::ParseJson(Read(vup));
    ASSERT_TRUE(saved);
    EXPECT_EQ(base::Base64Decode((*saved)["variations_seed_base64"].get<std::string>()), seed);
    EXPECT_NE(Read(tasks.abtup_path()).find("\"sig2\""), std::string::npos);
    EXPECT_EQ(Read(scup), "server-config");
    EXPECT_EQ(Read(pwexp), "wallpapers");
    EXPECT_TRUE(base::PathExists(base::AppendPath(webntp, L"webntp\\flag")));
  }
  _putenv("VORLEX_REPORT_URL=");
  auto requests = server_.Requests(prefix_ + "/variations/seed");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].query, "brand=vorlex&version=" VORLEX_VERSION);
  // The seeds and the server configuration are removed with the tasks; the bundles stay.
  EXPECT_FALSE(base::PathExists(vup));
  EXPECT_FALSE(base::PathExists(scup));
  EXPECT_TRUE(base::PathExists(pwexp));
  (void)base::DeleteRecursive(webntp);
  (void)base::DeleteFilePath(pwexp);
}

// A transfer that would take minutes ends at the next block when the tasks are destroyed: the
// body is under the seed's ceiling and comes without a length, so only the stop can end it, and
// the task has ended (and said so) by the time destruction returns.
TEST_F(TasksTest, DestructionEndsATransferInProgress) {
  test::LogCapture log;
  TaskSettings settings;
  settings.variations_url = Url("/gen/" + std::to_string(kMaxSeedSize - 1) + "?lb_no_content_length=1&lb_delay_body_ms=2000&x=");
  std::wstring vup;
  {
    AsyncInstallTasks tasks(settings);
    tasks.Begin();
    vup = tasks.vup_path();
    ASSERT_EQ(server_.WaitForRequests(prefix_ + "/gen/", 1).size(), 1u);
  }
  EXPECT_EQ(Heads(log.At("DownloadAndSaveVariations")),
            std::vector<std::string>{"Failed to download variations seed: internet_read-995"});
  EXPECT_FALSE(base::PathExists(vup));
}

// Servers that take the request and never answer: every task ends by itself at the background
// time-outs (the thread finishes its list), and destruction in the middle of such a wait returns.
TEST_F(TasksTest, SilentServersEndAtTheTimeouts) {
  test::LogCapture log;
  ASSERT_TRUE(server_.AddRule(R"({"path": ")" + prefix_ + R"(/silent/", "delay_ms": 3600000})"));
  std::map<std::string, std::string> params = {{"abtup", "1"}, {"webntp", "1"}};
  TaskSettings settings;
  settings.param = [&](std::string_view key) -> std::optional<std::string> {
    auto it = params.find(std::string(key));
    return it == params.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  settings.variations_url = Url("/silent/seed");
  settings.abt_url = Url("/silent/abt");
  settings.webntp_url = Url("/silent/ntp");
  {
    AsyncInstallTasks tasks(settings);
    tasks.Begin();
    ASSERT_TRUE(tasks.WaitForCompletion(120000));
  }
  EXPECT_EQ(server_.Requests(prefix_ + "/silent/").size(), 3u);
  EXPECT_EQ(log.At("DownloadAndSaveVariations").size(), 2u);
  EXPECT_EQ(log.At(kWebNtpLogLocation).size(), 1u);

  std::wstring vup;
  {
    AsyncInstallTasks tasks(settings);
    tasks.Begin();
    vup = tasks.vup_path();
    ASSERT_EQ(server_.WaitForRequests(prefix_ + "/silent/", 4).size(), 4u);
  }
  EXPECT_FALSE(base::PathExists(vup));
}

}  // namespace
}  // namespace tasks
