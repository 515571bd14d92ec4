// End to end: a program really crashes under Wine; its filter writes a minidump through the real
// dbghelp, uploads it to the loopback collector and hands over to the previous filter. In this
// process: the reporter's user id and the lifetime of its filter.
#include <gtest/gtest.h>

#include <cstdlib>
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/process.h"
#include "base/registry.h"
#include "base/strings.h"
#include "collector.h"
#include "crash/crash_reporter.h"
#include "support/log_capture.h"
#include "support/loopback.h"
#include "support/scratch_current_user.h"
#include "support/test_util.h"
#include "vorlex_version.h"

namespace {

using crash_test::CollectedRequest;
using crash_test::CollectorUrl;
using crash_test::FindRequest;
using crash_test::UniqueTag;

constexpr DWORD kPreviousFilterExitCode = 77;
constexpr uint32_t kReportInfoStreamType = 0x43500001;

uint32_t U32(const std::string& bytes, size_t offset) {
  if (offset + 4 > bytes.size()) return 0xFFFFFFFF;
  uint32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" -> the 16 bytes of a GUID in memory.
std::string GuidBytes(const std::string& text) {
  if (text.size() != 36) return {};
  auto byte = [&](size_t at) { return static_cast<char>(std::stoul(text.substr(at, 2), nullptr, 16)); };
  std::string out;
  for (size_t at : {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34}) out += byte(at);
  return out;
}

// A minidump string at rva: 32-bit length, bytes, NUL.
std::string DumpString(const std::string& dump, uint32_t rva) {
  uint32_t length = U32(dump, rva);
  if (length == 0xFFFFFFFF || rva + 4ull + length + 1 > dump.size()) return "<out of range>";
  if (dump[rva + 4 + length] != '\0') return "<no terminator>";
  return dump.substr(rva + 4, length);
}

// The one report the collector received under the tag, with what every upload shares checked: no
// collector errors, the product query, a gzip body of the announced length.
std::optional<CollectedRequest> OnlyUpload(const std::string& tag) {
  std::optional<CollectedRequest> request = FindRequest(tag);
  if (!request) return request;
  EXPECT_FALSE(FindRequest(tag, 2));
  EXPECT_EQ(request->record["errors"].size(), 0u) << request->record["errors"];
  EXPECT_EQ(request->record["query"], "product=Vorlex&version=" VORLEX_VERSION);
  EXPECT_EQ(request->Header("Content-Encoding"), "gzip");
  EXPECT_EQ(request->Header("Transfer-Encoding"), "");
  EXPECT_EQ(request->Header("Content-Length"), std::to_string(request->ReadFile(L"raw_body.bin").size()));
  return request;
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hkcu_ = L"Software\\VorlexTest\\crash-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount());
    ASSERT_TRUE(base::CreateDirectoryRecursive(temp_.path()));
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, hkcu_.c_str()); }

  std::optional<DWORD> Crash(const std::string& url, const std::wstring& extra = L"") {
    std::wstring command = L"\"" + base::AppendPath(test::BuildDir(), L"crash_test_program.exe") + L"\" --temp=\"" +
                           temp_.path() + L"\" --app-data=\"" + app_data_.path() + L"\" --hkcu=\"" + hkcu_ +
                           L"\" --url=\"" + base::AsciiToWide(url) + L"\" " + extra;
    return test::RunAndWait(command, 120000);
  }
  std::vector<std::wstring> Dumps() const { return base::EnumerateFiles(temp_.path(), L"*.dmp"); }
  std::string UserIdFile() const {
    return base::ReadFileToString(app_data_.Child(L"Vorlex\\ui")).value_or("");
  }

  test::ScratchDir temp_;
  test::ScratchDir app_data_;
  std::wstring hkcu_;
};

