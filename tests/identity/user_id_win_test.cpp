// The persistent user id: file, creation marker, and the cases where either is unusable. The
// real user's id is never touched: HKEY_CURRENT_USER is redirected to a scratch key and the
// application data folder is a scratch directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/registry.h"
#include "base/strings.h"
#include "identity/user_id.h"
#include "support/log_capture.h"
#include "support/scratch_current_user.h"
#include "support/test_util.h"

namespace identity {
namespace {

std::wstring UserName() {
  wchar_t name[257];
  DWORD size = 257;
  EXPECT_TRUE(GetUserNameW(name, &size));
  return std::wstring(name, size - 1);
}

class UserIdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_data_ = [this](bool, std::wstring* folder) {
      *folder = scratch_.path();
      return true;
    };
    id_file_ = scratch_.Child(L"Vorlex\\ui");
    marker_ = L"UICreated_" + UserName();
  }
  void SetMarker(const wchar_t* key) {
    base::RegistryKey marker = base::RegistryKey::Create(HKEY_CURRENT_USER, key, KEY_SET_VALUE);
    ASSERT_TRUE(marker.valid());
    ASSERT_EQ(marker.WriteDword(marker_, 1), ERROR_SUCCESS);
  }

  test::ScratchCurrentUser hkcu_;
  test::ScratchDir scratch_;
  AppDataFolderFn app_data_;
  std::wstring id_file_;
  std::wstring marker_;
};

TEST_F(UserIdTest, CreatedOnceThenReadBack) {
  test::LogCapture log;
  std::string id = GetUserIdInternal(app_data_);
  ASSERT_EQ(id.size(), 38u);
  EXPECT_EQ(id.front(), '{');
  EXPECT_EQ(id.back(), '}');
  EXPECT_EQ(base::ReadFileToString(id_file_), id);  // no line end
  // Wine reports Windows 7: the marker lives under AppDataLow.
  base::RegistryKey marker = base::RegistryKey::Open(HKEY_CURRENT_USER, L"Software\\AppDataLow\\Vorlex", KEY_READ);
  ASSERT_TRUE(marker.valid());
  EXPECT_EQ(marker.ReadDword(marker_), 1u);
  EXPECT_TRUE(log.Contains("ERROR ReadUserIdFromFile: Failed to read file " + base::WideToUtf8(id_file_)));

  EXPECT_EQ(GetUserIdInternal(app_data_), id);
  EXPECT_EQ(GetUserIdFilePath(false, app_data_), id_file_);
}

TEST_F(UserIdTest, DeletedFileIsNotReplacedOnceHandedOut) {
  ASSERT_FALSE(GetUserIdInternal(app_data_).empty());
  ASSERT_TRUE(base::DeleteFilePath(id_file_));
  test::LogCapture log;
  EXPECT_EQ(GetUserIdInternal(app_data_), "");
  EXPECT_FALSE(base::PathExists(id_file_));
  EXPECT_TRUE(log.Contains("INFO GetUserIdInternal: Registry entry already exists, skip User ID file generation"));

  // The marker of older systems counts as well.
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\AppDataLow"), ERROR_SUCCESS);
  SetMarker(L"Software\\Vorlex");
  EXPECT_EQ(GetUserIdInternal(app_data_), "");
  EXPECT_FALSE(base::PathExists(id_file_));
}

TEST_F(UserIdTest, UnusableFileContent) {
  ASSERT_TRUE(base::CreateDirectoryRecursive(scratch_.Child(L"Vorlex")));
  const std::string longest(64, 'x');
  ASSERT_TRUE(base::WriteStringToFile(id_file_, longest));
  EXPECT_EQ(GetUserIdInternal(app_data_), longest);  // not checked for GUID form

  for (const std::string& content : {std::string(65, 'x'), std::string()}) {
    ASSERT_TRUE(base::WriteStringToFile(id_file_, content));
    test::LogCapture log;
    std::string id = GetUserIdInternal(app_data_);  // no marker yet: a fresh id replaces it
    EXPECT_EQ(id.size(), 38u);
    EXPECT_EQ(base::ReadFileToString(id_file_), id);
    EXPECT_TRUE(log.Contains("ERROR ReadUserIdFromFile: Incorrect User ID file content"));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\AppDataLow");
  }

  SetMarker(L"Software\\AppDataLow\\Vorlex");
  ASSERT_TRUE(base::WriteStringToFile(id_file_, std::string(65, 'y')));
  EXPECT_EQ(GetUserIdInternal(app_data_), "");
}

TEST_F(UserIdTest, NoAppDataFolderYieldsNoIdAndNoMarker) {
  test::LogCapture log;
  AppDataFolderFn unavailable = [](bool, std::wstring*) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  };
  EXPECT_EQ(GetUserIdInternal(unavailable), "");
  EXPECT_TRUE(log.ContainsPrefix("ERROR GetUserIdFilePath: Can't get path to AppData folder - 3"));
  EXPECT_TRUE(log.Contains("ERROR GenerateAndStoreUserId: Can't write file "));
  EXPECT_FALSE(base::RegistryKey::Open(HKEY_CURRENT_USER, L"Software\\AppDataLow\\Vorlex", KEY_READ).HasValue(marker_));

  // A folder that cannot be created (a file is in the way).
  ASSERT_TRUE(base::WriteStringToFile(scratch_.Child(L"Vorlex"), "file"));
  EXPECT_EQ(GetUserIdFilePath(true, app_data_), L"");
  EXPECT_TRUE(log.ContainsPrefix("ERROR GetUserIdFilePath: Can't create directory: " +
                                 base::WideToUtf8(scratch_.Child(L"Vorlex")) + " - "));
}

}  // namespace
}  // namespace identity
