// The shared, rotating log file. Every record opens, appends and closes the file under a named
// mutex derived from the path, so several processes can write one log; the file is rotated to a
// single "_old" generation at the size limit.
#pragma once

#include <cstdint>
#include <string>

#include "base/unique_handle.h"
#include "logging/log.h"

namespace logging {

inline constexpr uint32_t kDefaultLogSizeLimit = 1048576;

// "YYYY-MM-DD hh:mm:ss.mmm pid:tid " for a record; empty when longer than 199 characters.
std::string FormatRecordPrefix(const Record& record);
// " (location:line)"; empty when longer than 199 characters.
std::string FormatRecordSuffix(const Record& record);

class FileLogger : public Sink {
 public:
  FileLogger(std::wstring path, uint32_t max_size);
  void Emit(const Record& record) override;

  const std::wstring& path() const { return path_; }
  // "Kastel log " + MD5 of the path's UTF-8 form in lower-case hex.
  static std::wstring MutexName(const std::wstring& path);
  // Creates or opens the log's mutex (for waiting and releasing only). Its descriptor admits
  // the user's process and its elevated copy alike: created with an elevated token's default
  // DACL (Administrators and SYSTEM only), it would lock the user's own process out.
  static base::ScopedHandle CreateLogMutex(const std::wstring& name);

 private:
  std::wstring path_;
  std::string path_utf8_;
  std::wstring mutex_name_;
  uint32_t max_size_;
  bool rotation_failed_ = false;
  bool lock_failure_reported_ = false;
};

// The installer's log: <temp dir>\lite_installer.log with the 1 MiB limit, installed as the
// process-wide sink. The temporary directory is taken as GetTempPathW returns it.
void InstallFileLogger(const std::wstring& temp_dir);

}  // namespace logging