TEST_F(CrashTest, ReportIsUploadedAndTheDumpRemoved) {
  const std::string tag = UniqueTag("crash");
  ASSERT_EQ(Crash(CollectorUrl(tag), L"--annotations=brand_id=777&default_language=ru&empty="),
            kPreviousFilterExitCode);
  std::optional<CollectedRequest> request = OnlyUpload(tag);
  ASSERT_TRUE(request);
  const base::Json& record = request->record;

  std::string uid = UserIdFile();
  ASSERT_EQ(uid.size(), 38u);
  uid = uid.substr(1, 36);
  std::map<std::string, std::string> fields;
  for (const auto& field : record["fields"]) fields[field[0].get<std::string>()] = field[1].get<std::string>();
  ASSERT_EQ(fields.count("report_id"), 1u);
  const std::string report_id = fields["report_id"];
  EXPECT_EQ(report_id.size(), 36u);
  EXPECT_EQ(fields, (std::map<std::string, std::string>{{"brand_id", "777"},
                                                        {"default_language", "ru"},
                                                        {"gzip_enabled", "true"},
                                                        {"plat", "Win32"},
                                                        {"prod", "Vorlex"},
                                                        {"ptype", "installer"},
                                                        {"report_id", report_id},
                                                        {"uid", uid},
                                                        {"ver", VORLEX_VERSION}}));
  ASSERT_EQ(record["files"].size(), 1u);
  EXPECT_EQ(record["files"][0]["name"], "upload_file_minidump");
  EXPECT_EQ(record["files"][0]["filename"], uid + ".dmp");
  EXPECT_TRUE(Dumps().empty());  // deleted after the 200

  // The minidump: header, directory, and our stream with every annotation at its file offset.
  const std::string dump = request->ReadFile(L"file_upload_file_minidump.bin");
  ASSERT_GE(dump.size(), 32u);
  EXPECT_EQ(U32(dump, 0), 0x504d444du);  // "MDMP"
  EXPECT_EQ(U32(dump, 4) & 0xFFFF, 0xa793u);
  const uint32_t streams = U32(dump, 8), directory = U32(dump, 12);
  uint32_t rva = 0, size = 0;
  bool has_exception_stream = false;
  for (uint32_t i = 0; i < streams; ++i) {
    uint32_t type = U32(dump, directory + 12 * i);
    if (type == 6) has_exception_stream = true;
    if (type == kReportInfoStreamType) {
      size = U32(dump, directory + 12 * i + 4);
      rva = U32(dump, directory + 12 * i + 8);
    }
  }
  EXPECT_TRUE(has_exception_stream);
  ASSERT_NE(rva, 0u);
  ASSERT_LE(rva + 56ull, dump.size());
  EXPECT_GE(size, 56u);
  EXPECT_EQ(U32(dump, rva), 1u);
  EXPECT_EQ(dump.substr(rva + 4, 16), GuidBytes(report_id));
  EXPECT_EQ(dump.substr(rva + 20, 16), GuidBytes(uid));
  EXPECT_EQ(U32(dump, rva + 40), rva + 52);
  EXPECT_EQ(U32(dump, rva + 44), 0u);
  EXPECT_EQ(U32(dump, rva + 48), 0u);
  const uint32_t count = U32(dump, rva + 52);
  ASSERT_EQ(count, fields.size());
  std::map<std::string, std::string> in_dump;
  for (uint32_t i = 0; i < count; ++i)
    in_dump[DumpString(dump, U32(dump, rva + 56 + 8 * i))] = DumpString(dump, U32(dump, rva + 60 + 8 * i));
  EXPECT_EQ(in_dump, fields);
  EXPECT_EQ(U32(dump, rva + 36), 4 + 8 * count + (size - 56 - 8 * count));
}

TEST_F(CrashTest, RefusedUploadKeepsTheDumpAndUnknownUidIsZero) {
  // An id was handed out before, but its file is gone: the report goes out with the zero id.
  {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (hkcu_ + L"\\Software\\AppDataLow\\Vorlex").c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    wchar_t user[257];
    DWORD length = 257;
    ASSERT_TRUE(GetUserNameW(user, &length));
    DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(key, (std::wstring(L"UICreated_") + user).c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&one), sizeof(one)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  const std::string tag = UniqueTag("refused");
  ASSERT_EQ(Crash(CollectorUrl(tag + "/code-500")), kPreviousFilterExitCode);
  std::optional<CollectedRequest> request = FindRequest(tag + "_code-500");
  ASSERT_TRUE(request);
  EXPECT_EQ(UserIdFile(), "");  // no second id
  std::map<std::string, std::string> fields;
  for (const auto& field : request->record["fields"]) fields[field[0].get<std::string>()] = field[1].get<std::string>();
  EXPECT_EQ(fields["uid"], "00000000-0000-0000-0000-000000000000");
  EXPECT_EQ(request->record["files"][0]["filename"], "00000000-0000-0000-0000-000000000000.dmp");

  std::vector<std::wstring> dumps = Dumps();
  ASSERT_EQ(dumps.size(), 1u);
  EXPECT_EQ(dumps[0], base::AsciiToWide(fields["report_id"]) + L".dmp");
  EXPECT_EQ(base::ReadFileToString(temp_.Child(dumps[0])), request->ReadFile(L"file_upload_file_minidump.bin"));

  // Nobody listening, and the crash on another thread: the same outcome without a request.
  ASSERT_TRUE(base::DeleteFilePath(temp_.Child(dumps[0])));
  ASSERT_EQ(Crash("http://127.0.0.1:1", L"--on-thread"), kPreviousFilterExitCode);
  EXPECT_EQ(Dumps().size(), 1u);
}

TEST_F(CrashTest, NoDumpWithoutWriterOrWhenTheFileExists) {
  const std::string tag = UniqueTag("nodump");
  ASSERT_EQ(Crash(CollectorUrl(tag), L"--no-dbghelp"), kPreviousFilterExitCode);
  EXPECT_TRUE(Dumps().empty());
  // A writer that fails half-way leaves no half dump behind.
  ASSERT_EQ(Crash(CollectorUrl(tag), L"--failing-dump"), kPreviousFilterExitCode);
  EXPECT_TRUE(Dumps().empty());

  ASSERT_EQ(Crash(CollectorUrl(tag), L"--occupy-dump"), kPreviousFilterExitCode);
  std::vector<std::wstring> dumps = Dumps();
  ASSERT_EQ(dumps.size(), 1u);
  EXPECT_EQ(base::ReadFileToString(temp_.Child(dumps[0])), "occupied");  // left as it was
  EXPECT_FALSE(FindRequest(tag));
}

// Wine answers an unhandled crash by starting its debugger, whose dialog would wait for a click
// under Xvfb: switched off while the installer crashes, as the test found it afterwards.
class NoCrashDialog {
 public:
  NoCrashDialog() {
    had_value_ = RegGetValueW(HKEY_CURRENT_USER, kKey, L"ShowCrashDialog", RRF_RT_REG_DWORD, nullptr, &saved_,
                              &size_) == ERROR_SUCCESS;
    DWORD zero = 0;
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"ShowCrashDialog", REG_DWORD, &zero, sizeof(zero));
  }
  ~NoCrashDialog() {
    if (had_value_)
      RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"ShowCrashDialog", REG_DWORD, &saved_, sizeof(saved_));
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"ShowCrashDialog");
  }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Wine\\WineDbg";
  DWORD saved_ = 0, size_ = sizeof(DWORD);
  bool had_value_ = false;
};

