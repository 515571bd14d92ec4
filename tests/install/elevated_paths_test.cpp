#include "install/elevated_paths.h"

#include <gtest/gtest.h>

namespace install {
namespace {

TEST(ElevatedPathsTest, OnlyPlainDrivePathsAreAbsoluteAndLocal) {
  EXPECT_TRUE(IsAbsoluteLocalPath(L"C:\\Users\\u\\AppData\\Local\\Temp\\vb1A.tmp"));
  EXPECT_TRUE(IsAbsoluteLocalPath(L"z:\\x"));
  for (const wchar_t* refused : {L"vb1A.tmp", L"Temp\\vb1A.tmp", L"\\Temp\\vb1A.tmp", L"C:vb1A.tmp", L"C:\\",
                                 L"\\\\server\\share\\vb1A.tmp", L"\\\\?\\C:\\Temp\\vb1A.tmp", L"\\\\.\\C:\\x.tmp",
                                 L"C:\\Temp\\..\\Windows\\x.exe", L"C:\\Temp\\.\\x.tmp", L"C:\\Temp\\\\x.tmp",
                                 L"C:\\Temp\\", L"C:\\Temp\\x.tmp:stream", L"C:/Temp/x.tmp", L"1:\\x.tmp", L""})
    EXPECT_FALSE(IsAbsoluteLocalPath(refused)) << refused;
}

TEST(ElevatedPathsTest, ProgramNamesNeedAnExtension) {
  EXPECT_TRUE(HasFileExtension(L"C:\\Temp\\vb1A.tmp"));
  EXPECT_TRUE(HasFileExtension(L"C:\\dir.d\\setup.exe"));
  EXPECT_FALSE(HasFileExtension(L"C:\\Temp\\setup"));
  EXPECT_FALSE(HasFileExtension(L"C:\\dir.d\\setup"));  // the dot belongs to the folder
  EXPECT_FALSE(HasFileExtension(L"C:\\Temp\\setup."));
  EXPECT_FALSE(HasFileExtension(L"C:\\Temp\\.tmp"));
}

TEST(ElevatedPathsTest, FinalPathsAndTheWorkFolder) {
  EXPECT_EQ(LocalFromFinalPath(L"\\\\?\\C:\\Users\\u\\Temp\\vb1.tmp"), L"C:\\Users\\u\\Temp\\vb1.tmp");
  EXPECT_EQ(LocalFromFinalPath(L"\\\\?\\UNC\\server\\share\\vb1.tmp"), L"");
  EXPECT_EQ(LocalFromFinalPath(L"\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\vb1.tmp"), L"");
  EXPECT_EQ(LocalFromFinalPath(L"C:\\Users\\vb1.tmp"), L"");

  const wchar_t kWork[] = L"C:\\Users\\u\\AppData\\Local\\Temp";
  EXPECT_TRUE(IsInsideDirectory(L"C:\\Users\\u\\AppData\\Local\\Temp\\vb1.tmp", kWork));
  EXPECT_TRUE(IsInsideDirectory(L"C:\\Users\\u\\AppData\\Local\\Temp\\sub\\vb1.tmp", L"C:\\Users\\u\\AppData\\Local\\Temp\\"));
  EXPECT_TRUE(IsInsideDirectory(L"c:\\users\\U\\appdata\\local\\TEMP\\vb1.tmp", kWork));
  EXPECT_FALSE(IsInsideDirectory(L"C:\\Users\\u\\AppData\\Local\\Temp2\\vb1.tmp", kWork));  // a sibling
  EXPECT_FALSE(IsInsideDirectory(L"C:\\Users\\u\\AppData\\Local\\Temp", kWork));
  EXPECT_FALSE(IsInsideDirectory(L"C:\\Users\\u\\AppData\\Local\\Temp\\", kWork));
  EXPECT_FALSE(IsInsideDirectory(L"C:\\Users\\u\\Downloads\\vb1.tmp", kWork));
  EXPECT_FALSE(IsInsideDirectory(L"C:\\Users\\u\\AppData\\Local\\Temp\\vb1.tmp", L""));
}

}  // namespace
}  // namespace install
