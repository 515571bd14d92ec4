#include "logging/file_logger.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/process.h"
#include "base/unique_handle.h"
#include "support/test_util.h"

namespace logging {
namespace {

std::vector<std::string> Lines(const std::wstring& path) {
  std::vector<std::string> lines;
  std::istringstream in(base::ReadFileToString(path).value_or(""));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class FileLoggerTest : public ::testing::Test {
 protected:
  void TearDown() override { InstallSink(nullptr); }
  std::wstring Install(uint32_t max_size = kDefaultLogSizeLimit) {
    std::wstring path = scratch_.Child(L"lite_installer.log");
    InstallSink(std::make_unique<FileLogger>(path, max_size));
    return path;
  }
  test::ScratchDir scratch_;
};

TEST(LogFormatTest, PrefixAndSuffix) {
  Record record;
  // 2026-12-07 11:52:03.017 UTC in microseconds since 1601.
  SYSTEMTIME t = {2026, 12, 1, 7, 11, 52, 3, 17};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&t, &ft));
  record.time_us = ((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10 + 999;
  record.process_id = 52;
  record.thread_id = 96;
  record.location = "wWinMain";
  record.line = 157;
  EXPECT_EQ(FormatRecordPrefix(record), "2026-12-07 11:52:03.017 52:96 ");
  EXPECT_EQ(FormatRecordSuffix(record), " (wWinMain:157)");
  std::string long_name(195, 'x');
  record.location = long_name.c_str();
  EXPECT_EQ(FormatRecordSuffix(record), "");  // too long: the record is dropped
}

TEST_F(FileLoggerTest, LinesSeveritiesAndErrorText) {
  std::wstring path = Install();
  LOG(INFO) << "Module downloaded: " << L"C:\\t\\setup.exe";
  LOG(ERROR) << "bad";
  LOG(WARNING) << "careful";
  SetLastError(ERROR_FILE_NOT_FOUND);
  PLOG(ERROR) << "Failed to open";
  SetLastError(ERROR_ACCESS_DENIED);
  PLOG(ERROR);
  std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 7u);  // the system texts end in CR LF, which adds lines
  std::regex info(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \d+:\d+ INFO: Module downloaded: C:\\t\\setup\.exe \(TestBody:\d+\))");
  EXPECT_TRUE(std::regex_match(lines[0], info)) << lines[0];
  EXPECT_NE(lines[1].find(" ERROR: bad (TestBody:"), std::string::npos);
  EXPECT_NE(lines[2].find(" WARNING: careful (TestBody:"), std::string::npos);
  EXPECT_NE(lines[3].find(" ERROR: Failed to open - 2, "), std::string::npos) << lines[3];
  EXPECT_NE(lines[5].find(" ERROR: 5, "), std::string::npos) << lines[5];  // no " - " without a message
}

TEST(SystemErrorTextTest, Fallbacks) {
  EXPECT_EQ(SystemErrorText(0x2fffffff), "805306367, unknown error 0x2fffffff\n");
  std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(text.rfind("2, ", 0), 0u);
  EXPECT_GT(text.size(), 8u);
}

TEST_F(FileLoggerTest, RotatesToOneOldGeneration) {
  std::wstring path = Install(300);
  std::wstring old_path = scratch_.Child(L"lite_installer_old.log");
  ASSERT_TRUE(base::WriteStringToFile(old_path, "stale generation\n"));
  for (int i = 0; i < 8; ++i) LOG(INFO) << "record " << i << " padding padding padding";
  std::vector<std::string> current = Lines(path);
  std::vector<std::string> old = Lines(old_path);
  ASSERT_FALSE(current.empty());
  ASSERT_FALSE(old.empty());
  EXPECT_NE(current.back().find("record 7 "), std::string::npos);
  EXPECT_EQ(old.back().find("record " + std::to_string(7 - current.size()) + " "),
            old.back().find("record "));  // the old file ends right before the current one starts
  EXPECT_EQ(old[0].find("stale"), std::string::npos);
  EXPECT_LT(*base::GetFileSize(path), 300u + 120u);
}

TEST_F(FileLoggerTest, FailedRotationIsReportedOnceAndTheFileGrows) {
  std::wstring path = Install(100);
  // A non-empty directory in place of the old generation makes the move fail.
  ASSERT_TRUE(base::CreateDirectoryRecursive(scratch_.Child(L"lite_installer_old.log\\x")));
  for (int i = 0; i < 4; ++i) LOG(INFO) << "record " << i << " padding padding padding padding";
  std::vector<std::string> lines = Lines(path);
  int failures = 0;
  for (const std::string& line : lines)
    if (line.find("LOGGING: Failed to rotate log file ") != std::string::npos) ++failures;
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(lines.size(), 5u);
}

// Every process that shares the log must arrive at the same name: the MD5 of the path's UTF-8 form.
TEST(FileLoggerMutexTest, NameIsTheMd5OfTheUtf8Path) {
  EXPECT_EQ(FileLogger::MutexName(L"C:\\Temp\\\\lite_installer.log"), L"Kastel log 49b7926386005c33240a021d51751775");
  const wchar_t* user = L"\u041f\u043e\u043b\u044c\u0437\u043e\u0432\u0430\u0442\u0435\u043b\u044c";
  EXPECT_EQ(FileLogger::MutexName(std::wstring(L"C:\\") + user + L"\\lite_installer.log"),
            L"Kastel log 076002e2ad90ef95b6ef8fcff7f7ae38");
}

// The user's process and its elevated copy share the log's mutex, whichever creates it. The user's
// process runs with a limited token (Administrators for deny only). On Windows a mutex created
// without a descriptor takes its creator's default DACL, which for an elevated token is
// Administrators and SYSTEM only; Wine gives such objects no DACL at all, so what it can show is
// that the limited token is refused by that DACL and opens the log's own mutex.
TEST(FileLoggerMutexTest, OpensForTheUsersLimitedToken) {
  const std::wstring name = L"Kastel log test " + std::to_wstring(GetCurrentProcessId());
  base::ScopedHandle created = FileLogger::CreateLogMutex(name);
  ASSERT_TRUE(created);
  PSECURITY_DESCRIPTOR elevated_default = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1,
                                                                   &elevated_default, nullptr));
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), elevated_default, FALSE};
  base::ScopedHandle defaulted(CreateMutexW(&attributes, FALSE, (name + L" default").c_str()));
  ASSERT_TRUE(defaulted);

  HANDLE process_token = nullptr, limited = nullptr, impersonation = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process_token));
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(administrators);
  ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size));
  SID_AND_ATTRIBUTES disable = {administrators, 0};
  ASSERT_TRUE(CreateRestrictedToken(process_token, 0, 1, &disable, 0, nullptr, 0, nullptr, &limited));
  ASSERT_TRUE(DuplicateTokenEx(limited, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenImpersonation,
                               &impersonation));
  ASSERT_TRUE(SetThreadToken(nullptr, impersonation));
  base::ScopedHandle opened = FileLogger::CreateLogMutex(name);
  const DWORD wait = opened ? WaitForSingleObject(opened.get(), 0) : WAIT_FAILED;
  if (wait == WAIT_OBJECT_0) ReleaseMutex(opened.get());
  HANDLE refused = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, (name + L" default").c_str());
  const DWORD refused_error = GetLastError();
  RevertToSelf();
  EXPECT_EQ(wait, static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(refused_error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  if (refused) CloseHandle(refused);
  for (HANDLE handle : {process_token, limited, impersonation}) CloseHandle(handle);
  LocalFree(elevated_default);
}

TEST_F(FileLoggerTest, LockTimeoutAndAbandonedMutex) {
  std::wstring path = Install();
  std::wstring name = FileLogger::MutexName(path);
  EXPECT_EQ(name.size(), std::wstring(L"Kastel log ").size() + 32);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
    SetEvent(held);
    WaitForSingleObject(release, INFINITE);
    CloseHandle(mutex);  // ends without ReleaseMutex: the next waiter finds it abandoned
  });
  WaitForSingleObject(held, INFINITE);
  // Keeps the mutex object alive after the holder's handle is gone.
  HANDLE keep = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
  LOG(INFO) << "first while locked";
  LOG(INFO) << "second while locked";
  SetEvent(release);
  holder.join();
  LOG(INFO) << "after the holder died";
  LOG(INFO) << "normal";
  CloseHandle(keep);
  CloseHandle(release);
  CloseHandle(held);
  std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_NE(lines[0].find("LOGGING: Failed to lock log file "), std::string::npos);
  EXPECT_NE(lines[1].find("first while locked"), std::string::npos);
  EXPECT_NE(lines[2].find("second while locked"), std::string::npos);
  EXPECT_NE(lines[3].find("LOGGING: Abandoned log mutex recovered for file "), std::string::npos);
  EXPECT_NE(lines[4].find("after the holder died"), std::string::npos);
}