// The shipped program end to end, every endpoint on HTTPS as in production: lite_installer.exe,
// silent, waits for its setup download; a thread injected into it crashes in the installer's own
// code. Its own filter writes the dump and uploads it over WinHTTP in TLS with a counted
// Content-Length; the collector reads the report stream out of the dump, and the dump is gone
// once the collector has answered 200.
TEST_F(CrashTest, InstallerCrashIsUploadedAndItsDumpRemoved) {
  test::Loopback server = test::Loopback::Server();
  ASSERT_TRUE(server.ok());
  const std::string prefix = test::UniquePathPrefix();
  const std::string tag = UniqueTag("installer");
  std::vector<std::string> set;
  auto env = [&](const std::string& name, const std::string& value) {
    _putenv((name + "=" + value).c_str());
    set.push_back(name);
  };
  const std::string https = server.HttpsOrigin(test::Certificate::kGood);
  const std::string crash_url = crash_test::CollectorHttpsUrl(tag);
  ASSERT_FALSE(https.empty() || crash_url.empty()) << "no HTTPS from the loopback server or the collector";
  server.ExportEnvironment();
  for (const char* service : {"CDN", "STATISTICS", "REPORT", "VARIATIONS", "ABT", "WEBNTP"})
    env(std::string("VORLEX_") + service + "_URL", https + prefix);
  env("VORLEX_CRASH_URL", crash_url);
  // Every request of this installer waits long past the crash.
  ASSERT_TRUE(server.AddRule(R"({"path": ")" + prefix + R"(/", "delay_ms": 120000})"));

  std::optional<DWORD> exit_code;
  {
    NoCrashDialog no_dialog;
    test::ScopedTempDirectory temp(temp_.path());
    base::Process installer = base::Process::Launch(L"\"" + test::InstallerPath() + L"\" --silent");
    ASSERT_TRUE(installer.valid());
    // The setup download has begun, so start-up (and the crash filter with it) is done.
    std::vector<test::CapturedRequest> setup = server.WaitForRequests(prefix + "/browser/", 1, 60000);
    if (setup.empty()) {
      (void)installer.Terminate(1);
      FAIL() << "the installer did not ask for its setup";
    }
    EXPECT_EQ(setup[0].tls, "good");
    // The thread starts in one of the installer's own functions (the statistics sender's thread
    // procedure, found by name at build time) with an object pointer that points nowhere: a crash
    // inside the installer's code, which crash_symbolize then names from the dump.
    std::optional<uint64_t> rva;
    std::string rva_text = base::ReadFileToString(base::AppendPath(test::BuildDir(), L"crash_target.rva")).value_or("");
    if (!rva_text.empty()) rva = std::strtoull(rva_text.c_str(), nullptr, 16);
    HMODULE image = nullptr;
    DWORD needed = 0;
    if (!rva || !K32EnumProcessModules(installer.handle(), &image, sizeof(image), &needed) || !image) {
      (void)installer.Terminate(1);
      FAIL() << "no crash target: " << GetLastError();
    }
    HANDLE thread = CreateRemoteThread(installer.handle(), nullptr, 0,
                                       reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<uintptr_t>(image) + *rva),
                                       reinterpret_cast<void*>(static_cast<uintptr_t>(0x10)), 0, nullptr);
    ASSERT_NE(thread, nullptr) << GetLastError();
    CloseHandle(thread);
    exit_code = installer.WaitForExit(120000);
    if (!exit_code) (void)installer.Terminate(1);
  }
  for (const std::string& name : set) _putenv((name + "=").c_str());
  ASSERT_TRUE(exit_code) << "the installer did not end after its crash";

  std::optional<CollectedRequest> request = OnlyUpload(tag);
  ASSERT_TRUE(request);
  const base::Json& record = request->record;
  // The dump as the collector saved it, for crash_symbolize.
  std::string dump_bytes = request->ReadFile(L"file_upload_file_minidump.bin");
  EXPECT_TRUE(base::WriteStringToFile(base::AppendPath(test::BuildDir(), L"crash_collector\\installer_crash.dmp"),
                                      dump_bytes));

  std::map<std::string, std::string> fields;
  for (const auto& field : record["fields"]) fields[field[0].get<std::string>()] = field[1].get<std::string>();
  EXPECT_EQ(fields["ptype"], "installer");
  EXPECT_EQ(fields["prod"], "Vorlex");
  EXPECT_EQ(fields["ver"], VORLEX_VERSION);
  EXPECT_EQ(fields.count("brand_id"), 1u);  // added once the brand was known
  ASSERT_EQ(record["files"].size(), 1u);
  EXPECT_EQ(record["files"][0]["filename"], fields["uid"] + ".dmp");

  const base::Json& dump = record["dump"];
  ASSERT_TRUE(dump.is_object()) << record;
  EXPECT_FALSE(dump.contains("error")) << dump;
  std::vector<uint32_t> streams = dump["streams"].get<std::vector<uint32_t>>();
  EXPECT_NE(std::find(streams.begin(), streams.end(), 6u), streams.end());  // the exception stream
  const base::Json& info = dump["report_info"];
  ASSERT_TRUE(info.is_object()) << dump;
  EXPECT_EQ(info["report_id"], fields["report_id"]);
  EXPECT_EQ(info["uid"], fields["uid"]);
  std::map<std::string, std::string> annotations;
  for (const auto& [key, value] : info["annotations"].items()) annotations[key] = value.get<std::string>();
  EXPECT_EQ(annotations, fields);

  EXPECT_TRUE(Dumps().empty());
}

