// The built installer, signed and tagged by the distributor's tools, run silently: the
// distribution parameters reach the work directory, the registry and the interface language.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/process.h"
#include "base/registry.h"
#include "base/strings.h"
#include "support/test_util.h"

namespace {

constexpr wchar_t kProductKey[] = L"Software\\Vorlex\\VorlexBrowser";

struct RunResult {
  std::string distrib_info;
  std::string log;
  std::wstring stored_params;
};

// Runs the installer with its temporary directory pointed at a scratch directory.
RunResult RunInstaller(const std::wstring& exe, const std::wstring& arguments) {
  test::ScratchDir temp;
  std::wstring temp_dir = temp.path() + L"\\";
  std::optional<test::ScopedTempDirectory> temp_environment(temp.path());
  base::RegistryKey key = base::RegistryKey::Create(HKEY_CURRENT_USER, kProductKey, KEY_ALL_ACCESS | KEY_WOW64_64KEY);
  (void)key.DeleteValue(L"DistribInfoParams");

  // Start-up is what matters here: once the installation has begun its download (which has no
  // server to reach), the run is ended.
  base::Process installer = base::Process::Launch(L"\"" + exe + L"\" --silent " + arguments);
  EXPECT_TRUE(installer.valid());
  for (int i = 0; i < 600 && installer.valid(); ++i) {
    std::string log = base::ReadFileToString(temp_dir + L"lite_installer.log").value_or("");
    if (log.find("Try to download module:") != std::string::npos) break;
    if (installer.WaitForExit(50)) break;
  }
  installer.Terminate(1);
  static_cast<void>(installer.WaitForExit(10000));
  temp_environment.reset();

  RunResult run;
  run.distrib_info = base::ReadFileToString(temp_dir + L"distrib_info").value_or("<none>");
  run.log = base::ReadFileToString(temp_dir + L"lite_installer.log").value_or("");
  run.stored_params = key.ReadString(L"DistribInfoParams").value_or(L"<none>");
  (void)key.DeleteValue(L"DistribInfoParams");
  EXPECT_NE(run.log.find("Temporary path is: " + base::WideToUtf8(temp_dir)), std::string::npos);
  return run;
}

std::wstring Fixture(const wchar_t* name) {
  return base::AppendPath(base::AppendPath(test::BuildDir(), L"distrib_fixtures"), name);
}

const char kTag[] = "brand=tb&vup=0&lang=tr&first=1&def=1&stat=2";
const char kTagJson[] =
    "{\n  \"brand\": \"tb\",\n  \"def\": \"1\",\n  \"first\": \"1\",\n  \"lang\": \"tr\",\n  \"stat\": \"2\",\n"
    "  \"vup\": \"0\"\n}";

TEST(InstallerRunTest, TagPlacementsAndSwitchOverride) {
  for (const wchar_t* name : {L"cert_tagged.exe", L"trailer_tagged.exe"}) {
    RunResult run = RunInstaller(Fixture(name), L"");
    EXPECT_EQ(run.distrib_info, kTagJson) << name;
    EXPECT_EQ(run.stored_params, base::AsciiToWide(kTag));
    EXPECT_NE(run.log.find("Default language: tr"), std::string::npos);
    EXPECT_NE(run.log.find("Extract Brand package: "), std::string::npos);
  }

  RunResult overridden = RunInstaller(Fixture(L"cert_tagged.exe"), L"--distr-info-params=lang=uk&clid=7");
  EXPECT_EQ(overridden.distrib_info, "{\n  \"clid\": \"7\",\n  \"lang\": \"uk\"\n}");
  EXPECT_EQ(overridden.stored_params, L"lang=uk&clid=7");
  EXPECT_NE(overridden.log.find("Default language: uk"), std::string::npos);

  // Untagged: no parameters anywhere; the named brand package decides the language.
  RunResult plain = RunInstaller(Fixture(L"signed.exe"), L"--brand-name=tb");
  EXPECT_EQ(plain.distrib_info, "<none>");
  EXPECT_EQ(plain.stored_params, L"<none>");
  EXPECT_NE(plain.log.find("Fetching definedTB package"), std::string::npos);
  EXPECT_NE(plain.log.find("Brand id: tb"), std::string::npos);
  EXPECT_NE(plain.log.find("Default language: tr"), std::string::npos);
}

}  // namespace
