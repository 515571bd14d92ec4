#include <gtest/gtest.h>

#include <windows.h>

#include <regex>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/registry.h"
#include "install/exit_codes.h"
#include "startup/secure_environment.h"
#include "support/test_util.h"

namespace startup {
namespace {

// Runs the installer with its temporary directory (and so its log) in a scratch folder.
class InstallerProcessTest : public ::testing::Test {
 protected:
  std::optional<DWORD> RunInstaller(const std::wstring& arguments) {
    return test::RunAndWait(L"\"" + test::InstallerPath() + L"\" " + arguments);
  }
  std::string Log() { return base::ReadFileToString(scratch_.Child(L"lite_installer.log")).value_or(""); }

  test::ScratchDir scratch_;
  test::ScopedTempDirectory temp_{scratch_.path()};
};

// The installer's manifest: common controls 6, the invoker's rights, and awareness of the system
// DPI only. The scale factor is read once at start; declared per-monitor aware, the windows would
// be sent WM_DPICHANGED on a monitor of another DPI and stay at their first size, where Windows
// stretches a system-aware window instead. (Wine reports every process per-monitor aware whatever
// its manifest says, so the declaration is read from the program here.)
TEST(InstallerManifest, SystemDpiAwareCommonControlsAsInvoker) {
  HMODULE installer = LoadLibraryExW(test::InstallerPath().c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(installer, nullptr);
  std::string manifest;
  if (HRSRC found = FindResourceW(installer, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(installer, found)));
    if (bytes) manifest.assign(bytes, SizeofResource(installer, found));
  }
  FreeLibrary(installer);
  ASSERT_FALSE(manifest.empty()) << "no manifest";
  const std::regex dpi_aware(R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">\s*true\s*</dpiAware>)");
  EXPECT_TRUE(std::regex_search(manifest, dpi_aware)) << manifest;
  EXPECT_EQ(manifest.find("dpiAwareness"), std::string::npos) << "a dpiAwareness element overrides dpiAware";
  EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"), std::string::npos);
  EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string::npos);
}

const char kLinePrefix[] = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \d+:\d+ )";

TEST_F(InstallerProcessTest, InterfaceProbeAnswersWithoutTakingTheMutex) {
  // Even while another installer holds the mutex, the probe answers.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\VorlexBrowserLiteInstallerMutex-E523E369-4A72-4B13-AD57-5B956174172A");
  std::optional<DWORD> code = RunInstaller(L"--check-the-interface");
  CloseHandle(mutex);
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 701u);  // Wine has none of the internal association interfaces
  std::string log = Log();
  EXPECT_TRUE(std::regex_search(log, std::regex(std::string("^") + kLinePrefix +
                                                "INFO: -------------------------------------- Start install\\. \\(wWinMain:\\d+\\)\r?\n")))
      << log;
  EXPECT_TRUE(std::regex_search(log, std::regex(std::string(kLinePrefix) +
                                                "INFO: Handled non install cmd line option by win10 default browser "
                                                "helper, ret code: 701 \\(wWinMain:\\d+\\)")))
      << log;
  EXPECT_EQ(log.find("Lite installer mode."), std::string::npos);
}

TEST_F(InstallerProcessTest, SecondInstanceExits600) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\VorlexBrowserLiteInstallerMutex-E523E369-4A72-4B13-AD57-5B956174172A");
  std::optional<DWORD> code = RunInstaller(L"--silent");
  CloseHandle(mutex);
  EXPECT_EQ(code, 600u);
  std::string log = Log();
  EXPECT_NE(log.find("INFO: Runned in secure environment."), std::string::npos) << log;
  EXPECT_NE(log.find("INFO: Another installer instance is already running."), std::string::npos) << log;
  EXPECT_TRUE(std::regex_search(log, std::regex("INFO: Master installer process id: \\d+ ")));
  EXPECT_EQ(log.find("Installer process id:"), std::string::npos);
}

// A window that cannot be created is a failure, not the user's choice. Wine's loader is told to
// refuse the common controls library to a copy of the installer under a name of its own (the
// setting is per program and is removed again): the dialog's progress control then has no class.
TEST_F(InstallerProcessTest, WindowThatCannotBeCreatedEndsWithTheCodeOfASetupNotStarted) {
  const std::wstring name = L"vorlex_no_comctl_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  const std::wstring copy = scratch_.Child(name);
  ASSERT_TRUE(base::CopyFileTo(test::InstallerPath(), copy));
  const std::wstring app_key = L"Software\\Wine\\AppDefaults\\" + name;
  {
    base::RegistryKey overrides =
        base::RegistryKey::Create(HKEY_CURRENT_USER, app_key + L"\\DllOverrides", KEY_SET_VALUE);
    ASSERT_TRUE(overrides.valid());
    ASSERT_EQ(overrides.WriteString(L"comctl32", L"disabled"), ERROR_SUCCESS);
  }
  std::optional<DWORD> code = test::RunAndWait(L"\"" + copy + L"\"");
  RegDeleteTreeW(HKEY_CURRENT_USER, app_key.c_str());
  EXPECT_EQ(code, static_cast<DWORD>(install::kExitNotFinished));
  std::string log = Log();
  EXPECT_TRUE(std::regex_search(
      log, std::regex("ERROR: Cannot create the main window(, error \\d+)?, library not loaded: comctl32\\.dll \\(wWinMain:")))
      << log;
  EXPECT_EQ(log.find("User cancelled installation."), std::string::npos) << log;
  EXPECT_NE(log.find("INFO: Installer exit with code: 400 "), std::string::npos) << log;
}

// The branch for systems without safe DLL search: refuse to run beside DLLs once relaunched or
// elevated; otherwise run a copy from a fresh temporary directory and return its exit code.
TEST_F(InstallerProcessTest, LegacySecureEnvironment) {
  std::wstring dir = scratch_.Child(L"download");
  ASSERT_TRUE(base::CreateDirectoryRecursive(dir));
  std::wstring exe = base::AppendPath(dir, L"lite_installer.exe");
  ASSERT_TRUE(base::CopyFileTo(test::InstallerPath(), exe));
  int code = 1;
  base::CommandLine elevated = base::CommandLine::FromString(L"x.exe --run-as-admin");
  EXPECT_EQ(LegacySecureEnvironmentCheck(elevated, exe, &code), kEnvironmentSecure);
  ASSERT_TRUE(base::WriteStringToFile(base::AppendPath(dir, L"version.dll"), "MZ"));
  EXPECT_EQ(LegacySecureEnvironmentCheck(elevated, exe, &code), kEnvironmentDllsBeside);
  base::CommandLine relaunched = base::CommandLine::FromString(L"x.exe --spawned_in_protected_dir");
  EXPECT_EQ(LegacySecureEnvironmentCheck(relaunched, exe, &code), kEnvironmentDllsBeside);

  // A plain start relaunches the copy (here as a probe, which answers 701 under Wine).
  base::CommandLine plain = base::CommandLine::FromString(L"\"" + exe + L"\" --check-the-interface");
  EXPECT_EQ(LegacySecureEnvironmentCheck(plain, exe, &code), kEnvironmentCopyRan);
  EXPECT_EQ(code, 701);
  // The copy ran from its own directory below the temporary directory, which is gone again.
  std::vector<std::wstring> left;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(scratch_.Child(L"*").c_str(), &data);
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.cFileName[0] != L'.') left.push_back(data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  EXPECT_EQ(left, std::vector<std::wstring>{L"download"});
  EXPECT_NE(Log().find("ret code: 701"), std::string::npos) << "the copy logs to the same place";
}

}  // namespace
}  // namespace startup
