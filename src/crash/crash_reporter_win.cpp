#include <windows.h>
#include <dbghelp.h>
#include <objbase.h>

#include <vector>

#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/strings.h"
#include "base/unique_handle.h"
#include "crash/annotations.h"
#include "crash/crash_reporter.h"
#include "crash/report_info_stream.h"
#include "crash/send_report.h"
#include "logging/log.h"
#include "vorlex_version.h"

namespace crash {

namespace {

constexpr char kProgramVersion[] = VORLEX_VERSION;
using WriteDumpFn = decltype(&::MiniDumpWriteDump);

// 36 characters, upper-case hex, no braces; empty when the conversion fails.
std::string GuidText(const GUID& guid) {
  auto guid_to_text = LAZY_IMPORT(base::kOle32, StringFromGUID2);
  wchar_t text[40];
  if (!guid_to_text || guid_to_text(guid, text, 40) != 39) return {};
  return base::WideToAscii(std::wstring_view(text + 1, 36));
}

class FileAccess : public DumpFileAccess {
 public:
  explicit FileAccess(HANDLE file) : file_(file) {}
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override {
    OVERLAPPED at = Position(offset);
    DWORD done = 0;
    return ReadFile(file_, buffer, static_cast<DWORD>(size), &done, &at) && done == size;
  }
  bool WriteAt(uint64_t offset, const void* buffer, size_t size) override {
    OVERLAPPED at = Position(offset);
    DWORD done = 0;
    return WriteFile(file_, buffer, static_cast<DWORD>(size), &done, &at) && done == size;
  }

 private:
  static OVERLAPPED Position(uint64_t offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
  }
  HANDLE file_;
};

}  // namespace

class CrashReporter::Impl {
 public:
  explicit Impl(const CrashReporterOptions& options);
  void HandleCrash(EXCEPTION_POINTERS* pointers);

  std::wstring dump_path;
  base::LazyLibrary* dbghelp = nullptr;
  WriteDumpFn write_dump = nullptr;
  GUID uid = {};
  GUID report_id = {};
  bool upload_enabled = true;
  bool gzip_enabled = true;
  Annotations annotations;
  LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;
  bool filter_installed = false;
};

namespace {

// The filter finds its reporter here: the filter has no context argument.
CrashReporter::Impl* g_impl = nullptr;

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers) {
  CrashReporter::Impl* impl = g_impl;
  if (!impl) return EXCEPTION_CONTINUE_SEARCH;
  impl->HandleCrash(pointers);
  if (impl->previous_filter) return impl->previous_filter(pointers);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

CrashReporter::Impl::Impl(const CrashReporterOptions& options) {
  std::string uid_text = identity::GetUserIdInternal(
      options.app_data ? options.app_data : identity::AppDataFolderFn(identity::SystemAppDataFolder));
  if (!uid_text.empty() && uid_text[0] != '{') uid_text = "{" + uid_text + "}";
  auto text_to_guid = LAZY_IMPORT(base::kOle32, CLSIDFromString);
  std::wstring wide_uid = base::AsciiToWide(uid_text);
  if (uid_text.empty() || !text_to_guid || FAILED(text_to_guid(wide_uid.c_str(), &uid))) {
    uid = GUID{};
    LOG(WARNING) << "uid not found, use empty";
  }

  auto create_guid = LAZY_IMPORT(base::kOle32, CoCreateGuid);
  if (!create_guid || FAILED(create_guid(&report_id))) report_id = GUID{};

  annotations["uid"] = GuidText(uid);
  annotations["report_id"] = GuidText(report_id);
  annotations["ver"] = kProgramVersion;
  annotations["plat"] = "Win32";
  annotations["prod"] = "Vorlex";
  annotations["gzip_enabled"] = gzip_enabled ? "true" : "false";

  dump_path = base::GetTempDir() + base::AsciiToWide(annotations["report_id"]) + L".dmp";

  dbghelp = options.dbghelp ? options.dbghelp : &base::kDbghelp;
  write_dump = options.write_dump ? reinterpret_cast<WriteDumpFn>(options.write_dump)
                                 : reinterpret_cast<WriteDumpFn>(dbghelp->Procedure("MiniDumpWriteDump"));
}

void CrashReporter::Impl::HandleCrash(EXCEPTION_POINTERS* pointers) {
  if (!write_dump) return;
  bool dumped = false;
  {
    // CREATE_NEW: a second crash of this process finds the first dump and leaves it alone.
    base::ScopedFile file(CreateFileW(dump_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    std::vector<uint8_t> stream = BuildReportInfoStream(reinterpret_cast<const uint8_t*>(&report_id),
                                                        reinterpret_cast<const uint8_t*>(&uid), annotations);
    MINIDUMP_EXCEPTION_INFORMATION exception = {};
    exception.ThreadId = GetCurrentThreadId();
    exception.ExceptionPointers = pointers;
    exception.ClientPointers = FALSE;
    MINIDUMP_USER_STREAM user_stream = {};
    user_stream.Type = kReportInfoStreamType;
    user_stream.BufferSize = static_cast<ULONG>(stream.size());
    user_stream.Buffer = stream.data();
    MINIDUMP_USER_STREAM_INFORMATION user_streams = {};
    user_streams.UserStreamCount = 1;
    user_streams.UserStreamArray = &user_stream;
    if (write_dump(GetCurrentProcess(), GetCurrentProcessId(), file.get(), MiniDumpWithIndirectlyReferencedMemory,
                   &exception, &user_streams, nullptr)) {
      FileAccess access(file.get());
      dumped = RebaseReportInfoStream(access, annotations.size());
    }
  }
  if (!dumped) {
    // Half a dump is nobody's report: it does not stay in the temporary folder.
    DeleteFileW(dump_path.c_str());
    return;
  }
  if (!upload_enabled) return;
  UploadOptions upload;
  upload.gzip_enabled = gzip_enabled;
  if (SendReport(annotations, dump_path, upload)) DeleteFileW(dump_path.c_str());
}

std::unique_ptr<CrashReporter> CrashReporter::Create(const CrashReporterOptions& options) {
  auto impl = std::make_unique<Impl>(options);
  if (impl->write_dump) {
    g_impl = impl.get();
    impl->previous_filter = SetUnhandledExceptionFilter(CrashFilter);
    impl->filter_installed = true;
  }
  return std::unique_ptr<CrashReporter>(new CrashReporter(std::move(impl)));
}

CrashReporter::CrashReporter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

CrashReporter::~CrashReporter() {
  if (impl_->filter_installed) SetUnhandledExceptionFilter(impl_->previous_filter);
  if (g_impl == impl_.get()) g_impl = nullptr;
}

void CrashReporter::SetAnnotation(const std::string& key, const std::string& value) {
  if (key.empty() || value.empty()) return;
  impl_->annotations[key] = value;
}

const std::wstring& CrashReporter::dump_path() const { return impl_->dump_path; }
bool CrashReporter::filter_installed() const { return impl_->filter_installed; }

}  // namespace crash
