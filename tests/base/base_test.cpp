#include <gtest/gtest.h>

#include <string>

#include "base/base64.h"
#include "base/command_line.h"
#include "base/file_path.h"
#include "base/json.h"
#include "base/os_version.h"
#include "base/strings.h"

namespace base {
namespace {

TEST(StringsTest, Utf8RoundTripAndMalformedInput) {
  // 1-, 2-, 3- and 4-byte forms; the last is a surrogate pair where wchar_t has 16 bits.
  std::wstring emoji = sizeof(wchar_t) == 2 ? std::wstring(L"\xd83d\xde00") : std::wstring(1, wchar_t(0x1F600));
  std::wstring text = L"a\x00e9\x4e2d" + emoji + L"z";
  EXPECT_EQ(WideToUtf8(text), "a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80z");
  EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
  EXPECT_EQ(WideToUtf8(L"\xd800x"), "\xef\xbf\xbdx");   // unpaired surrogate
  EXPECT_EQ(Utf8ToWide("\xc0\xafx"), L"\xfffd\xfffdx");  // overlong form
  EXPECT_EQ(Utf8ToWide("\xe4\xb8"), L"\xfffd");          // truncated sequence
}

TEST(StringsTest, DecimalParsing) {
  EXPECT_EQ(ParseUint64("18446744073709551615"), 18446744073709551615ull);
  EXPECT_FALSE(ParseUint64("18446744073709551616"));
  EXPECT_FALSE(ParseUint64(""));
  EXPECT_FALSE(ParseUint64("12a"));
  EXPECT_FALSE(ParseUint64(" 1"));
  EXPECT_EQ(ParseInt64(L"-9223372036854775808"), INT64_MIN);
  EXPECT_FALSE(ParseInt64("-"));
  EXPECT_FALSE(ParseUint32(L"4294967296"));
}

TEST(FilePathTest, Components) {
  EXPECT_EQ(DirName(L"C:\\a\\b.exe"), L"C:\\a");
  EXPECT_EQ(DirName(L"C:\\b.exe"), L"C:\\");
  EXPECT_EQ(DirName(L"C:\\t\\\\lite_installer.log"), L"C:\\t");
  EXPECT_EQ(BaseName(L"C:\\a\\b.exe"), L"b.exe");
  EXPECT_EQ(AppendPath(L"C:\\a\\", L"b"), L"C:\\a\\b");
  EXPECT_EQ(InsertBeforeExtension(L"C:\\t\\lite_installer.log", L"_old"), L"C:\\t\\lite_installer_old.log");
  EXPECT_EQ(InsertBeforeExtension(L"C:\\t.d\\log", L"_old"), L"C:\\t.d\\log_old");
}

TEST(JsonTest, CommentsAndDepthLimit) {
  auto value = ParseJson("// signature line\n{\"a\": /* note */ [1, 2.5, \"x\", true, null]}");
  ASSERT_TRUE(value);
  EXPECT_EQ((*value)["a"][2], "x");
  EXPECT_EQ(WriteJson(*value), "{\"a\":[1,2.5,\"x\",true,null]}");

  auto nested = [](int levels) { return std::string(levels, '[') + std::string(levels, ']'); };
  std::string error;
  EXPECT_TRUE(ParseJson(nested(2048), kJsonMaxDepth, &error)) << error;
  EXPECT_FALSE(ParseJson(nested(2049), kJsonMaxDepth, &error));
  EXPECT_EQ(error, "maximum parsing depth reached");
  EXPECT_TRUE(ParseJson(nested(200), 200));
  EXPECT_FALSE(ParseJson(nested(201), 200));
  EXPECT_FALSE(ParseJson("{\"a\":", kJsonMaxDepth, &error));
}

TEST(OsVersionTest, Scale) {
  EXPECT_EQ(VersionFromNumbers(5, 1, 2600), kVersionXp);
  EXPECT_EQ(VersionFromNumbers(5, 2, 3790), kVersionServer2003);
  EXPECT_EQ(VersionFromNumbers(6, 0, 6002), kVersionVista);
  EXPECT_EQ(VersionFromNumbers(6, 1, 7601), kVersionWin7);
  EXPECT_EQ(VersionFromNumbers(6, 3, 9600), kVersionWin8_1);
  EXPECT_EQ(VersionFromNumbers(10, 0, 10240), kVersionWin10);
  EXPECT_EQ(VersionFromNumbers(10, 0, 10586), kVersionWin10 + 1);
  EXPECT_GT(VersionFromNumbers(10, 0, 19045), VersionFromNumbers(10, 0, 17763));
}

TEST(CommandLineTest, PrefixesValuesAndSemiSilent) {
  CommandLine line = CommandLine::FromString(
      L"\"C:\\dir\\lite installer.exe\" /silent -brand-name=auto --distr-info-params=a=1&b=2 plain --empty= "
      L"\"--quoted=with space\"");
  EXPECT_EQ(line.GetProgram(), L"C:\\dir\\lite installer.exe");
  EXPECT_TRUE(line.HasSwitch("silent"));
  EXPECT_EQ(line.GetSwitchValue("brand-name"), L"auto");
  EXPECT_EQ(line.GetSwitchValue("distr-info-params"), L"a=1&b=2");  // only the first "=" separates
  EXPECT_TRUE(line.HasSwitch("empty"));
  EXPECT_EQ(line.GetSwitchValue("empty"), L"");
  EXPECT_EQ(line.GetSwitchValue("quoted"), L"with space");
  EXPECT_FALSE(line.HasSwitch("plain"));
  EXPECT_EQ(line.switches().size(), 5u);

  CommandLine semi = CommandLine::FromString(L"x.exe --semi-silent");
  EXPECT_TRUE(semi.HasSwitch("silent"));
  EXPECT_TRUE(semi.HasSwitch("uac-enabled"));
}

TEST(CommandLineTest, EditingKeepsOrderAndUniqueNames) {
  CommandLine line = CommandLine::FromString(L"x.exe --a=1 --b --c=3");
  line.AppendSwitch("a", L"9");
  line.RemoveSwitch("b");
  line.SetSwitch("d", true);
  line.SetSwitch("c", false);
  line.SetProgram(L"y.exe");
  EXPECT_EQ(line.Render(), L"\"y.exe\" --a=9 --d");
  EXPECT_EQ(line.RenderArguments(), L"--a=9 --d");
}

TEST(Base64Test, RoundTripAndStrictDecoding) {
  std::string bytes;
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes) << i;
    bytes += char(0xF0 + i);
  }
  EXPECT_EQ(Base64Encode(std::string("\x7a\x11\x00\x88", 4)), "ehEAiA==");
  EXPECT_FALSE(Base64Decode("ehEAiA="));     // length not a multiple of four
  EXPECT_FALSE(Base64Decode("eh=AiA=="));    // padding inside
  EXPECT_FALSE(Base64Decode("ehEAiA==ehEA")); // padding before the end
  EXPECT_FALSE(Base64Decode("ehE AiA="));    // blank
  EXPECT_FALSE(Base64Decode("ehEAiB=="));    // bits left over after the last byte
  EXPECT_EQ(Base64Decode(""), std::string());
}

}  // namespace
}  // namespace base