// A writer that cannot get the lock still writes its record but does not rotate: the holder of the
// lock may be rotating at that moment, and two rotations in a row would move the fresh file over
// the old generation and lose it.
TEST_F(FileLoggerTest, RotatesOnlyUnderTheLock) {
  std::wstring path = Install(1000);
  const std::wstring old_path = base::InsertBeforeExtension(path, L"_old");
  const std::string full(2000, 'x');
  ASSERT_TRUE(base::WriteStringToFile(path, full + "\n"));
  base::ScopedHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  base::ScopedHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread holder([&] {
    base::ScopedHandle mutex = FileLogger::CreateLogMutex(FileLogger::MutexName(path));
    WaitForSingleObject(mutex.get(), INFINITE);
    SetEvent(held.get());
    WaitForSingleObject(release.get(), INFINITE);
    ReleaseMutex(mutex.get());
  });
  WaitForSingleObject(held.get(), INFINITE);
  LOG(INFO) << "while another writer holds the lock";
  SetEvent(release.get());
  holder.join();
  EXPECT_FALSE(base::PathExists(old_path));
  std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], full);
  EXPECT_NE(lines[1].find("LOGGING: Failed to lock log file "), std::string::npos);
  EXPECT_NE(lines[2].find("while another writer holds the lock"), std::string::npos);

  LOG(INFO) << "with the lock";
  EXPECT_EQ(Lines(old_path).size(), 3u);
  ASSERT_EQ(Lines(path).size(), 1u);
  EXPECT_NE(Lines(path)[0].find("with the lock"), std::string::npos);
}

