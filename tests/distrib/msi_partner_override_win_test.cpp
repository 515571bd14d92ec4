// The MSI partner override on real files, CryptoAPI and process memory under Wine, with the
// appendices of tools/append_partner_package.py (see make_fixtures.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/strings.h"
#include "distrib/msi_override_key.h"
#include "distrib/msi_partner_override_win.h"
#include "logging/log.h"
#include "support/log_capture.h"
#include "support/test_util.h"

namespace distrib {
namespace {

constexpr wchar_t kGuid[] = L"{6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}";
constexpr wchar_t kMissingDir[] = L"C:\\vorlex_missing_dir";
constexpr char kExtract[] = "ExtractPartnerPackageOverridePackage";

std::wstring Fixture(const std::wstring& name) {
  return base::AppendPath(base::AppendPath(test::BuildDir(), L"distrib_msi_fixtures"), name);
}

std::string ReadAll(const std::wstring& path) {
  // The override's own handle is open for writing: share it.
  base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  std::string data;
  char buffer[65536];
  DWORD read = 0;
  while (file && ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read) data.append(buffer, read);
  return data;
}

// Keeps a read-only view of a file mapped, as msiexec keeps its database.
class MappedFile {
 public:
  explicit MappedFile(const std::wstring& path)
      : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)),
        mapping_(CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr)),
        view_(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0)) {}
  ~MappedFile() {
    if (view_) UnmapViewOfFile(view_);
  }
  bool valid() const { return view_ != nullptr; }

 private:
  base::ScopedFile file_;
  base::ScopedHandle mapping_;
  void* view_;
};

// The parent is this test process; the network logon answers as told.
class TestSystem : public MsiOverrideSystem {
 public:
  DWORD ParentProcessId() override { return GetCurrentProcessId(); }
  DWORD ConnectInteractive(const std::wstring& directory) override {
    connected.push_back(directory);
    return connect_result ? *connect_result : MsiOverrideSystem::ConnectInteractive(directory);
  }
  bool WriteBlock(HANDLE file, const uint8_t* data, DWORD size, DWORD* written) override {
    if (!short_write) return MsiOverrideSystem::WriteBlock(file, data, size, written);
    return MsiOverrideSystem::WriteBlock(file, data, size / 2, written);
  }
  std::optional<DWORD> connect_result;
  std::vector<std::wstring> connected;
  bool short_write = false;
};

class MsiOverrideTest : public testing::Test {
 protected:
  void SetUp() override {
    // Output files go to a temporary directory of our own.
    wchar_t old_tmp[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TMP", old_tmp, MAX_PATH)) old_tmp_ = old_tmp;
    out_dir_ = scratch_.Child(L"out");
    ASSERT_TRUE(base::CreateDirectoryRecursive(out_dir_));
    SetEnvironmentVariableW(L"TMP", out_dir_.c_str());
    package_ = base::ReadFileToString(Fixture(L"package.bin")).value_or("");
    ASSERT_EQ(package_.size(), 70001u) << "fixtures missing: run through ctest";
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TMP", old_tmp_.empty() ? nullptr : old_tmp_.c_str());
  }
  std::optional<PartnerPackageOverride> Extract(const std::wstring& path, const std::wstring& guid = kGuid) {
    log_.Clear();
    return ExtractOverride(path, guid, PartnerOverridePublicKey(), system_);
  }
  bool Logged(const std::string& location, const std::string& message, int severity = logging::LOG_INFO) const {
    for (const test::LogLine& line : log_.lines()) {
      if (line.location == location && line.message == message && line.severity == severity) return true;
    }
    return false;
  }
  std::vector<test::LogLine> Lines() const { return log_.lines(); }
  test::LogLine Last() const { return log_.lines().back(); }
  size_t FilesLeft() const { return base::EnumerateFiles(out_dir_, L"*").size(); }

  test::ScratchDir scratch_;
  std::wstring out_dir_, old_tmp_;
  std::string package_;
  test::LogCapture log_;
  TestSystem system_;
};

TEST_F(MsiOverrideTest, GoodAppendixGivesTheExactPackageInAVbTemporaryFile) {
  base::CommandLine line = base::CommandLine::FromArgv(
      {L"setup.exe", L"--msi-database=" + Fixture(L"good.msi"), std::wstring(L"--partner-package-guid=") + kGuid});
  std::optional<PartnerPackageOverride> result = ExtractOverrideFromCommandLine(line);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->file.valid());
  EXPECT_TRUE(base::EqualsCaseInsensitiveAscii(base::DirName(result->path), base::DirName(out_dir_ + L"\\x")));
  EXPECT_TRUE(base::StartsWith(base::BaseName(result->path), L"vb"));
  EXPECT_EQ(ReadAll(result->path), package_);
  for (const test::LogLine& line : log_.lines()) EXPECT_NE(line.severity, logging::LOG_ERROR) << line.message;
}

