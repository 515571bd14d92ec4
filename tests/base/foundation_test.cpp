#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/clock.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/json.h"
#include "base/os_version.h"
#include "base/process.h"
#include "base/random.h"
#include "base/registry.h"
#include "base/strings.h"
#include "support/test_util.h"

namespace base {
namespace {

TEST(StringsTest, Utf8RoundTripAndMalformedInput) {
  std::wstring text = L"a\x00e9\x4e2d\xd83d\xde00z";  // 1-, 2-, 3- and 4-byte forms
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

TEST(RandomTest, RangeAndGuids) {
  std::set<uint64_t> seen;
  for (int i = 0; i < 200; ++i) {
    uint64_t value = RandomInRange(10, 13);
    EXPECT_GE(value, 10u);
    EXPECT_LE(value, 13u);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 4u);
  std::wstring guid = GenerateGuid();
  ASSERT_EQ(guid.size(), 38u);
  EXPECT_EQ(guid[0], L'{');
  EXPECT_EQ(guid[15], L'4');  // version nibble
  EXPECT_NE(guid, GenerateGuid());
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
  EXPECT_GE(GetWindowsVersion(), kVersionWin7);  // Wine's default prefix reports Windows 7 or later
}

TEST(FileUtilTest, DirectoriesFilesAndEnumeration) {
  test::ScratchDir scratch;
  ASSERT_FALSE(scratch.path().empty());
  std::wstring nested = AppendPath(scratch.path(), L"a\\b\\c");
  ASSERT_TRUE(CreateDirectoryRecursive(nested));
  ASSERT_TRUE(WriteStringToFile(AppendPath(nested, L"one.dll"), "12345"));
  ASSERT_TRUE(WriteStringToFile(AppendPath(nested, L"two.txt"), ""));
  ASSERT_TRUE(CreateDirectoryRecursive(AppendPath(nested, L"dir.dll")));
  EXPECT_EQ(EnumerateFiles(nested, L"*.dll"), std::vector<std::wstring>{L"one.dll"});
  EXPECT_EQ(GetFileSize(AppendPath(nested, L"one.dll")), 5u);
  EXPECT_EQ(ReadFileToString(AppendPath(nested, L"one.dll")), "12345");
  std::wstring temp_file = CreateTemporaryFileIn(nested, L"tmp");
  EXPECT_TRUE(PathExists(temp_file));
  EXPECT_TRUE(DeleteRecursive(AppendPath(scratch.path(), L"a")));
  EXPECT_FALSE(PathExists(nested));
  EXPECT_EQ(GetTempDir().back(), L'\\');
}

TEST(ProcessTest, ExitCodeAndTimeout) {
  Process quick = Process::Launch(L"cmd.exe /c exit 7");
  ASSERT_TRUE(quick.valid());
  EXPECT_EQ(quick.WaitForExit(30000), 7u);
  EXPECT_FALSE(Process::Launch(L"Z:\\no\\such\\program.exe").valid());
}

TEST(RegistryTest, ValuesUnderScratchKey) {
  const std::wstring kPath = L"Software\\VorlexTest\\" + GenerateGuid();
  {
    RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS);
    ASSERT_TRUE(key.valid());
    EXPECT_EQ(key.WriteString(L"s", L"value"), ERROR_SUCCESS);
    EXPECT_EQ(key.WriteDword(L"d", 42), ERROR_SUCCESS);
    EXPECT_EQ(key.ReadString(L"s"), L"value");
    EXPECT_EQ(key.ReadDword(L"d"), 42u);
    LONG error = 0;
    EXPECT_FALSE(key.ReadString(L"d", &error));
    EXPECT_EQ(error, ERROR_INVALID_DATATYPE);
    EXPECT_EQ(key.DeleteValue(L"s"), ERROR_SUCCESS);
    EXPECT_FALSE(key.HasValue(L"s"));
  }
  EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, kPath), ERROR_SUCCESS);
  EXPECT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, kPath, KEY_READ).valid());
}

TEST(ClockTest, WallAndMonotonic) {
  uint64_t wall = WallClockMicros();
  EXPECT_GT(wall, 13'000'000'000ull * 1'000'000);  // after 2012 in the 1601 epoch
  uint64_t first = MonotonicMicros();
  Sleep(20);
  EXPECT_GE(MonotonicMicros() - first, 10'000u);
}

}  // namespace
}  // namespace base
