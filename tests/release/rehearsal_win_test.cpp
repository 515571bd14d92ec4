// The release rehearsal (fixture release_rehearsal: scripts/release with a made-up distribution
// key set, building with loopback endpoints): what the release command wrote is checked with the
// installer's own Win32 readers, and a tagged copy installs the stand-in setup signed with that
// key set against the loopback distribution server.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/json.h"
#include "base/strings.h"
#include "distrib/installer_tag.h"
#include "install/stat_events.h"
#include "support/distribution_test.h"
#include "support/loopback.h"
#include "support/test_util.h"
#include "trust/trust_verifier.h"

#include <set>

namespace {

std::wstring RehearsalDir() { return base::AppendPath(test::BuildDir(), L"release_rehearsal\\out"); }

std::optional<base::Json> Manifest() {
  return base::ParseJson(base::ReadFileToString(base::AppendPath(RehearsalDir(), L"manifest.json")).value_or(""));
}

std::string StatField(const std::string& path, const std::string& key) {
  size_t at = path.find("-" + key + "=");
  if (at == std::string::npos) return "(absent)";
  size_t start = at + key.size() + 2;
  return path.substr(start, path.find_first_of(",/", start) - start);
}

// Every file of the manifest: its size, its signature (WinVerifyTrust, signer pinned to the
// rehearsal key set's list) and its tag as the installer reads its own.
TEST(ReleaseRehearsalTest, ManifestMatchesWhatTheInstallerReads) {
  std::optional<base::Json> manifest = Manifest();
  ASSERT_TRUE(manifest && manifest->is_object());
  EXPECT_EQ((*manifest)["rehearsal"], true);
  const base::Json& files = (*manifest)["files"];
  ASSERT_TRUE(files.is_array());
  ASSERT_EQ(files.size(), 3u);  // the untagged installer and one copy per partner line

  std::optional<std::string> list = base::ReadFileToString(
      base::AppendPath(test::BuildDir(), L"rehearsal_pki\\list\\TRUSTED.JSON"));
  ASSERT_TRUE(list);
  trust::TrustVerifier rehearsal_signer(*list);
  ASSERT_EQ(rehearsal_signer.ids().size(), 1u);

  std::set<std::string> placements;
  for (const base::Json& entry : files) {
    std::wstring path = base::AppendPath(RehearsalDir(), base::Utf8ToWide(entry["file"].get<std::string>()));
    SCOPED_TRACE(entry.dump());
    std::optional<std::string> bytes = base::ReadFileToString(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), entry["size"].get<size_t>());
    EXPECT_LE(bytes->size(), 1u << 20);
    EXPECT_TRUE(rehearsal_signer.VerifyModule(path, true));

    std::string certificate_tag = distrib::ExtractTagFromFakeCertificate(path);
    std::string trailer_tag = distrib::ReadTrailerTag(path);
    const std::string tag = entry["tag"].get<std::string>();
    if (entry["placement"].is_null()) {
      EXPECT_TRUE(tag.empty());
      EXPECT_TRUE(certificate_tag.empty());
      EXPECT_TRUE(trailer_tag.empty());
      continue;
    }
    const std::string placement = entry["placement"].get<std::string>();
    placements.insert(placement);
    EXPECT_EQ(placement == "certificate" ? certificate_tag : trailer_tag, tag);
    if (placement == "trailer") {
      EXPECT_TRUE(certificate_tag.empty());
    }
  }
  EXPECT_EQ(placements, (std::set<std::string>{"certificate", "trailer"}));
}

class ReleaseRehearsalInstallTest : public test::DistributionTest {
 protected:
  std::optional<DWORD> RunCopy(const std::wstring& file, const std::wstring& arguments) {
    return Run(base::AppendPath(RehearsalDir(), file), arguments);
  }
};

// The partner copy "acme" carries "banerid=rehearsal42&distr_vorlexuid=777&lang=en&vup=0" in its
// certificate tag: the setup gets the parameters in its "distrib_info" file, the statistics carry
// the banner and distribution ids.
TEST_F(ReleaseRehearsalInstallTest, TaggedCopyInstallsWithItsParameters) {
  ASSERT_TRUE(ServeSetup(L"stand_in_setup_rehearsal_signed.exe"));
  Env("VORLEX_STAND_IN_EXIT_CODE", "7");  // the installer's exit code then shows that the setup ran
  std::optional<DWORD> code = RunCopy(L"lite_installer_acme.exe", L"--silent");
  ASSERT_EQ(code, 7u) << Log();

  auto record = base::ParseJson(base::ReadFileToString(record_).value_or(""));
  ASSERT_TRUE(record) << Log();
  base::CommandLine setup =
      base::CommandLine::FromString(base::Utf8ToWide((*record)["command_line"].get<std::string>()));
  std::wstring info_path = setup.GetSwitchValue("distr-info-file");
  ASSERT_FALSE(info_path.empty()) << (*record)["command_line"];
  auto info = base::ParseJson(base::ReadFileToString(info_path).value_or(""));
  ASSERT_TRUE(info) << Log();
  EXPECT_EQ(info->dump(), base::ParseJson(R"({"banerid": "rehearsal42", "distr_vorlexuid": "777", "lang": "en", "vup": "0"})")->dump());

  auto events = server_.WaitForRequests(prefix_ + "/installstats/", 6);
  ASSERT_FALSE(events.empty());
  for (const test::CapturedRequest& event : events) {
    EXPECT_EQ(StatField(event.path, "banner_id"), "rehearsal42") << event.path;
    EXPECT_EQ(StatField(event.path, "distr_vorlex_uid"), "777") << event.path;
  }
  EXPECT_EQ(install_test::StatEvents(events).back(), "setup/setup_exe_exited!7");
}

// The rehearsal build carries the rehearsal key set only: a setup whose list is signed with the
// test keys of loopback builds is never run.
TEST_F(ReleaseRehearsalInstallTest, SetupOfTheTestKeysIsRefused) {
  ASSERT_TRUE(ServeSetup(L"stand_in_setup_signed.exe"));
  EXPECT_EQ(RunCopy(L"lite_installer_acme.exe", L"--silent"), 402u);
  EXPECT_FALSE(base::PathExists(record_));
  EXPECT_NE(Log().find("ERROR: Module verification failed: "), std::string::npos);
}

}  // namespace