TEST_F(MsiOverrideTest, EachBadAppendixGivesNoOverrideAndItsLine) {
  const struct {
    const wchar_t* fixture;
    const char* message;
  } cases[] = {
      {L"tail_mismatch.msi", "Tail GUID from msi does not match specified guid marker"},
      {L"start_mismatch.msi", "Appendix start GUID from msi does not match specified guid marker"},
      {L"start_past_end.msi", "Failed to read starting guid marker"},
      {L"start_negative.msi", "Failed to move file pointer to target pos for package reading."},
      {L"start_at_tail.msi", "Failed to read zip size"},
      {L"zero_package.msi", "Failed to read zip size"},
      {L"package_past_end.msi", "Failed to read zip data"},
      {L"zero_signature.msi", "Failed to read signature size"},
      {L"signature_past_end.msi", "Failed to read signature data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(base::WideToUtf8(c.fixture));
    EXPECT_FALSE(Extract(Fixture(c.fixture)));
    ASSERT_FALSE(Lines().empty());
    EXPECT_EQ(Last().location, kExtract);
    EXPECT_EQ(Last().message, c.message);
    EXPECT_EQ(Last().severity, logging::LOG_INFO);
  }
  // A signature over other bytes: the CryptoAPI refusal, then the override's error line.
  EXPECT_FALSE(Extract(Fixture(L"other_bytes.msi")));
  ASSERT_GE(Lines().size(), 2u);
  EXPECT_EQ(Lines()[Lines().size() - 2].location, "VerifySignature");
  EXPECT_TRUE(base::StartsWith(base::Utf8ToWide(Lines()[Lines().size() - 2].message), L"Failed to verify signature, error:  - "));
  EXPECT_EQ(Last().location, kExtract);
  EXPECT_EQ(Last().severity, logging::LOG_ERROR);
  EXPECT_TRUE(base::StartsWith(base::Utf8ToWide(Last().message), L"Zip verification failed:  - "));
  // A key that did not sign the package fails the same way.
  log_.Clear();
  std::vector<uint8_t> other_key(PartnerOverridePublicKey().begin(), PartnerOverridePublicKey().end());
  other_key[100] ^= 0x10;  // inside the modulus
  EXPECT_FALSE(ExtractOverride(Fixture(L"good.msi"), kGuid, other_key, system_));
  EXPECT_TRUE(base::StartsWith(base::Utf8ToWide(Last().message), L"Zip verification failed:"));
  EXPECT_EQ(FilesLeft(), 0u);
}

TEST_F(MsiOverrideTest, ArgumentsAndUnreadableFiles) {
  EXPECT_FALSE(Extract(L""));
  EXPECT_TRUE(Logged("ValidateMSIDatabasePath", "msi-database not specified: assuming no override for brand package."));
  std::wstring missing = scratch_.Child(L"none.msi");
  EXPECT_FALSE(Extract(missing));
  EXPECT_EQ(Last().location, "ValidateMSIDatabasePath");
  EXPECT_EQ(Last().severity, logging::LOG_ERROR);
  EXPECT_TRUE(base::StartsWith(base::Utf8ToWide(Last().message),
                               L"MSI file " + missing + L"does not exist: assuming no override for brand package. - 2"));
  EXPECT_TRUE(system_.connected.empty());  // a missing file is not a reason to log on

  EXPECT_FALSE(Extract(Fixture(L"good.msi"), L""));
  EXPECT_TRUE(Logged("GetPartnerPackageOverrideGUIDMarker",
                     "partner-package-guid not specified: assuming no override for brand package."));
  for (const wchar_t* bad : {L"6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9", L"{6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F}"}) {
    EXPECT_FALSE(Extract(Fixture(L"good.msi"), bad));
    EXPECT_TRUE(Logged("GetPartnerPackageOverrideGUIDMarker",
                       "Failed to decode guid string: assuming no override for brand package."));
  }

  // Held open without read sharing by someone else.
  std::wstring locked = scratch_.Child(L"locked.msi");
  ASSERT_TRUE(base::CopyFileTo(Fixture(L"good.msi"), locked));
  {
    base::ScopedFile holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(Extract(locked));
    EXPECT_TRUE(Logged(kExtract, "Failed to open msi file for reading"));
  }
  // Shorter than the trailer.
  std::wstring tiny = scratch_.Child(L"tiny.msi");
  ASSERT_TRUE(base::WriteStringToFile(tiny, "0123456789"));
  EXPECT_FALSE(Extract(tiny));
  EXPECT_TRUE(Logged(kExtract, "Failed to move file pointer for guid reading."));
  // Something that opens but has no size: a pipe.
  base::ScopedHandle pipe(CreateNamedPipeW(L"\\\\.\\pipe\\vorlex_msi_override_test", PIPE_ACCESS_DUPLEX, 0, 2, 512,
                                           512, 0, nullptr));
  ASSERT_TRUE(pipe);
  log_.Clear();
  EXPECT_FALSE(ExtractPartnerPackageOverridePackage(L"\\\\.\\pipe\\vorlex_msi_override_test", *ParseRegistryGuid(kGuid),
                                                    PartnerOverridePublicKey(), system_));
  EXPECT_TRUE(Logged(kExtract, "Failed to get source file size for extracted package validation."));
  EXPECT_EQ(FilesLeft(), 0u);
}

TEST_F(MsiOverrideTest, OutputFileFailuresLeaveNothingBehind) {
  system_.short_write = true;
  std::optional<PartnerPackageOverride> result = Extract(Fixture(L"good.msi"));
  EXPECT_FALSE(result);
  ASSERT_FALSE(Lines().empty());
  EXPECT_EQ(Last().location, kExtract);
  EXPECT_TRUE(base::StartsWith(base::Utf8ToWide(Last().message), L"Failed to write file data to output file " + out_dir_));
  EXPECT_EQ(FilesLeft(), 0u);

  system_.short_write = false;
  SetEnvironmentVariableW(L"TMP", scratch_.Child(L"no_such_dir").c_str());
  EXPECT_FALSE(Extract(Fixture(L"good.msi")));
  EXPECT_TRUE(Logged(kExtract, "Failed to open target file for reading "));
}

TEST_F(MsiOverrideTest, ParentsMappedMsiIsFoundOnce) {
  EXPECT_EQ(FindMsiDatabaseLocalCopy(0), L"");
  EXPECT_TRUE(base::StartsWith(base::Utf8ToWide(Last().message), L"Failed to open parent process id=0 - "));

  log_.Clear();
  EXPECT_EQ(FindMsiDatabaseLocalCopy(GetCurrentProcessId()), L"");
  EXPECT_TRUE(Logged("FindMsiDatabaseLocalCopy", "Unexpected count of local mapped msi = 0", logging::LOG_ERROR));

  std::wstring first = scratch_.Child(L"first.msi");
  std::wstring second = scratch_.Child(L"second.MSI");
  ASSERT_TRUE(base::CopyFileTo(Fixture(L"good.msi"), first));
  ASSERT_TRUE(base::CopyFileTo(Fixture(L"base.msi"), second));
  MappedFile view1(first), view2(first);  // two views of one file count once
  ASSERT_TRUE(view1.valid() && view2.valid());
  EXPECT_TRUE(base::EqualsCaseInsensitiveAscii(FindMsiDatabaseLocalCopy(GetCurrentProcessId()), first));
  {
    MappedFile other(second);
    ASSERT_TRUE(other.valid());
    log_.Clear();
    EXPECT_EQ(FindMsiDatabaseLocalCopy(GetCurrentProcessId()), L"");
    ASSERT_EQ(Lines().size(), 3u);
    EXPECT_EQ(Lines()[0].message, "Unexpected count of local mapped msi = 2");
    // Each candidate is named, as the system spells it.
    std::vector<std::wstring> names = {base::BaseName(base::Utf8ToWide(Lines()[1].message)),
                                       base::BaseName(base::Utf8ToWide(Lines()[2].message))};
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
      return base::ToLowerAscii(a) < base::ToLowerAscii(b);
    });
    EXPECT_TRUE(base::EqualsCaseInsensitiveAscii(names[0], L"first.msi")) << Lines()[1].message;
    EXPECT_TRUE(base::EqualsCaseInsensitiveAscii(names[1], L"second.msi")) << Lines()[2].message;
  }

  // An unreachable path (as a mapped network drive is for an elevated copy) is read through the
  // parent's mapping.
  std::optional<PartnerPackageOverride> result = Extract(std::wstring(kMissingDir) + L"\\first.msi");
  ASSERT_TRUE(result);
  EXPECT_EQ(ReadAll(result->path), package_);
  EXPECT_TRUE(system_.connected.empty());
}

