// Catches the process's unhandled exceptions: writes a minidump with the report's ids and
// annotations into the temporary directory, uploads it at once from the crashing thread,
// deletes it after a successful upload and hands the exception on to the previous filter.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "identity/user_id.h"

namespace base {
class LazyLibrary;
}

namespace crash {

struct CrashReporterOptions {
  // Where the user id file lives; empty means the user's application data folder.
  identity::AppDataFolderFn app_data;
  // The library providing MiniDumpWriteDump; null means the system's dbghelp.dll.
  base::LazyLibrary* dbghelp = nullptr;
  // A function of MiniDumpWriteDump's type used in its place (for tests of a failing writer);
  // null means the library's.
  void* write_dump = nullptr;
};

class CrashReporter {
 public:
  // Installs the filter unless the minidump writer cannot be loaded. Create one per process.
  static std::unique_ptr<CrashReporter> Create(const CrashReporterOptions& options = {});
  // Puts the previous filter back.
  ~CrashReporter();
  CrashReporter(const CrashReporter&) = delete;
  CrashReporter& operator=(const CrashReporter&) = delete;

  // Inserts or replaces; an empty key or value is ignored.
  void SetAnnotation(const std::string& key, const std::string& value);

  const std::wstring& dump_path() const;
  [[nodiscard]] bool filter_installed() const;

  class Impl;

 private:
  explicit CrashReporter(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace crash
