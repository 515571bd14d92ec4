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

TEST(OsVersionTest, RunningSystem) {
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
  // Wine's interrupt time moves in coarse steps: wait for the next one (a clock stuck for five
  // seconds fails); only the direction is certain.
  uint64_t next = first;
  for (int i = 0; i < 5000 && next == first; ++i) {
    Sleep(1);
    next = MonotonicMicros();
  }
  EXPECT_GT(next, first);
}

}  // namespace
}  // namespace base