LONG WINAPI OuterFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

// The reporter made in this process. The real user's id is never touched: HKEY_CURRENT_USER is
// redirected to a scratch key and the application data folder is a scratch directory.
class CrashReporterInProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_data_ = [this](bool, std::wstring* folder) {
      *folder = scratch_.path();
      return true;
    };
    id_file_ = scratch_.Child(L"Vorlex\\ui");
  }

  test::ScratchCurrentUser hkcu_;
  test::ScratchDir scratch_;
  identity::AppDataFolderFn app_data_;
  std::wstring id_file_;
};

TEST_F(CrashReporterInProcessTest, ReporterAnnotationsAndFilterLifetime) {
  base::LazyLibrary missing(L"vorlex_no_such_dbghelp.dll");
  {
    test::LogCapture log;
    crash::CrashReporterOptions options;
    options.app_data = app_data_;
    options.dbghelp = &missing;
    auto reporter = crash::CrashReporter::Create(options);
    EXPECT_FALSE(reporter->filter_installed());
    EXPECT_FALSE(log.Contains("WARNING Impl: uid not found, use empty"));
    EXPECT_TRUE(base::EndsWith(reporter->dump_path(), L".dmp"));
    EXPECT_EQ(reporter->dump_path().size(), base::GetTempDir().size() + 36 + 4);
  }

  LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(OuterFilter);
  {
    ASSERT_TRUE(base::DeleteFilePath(id_file_));  // handed out before: the id is now unknown
    test::LogCapture log;
    crash::CrashReporterOptions options;
    options.app_data = app_data_;
    auto reporter = crash::CrashReporter::Create(options);
    EXPECT_TRUE(reporter->filter_installed());
    EXPECT_TRUE(log.Contains("WARNING Impl: uid not found, use empty"));
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(nullptr);
    EXPECT_NE(current, nullptr);
    EXPECT_NE(current, OuterFilter);
    SetUnhandledExceptionFilter(current);
  }
  EXPECT_EQ(SetUnhandledExceptionFilter(before), OuterFilter);  // put back on destruction
}


}  // namespace
