#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/file_util.h"
#include "base/json.h"
#include "distrib/distrib_params.h"
#include "distrib_test_util.h"
#include "support/scratch_current_user.h"

namespace distrib {
namespace {

TEST(DistribParamsTest, ParsingEdgeCases) {
  EXPECT_EQ(ParseDistribParams("a=1&b&c="), (ParamMap{{"a", "1"}, {"b", ""}, {"c", ""}}));
  EXPECT_EQ(ParseDistribParams("vup=0&vup=1"), (ParamMap{{"vup", "1"}}));
  EXPECT_EQ(ParseDistribParams(""), ParamMap{});
  // Empty keys are kept as keys, values keep "=" and are not URL-decoded.
  EXPECT_EQ(ParseDistribParams("=x&&k=a=b%20c&"), (ParamMap{{"", ""}, {"k", "a=b%20c"}}));
  EXPECT_EQ(ParseDistribParams("&"), (ParamMap{{"", ""}}));
  EXPECT_EQ(DistribParamsToJson(ParseDistribParams("z=1&a=2")), "{\n  \"a\": \"2\",\n  \"z\": \"1\"\n}");
}

TEST(DistribParamsTest, FlagsFirstRunAndUac) {
  DistribParams params("def=1&stat=2&omrixshortcut=3&cancel=1");
  EXPECT_EQ(params.GetFlag("def"), std::optional<bool>(true));
  EXPECT_EQ(params.GetFlag("stat"), std::optional<bool>(false));
  EXPECT_EQ(params.GetFlag("omrixshortcut"), std::optional<bool>());
  EXPECT_EQ(params.GetFlag("absent"), std::optional<bool>());
  EXPECT_TRUE(params.Cancel());

  // "stat" of "0" is no flag value: "statpromo" decides.
  EXPECT_EQ(DistribParams("stat=0&statpromo=true").GetStatFlag(), std::optional<bool>(true));
  EXPECT_EQ(DistribParams("statpromo=yes").GetStatFlag(), std::optional<bool>(false));
  EXPECT_EQ(DistribParams("stat=0").GetStatFlag(), std::optional<bool>());

  EXPECT_TRUE(DistribParams("first=1&def=2&statpromo=false").IsFirstRun());
  EXPECT_FALSE(DistribParams("first=1&def=0&stat=1").IsFirstRun());
  EXPECT_FALSE(DistribParams("first=2&def=1&stat=1").IsFirstRun());

  EXPECT_EQ(DistribParams("uac=02").UacMode(false), 2);
  EXPECT_EQ(DistribParams("uac=2").UacMode(true), 0);  // "system-level" / program files
  EXPECT_EQ(DistribParams("uac=1x").UacMode(false), 1);
  EXPECT_EQ(DistribParams("uac=0").UacMode(false), 0);
  EXPECT_EQ(DistribParams("uac=0&first=1&def=1&stat=1").UacMode(false), 1);
  EXPECT_EQ(DistribParams("uac=-2").UacMode(false), 0);
  EXPECT_EQ(DistribParams("uac=abc").UacMode(false), 0);
  EXPECT_EQ(DistribParams("uac=4294967298").UacMode(false), 0);  // would wrap to 2 in 32 bits
  EXPECT_EQ(DistribParams("").UacMode(false), 0);
  EXPECT_EQ(DistribParams("uac=1").UacMode(base::CommandLine::FromString(L"x.exe --program-files-installation")), 0);
  EXPECT_EQ(DistribParams("uac=1").UacMode(base::CommandLine::FromString(L"x.exe --silent")), 1);

  EXPECT_TRUE(DistribParams("").TaskEnabled("vup"));
  EXPECT_FALSE(DistribParams("vup=0").TaskEnabled("vup"));
  EXPECT_FALSE(DistribParams("").TaskEnabled("abtup"));
  EXPECT_TRUE(DistribParams("abtup=1").TaskEnabled("abtup"));
}

struct LoadResult {
  bool has_json;
  std::string text;
  std::string json;
  bool stored;
  std::wstring stored_text;
};

LoadResult Load(const std::wstring& command_line, const std::string& certificate_tag, const std::string& trailer_tag) {
  test::ScratchCurrentUser registry;
  test::ScratchDir dir;
  TagSource tags{[&](const std::wstring&) { return certificate_tag; },
                 [&](const std::wstring&) { return trailer_tag; }};
  DistribParams params;
  LoadResult result;
  result.has_json = params.CreateJsonFromDistribParams(base::CommandLine::FromString(command_line), L"x.exe",
                                                       dir.path() + L"\\", tags);
  result.text = params.text();
  if (result.has_json) {
    EXPECT_EQ(params.json_path(), dir.path() + L"\\distrib_info");
  }
  result.json = base::ReadFileToString(dir.path() + L"\\distrib_info").value_or("<none>");
  result.stored = registry.Read(L"DistribInfoParams", &result.stored_text);
  return result;
}

TEST(DistribParamsTest, SourcesJsonFileAndRegistry) {
  LoadResult from_switch = Load(L"x.exe --distr-info-params=lang=ru&clid=5", "lang=tr", "lang=uk");
  EXPECT_TRUE(from_switch.has_json);
  EXPECT_EQ(from_switch.text, "lang=ru&clid=5");
  EXPECT_EQ(from_switch.json, "{\n  \"clid\": \"5\",\n  \"lang\": \"ru\"\n}");
  EXPECT_TRUE(from_switch.stored);
  EXPECT_EQ(from_switch.stored_text, L"lang=ru&clid=5");

  EXPECT_EQ(Load(L"x.exe", "lang=tr", "lang=uk").text, "lang=tr");
  EXPECT_EQ(Load(L"x.exe", "", "lang=uk").text, "lang=uk");

  // A value that is not UTF-8 cannot be dumped: no file, but the text is still handed over.
  LoadResult not_utf8 = Load(L"x.exe", "lang=\xff", "");
  EXPECT_TRUE(not_utf8.has_json);
  EXPECT_EQ(not_utf8.json, "<none>");
  EXPECT_TRUE(not_utf8.stored);

  LoadResult none = Load(L"x.exe", "", "");
  EXPECT_FALSE(none.has_json);
  EXPECT_EQ(none.json, "<none>");
  EXPECT_FALSE(none.stored);
}

TEST(DistribParamsTest, NoTemporaryPathWritesNothing) {
  test::ScratchCurrentUser registry;
  test::ScratchDir dir;
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(dir.path().c_str());
  DistribParams params;
  TagSource tags{[](const std::wstring&) { return std::string("a=1"); }, nullptr};
  EXPECT_TRUE(params.CreateJsonFromDistribParams(base::CommandLine::FromString(L"x.exe"), L"x.exe", L"", tags));
  EXPECT_EQ(params.json_path(), L"distrib_info");
  params.SetSideFilePathsFrom(base::CommandLine::FromString(L"x.exe"), L"");
  EXPECT_FALSE(params.PrepareSideFiles([](int) { return std::string("data"); }));
  SetCurrentDirectoryW(previous);
  EXPECT_TRUE(base::EnumerateFiles(dir.path(), L"*").empty());
}

TEST(DistribParamsTest, SideFilesFromResourcesAndSwitches) {
  test::ScratchCurrentUser registry;
  test::ScratchDir dir;
  std::wstring given = dir.Child(L"given.xml");
  ASSERT_TRUE(base::WriteStringToFile(given, "mine"));
  DistribParams params;
  params.SetSideFilePathsFrom(base::CommandLine::FromString(L"x.exe --clids-file=\"" + given + L"\""),
                              dir.path() + L"\\");
  auto load = [](int id) { return distrib_test::InstallerResource(MAKEINTRESOURCEW(id)); };
  EXPECT_TRUE(params.PrepareSideFiles(load));

  EXPECT_EQ(params.side_file_path(1), given);
  EXPECT_EQ(base::ReadFileToString(given), "mine");  // switch-given files are not touched
  std::string preferences = *base::ReadFileToString(dir.Child(L"master_preferences"));
  EXPECT_EQ(preferences, load(305));
  EXPECT_TRUE(base::ParseJson(preferences).has_value());
  std::string searchband = *base::ReadFileToString(dir.Child(L"clids_searchband.xml"));
  EXPECT_EQ(searchband.rfind("<?xml version=\"1.0\" encoding=\"windows-1251\"?>", 0), 0u);
  EXPECT_NE(searchband.find("<vendor name=\"\""), std::string::npos);
  EXPECT_EQ(base::ReadFileToString(dir.Child(L"website.ico")), "");  // 323 is not carried

  params.StoreSideFileHandoff();
  std::wstring value;
  ASSERT_TRUE(registry.Read(L"ClidsFile", &value));
  EXPECT_EQ(value, given);
  ASSERT_TRUE(registry.Read(L"VorlexWebsiteIconFile", &value));
  EXPECT_EQ(value, dir.path() + L"\\website.ico");
  params.RemoveHandoff();
  EXPECT_FALSE(registry.Read(L"InstallerData", &value));

  // An unwritable work directory leaves the paths set and reports the failure.
  DistribParams unwritable;
  unwritable.SetSideFilePathsFrom(base::CommandLine::FromString(L"x.exe"), dir.Child(L"missing\\"));
  EXPECT_FALSE(unwritable.PrepareSideFiles(load));
  EXPECT_EQ(unwritable.side_file_path(0), dir.Child(L"missing\\master_preferences"));
}

}  // namespace
}  // namespace distrib