TEST_F(FileLoggerTest, UnwritablePathDropsRecordsQuietly) {
  ASSERT_TRUE(base::WriteStringToFile(scratch_.Child(L"file"), "x"));
  InstallSink(std::make_unique<FileLogger>(scratch_.Child(L"file\\sub\\lite_installer.log"), 1000));
  SetLastError(1234);
  LOG(INFO) << "nowhere to go";
  EXPECT_EQ(GetLastError(), 1234u);  // logging leaves the caller's error untouched
  EXPECT_FALSE(base::PathExists(scratch_.Child(L"file\\sub")));
}

// Two processes share one log with a small threshold: every line is whole, and what the two
// generations hold is, for each writer, an unbroken run of its records ending with the last.
TEST_F(FileLoggerTest, TwoProcessesShareAndRotate) {
  std::wstring path = scratch_.Child(L"shared.log");
  const int kCount = 5000;
  std::wstring writer = base::AppendPath(test::BuildDir(), L"log_writer.exe");
  // Both writers wait for one gate so that their records interleave.
  base::ScopedHandle gate(CreateEventW(nullptr, TRUE, FALSE, L"log_writer_gate"));
  std::vector<base::Process> processes;
  std::vector<base::ScopedHandle> ready;
  for (const wchar_t* tag : {L"A", L"B"}) {
    ready.emplace_back(CreateEventW(nullptr, TRUE, FALSE, (std::wstring(L"log_writer_ready_") + tag).c_str()));
    processes.push_back(base::Process::Launch(L"\"" + writer + L"\" \"" + path + L"\" 65536 " +
                                              std::to_wstring(kCount) + L" " + tag));
    ASSERT_TRUE(processes.back().valid());
  }
  for (auto& event : ready) ASSERT_EQ(WaitForSingleObject(event.get(), 300000), WAIT_OBJECT_0);
  SetEvent(gate.get());
  for (auto& process : processes) ASSERT_EQ(process.WaitForExit(300000), 0u);

  std::vector<std::string> lines = Lines(base::InsertBeforeExtension(path, L"_old"));
  std::vector<std::string> current = Lines(path);
  lines.insert(lines.end(), current.begin(), current.end());
  std::regex record(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \d+:\d+ INFO: writer ([AB]) record (\d+) end \(wmain:\d+\))");
  std::map<std::string, std::vector<int>> seen;
  for (const std::string& line : lines) {
    std::smatch match;
    if (line.find("LOGGING: Failed to lock") != std::string::npos) continue;
    ASSERT_TRUE(std::regex_match(line, match, record)) << line;
    seen[match[1]].push_back(std::stoi(match[2]));
  }
  ASSERT_EQ(seen.size(), 2u);
  for (auto& [tag, numbers] : seen) {
    ASSERT_EQ(numbers.back(), kCount - 1) << tag;
    for (size_t i = 1; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], numbers[i - 1] + 1) << tag;
  }
  EXPECT_LT(*base::GetFileSize(path), 65536u);
}

}  // namespace
}  // namespace logging