TEST_F(MsiOverrideTest, WithoutALocalCopyTheInstallerLogsOnInteractively) {
  std::wstring path = std::wstring(kMissingDir) + L"\\partner.msi";
  // Wine has no network provider: the real call fails.
  EXPECT_FALSE(Extract(path));
  ASSERT_FALSE(Lines().empty());
  EXPECT_EQ(Last().location, "ConnectInteractiveToFileIfLogonFailure");
  EXPECT_TRUE(base::StartsWith(base::Utf8ToWide(Last().message), L"Failed WNetAddConnection2 with error="));
  EXPECT_NE(Last().message.find(" during connection to C:\\vorlex_missing_dir - "), std::string::npos);

  // A successful logon keeps the given path, which is then read (and here still missing).
  system_.connect_result = NO_ERROR;
  EXPECT_FALSE(Extract(path));
  EXPECT_TRUE(Logged("ConnectInteractiveToFileIfLogonFailure", "Successfully connected to C:\\vorlex_missing_dir"));
  EXPECT_EQ(Last().message, "Failed to open msi file for reading");
  EXPECT_EQ(system_.connected.back(), kMissingDir);
}

TEST_F(MsiOverrideTest, DevicePathsBecomeDrivePaths) {
  wchar_t device[MAX_PATH];
  ASSERT_TRUE(QueryDosDeviceW(L"C:", device, MAX_PATH));
  EXPECT_EQ(DevicePathToDriveLetterPath(std::wstring(device) + L"\\dir\\a.msi"), L"C:\\dir\\a.msi");
  EXPECT_EQ(DevicePathToDriveLetterPath(L"\\??\\C:\\dir\\a.msi"), L"C:\\dir\\a.msi");
  EXPECT_FALSE(DevicePathToDriveLetterPath(std::wstring(device) + L"0\\a.msi"));  // another volume
  EXPECT_FALSE(DevicePathToDriveLetterPath(L"\\Device\\NoSuchVolume\\a.msi"));
}

// The full installer started by msiexec: a child process finds the database its real parent maps.
TEST_F(MsiOverrideTest, ChildReadsTheDatabaseItsParentMaps) {
  std::wstring msi = scratch_.Child(L"setup.msi");
  ASSERT_TRUE(base::CopyFileTo(Fixture(L"good.msi"), msi));
  MappedFile view(msi);
  ASSERT_TRUE(view.valid());
  std::wstring result_file = scratch_.Child(L"result.txt");
  std::optional<DWORD> code = test::RunAndWait(
      base::QuoteArgument(base::AppendPath(test::BuildDir(), L"msi_override_child.exe")) + L" " +
      base::QuoteArgument(std::wstring(kMissingDir) + L"\\setup.msi") + L" " + kGuid + L" " +
      base::QuoteArgument(result_file));
  std::string result = base::ReadFileToString(result_file).value_or("");
  ASSERT_EQ(code, 0u) << result;
  std::wstring output = base::Utf8ToWide(result.substr(0, result.find('\n')));
  EXPECT_EQ(ReadAll(output), package_);
  EXPECT_TRUE(base::DeleteFilePath(output));
}

}  // namespace
}  // namespace distrib
