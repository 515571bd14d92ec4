#include "logging/file_logger.h"

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <vector>

#include "base/diag_log.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/lazy_import.h"
#include "base/strings.h"
#include "base/unique_crypt.h"
#include "base/unique_handle.h"

namespace logging {

namespace {

constexpr size_t kFormatBufferSize = 200;

// Through CNG rather than a CryptoAPI provider: the first log line comes before the window, and
// a provider would load its library and crypt32 on the way.
std::string Md5Hex(const std::string& data) {
  auto open = LAZY_IMPORT(base::kBcrypt, BCryptOpenAlgorithmProvider);
  auto get_property = LAZY_IMPORT(base::kBcrypt, BCryptGetProperty);
  auto create = LAZY_IMPORT(base::kBcrypt, BCryptCreateHash);
  auto hash_data = LAZY_IMPORT(base::kBcrypt, BCryptHashData);
  auto finish = LAZY_IMPORT(base::kBcrypt, BCryptFinishHash);
  if (!open || !get_property || !create || !hash_data || !finish) return {};
  base::ScopedBcryptAlgorithm algorithm;
  if (!BCRYPT_SUCCESS(open(algorithm.receive(), BCRYPT_MD5_ALGORITHM, nullptr, 0))) return {};
  // Windows 7 wants the hash object's memory from the caller.
  DWORD object_size = 0, got = 0;
  if (!BCRYPT_SUCCESS(get_property(algorithm.get(), BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&object_size),
                                   sizeof(object_size), &got, 0)))
    return {};
  std::vector<UCHAR> object(object_size);
  base::ScopedBcryptHash hash;
  if (!BCRYPT_SUCCESS(create(algorithm.get(), hash.receive(), object.data(), object_size, nullptr, 0, 0))) return {};
  UCHAR digest[16];
  if (!BCRYPT_SUCCESS(hash_data(hash.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                                static_cast<ULONG>(data.size()), 0)) ||
      !BCRYPT_SUCCESS(finish(hash.get(), digest, sizeof(digest), 0)))
    return {};
  return base::HexLower(digest, sizeof(digest));
}

base::ScopedFile OpenForAppend(const std::wstring& path) {
  return base::ScopedFile(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::string FormatRecordPrefix(const Record& record) {
  ULARGE_INTEGER ticks;
  ticks.QuadPart = record.time_us * 10;
  FILETIME file_time = {ticks.LowPart, ticks.HighPart};
  SYSTEMTIME t = {};
  FileTimeToSystemTime(&file_time, &t);
  char buffer[kFormatBufferSize];
  int length = snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d:%02d.%03d %02d:%02d ", t.wYear,
                        t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds,
                        static_cast<int>(record.process_id), static_cast<int>(record.thread_id));
  if (length < 0 || length >= static_cast<int>(sizeof(buffer))) return {};
  return std::string(buffer, length);
}

std::string FormatRecordSuffix(const Record& record) {
  char buffer[kFormatBufferSize];
  int length = snprintf(buffer, sizeof(buffer), " (%s:%d)", record.location ? record.location : "",
                        static_cast<int>(record.line));
  if (length < 0 || length >= static_cast<int>(sizeof(buffer))) return {};
  return std::string(buffer, length);
}

std::wstring FileLogger::MutexName(const std::wstring& path) {
  return L"Kastel log " + base::AsciiToWide(Md5Hex(base::WideToUtf8(path)));
}

namespace {

// Waiting and releasing for every authenticated user: the name lives in the session's own
// namespace, so that is the user's processes, elevated or not. Built once and kept for the
// process's life; null (the default security) when it cannot be built.
SECURITY_ATTRIBUTES* LogMutexAttributes() {
  static SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, FALSE};
  auto to_descriptor = LAZY_IMPORT(base::kAdvapi32, ConvertStringSecurityDescriptorToSecurityDescriptorW);
  if (!to_descriptor ||
      !to_descriptor(L"D:(A;;0x100001;;;AU)", SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr))
    return nullptr;
  return &attributes;
}

}  // namespace

base::ScopedHandle FileLogger::CreateLogMutex(const std::wstring& name) {
  static SECURITY_ATTRIBUTES* const attributes = LogMutexAttributes();
  return base::ScopedHandle(CreateMutexExW(attributes, name.c_str(), 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
}

FileLogger::FileLogger(std::wstring path, uint32_t max_size)
    : path_(std::move(path)), path_utf8_(base::WideToUtf8(path_)), mutex_name_(MutexName(path_)),
      max_size_(max_size) {}

void FileLogger::Emit(const Record& record) {
  DWORD saved_error = GetLastError();  // logging must not disturb the caller's error state
  std::string prefix = FormatRecordPrefix(record);
  std::string suffix = FormatRecordSuffix(record);
  if (prefix.empty() || suffix.empty()) return SetLastError(saved_error);

  enum class Lock { kAcquired, kAbandoned, kNotAcquired } lock = Lock::kNotAcquired;
  base::ScopedHandle mutex = CreateLogMutex(mutex_name_);
  base::ScopedMutexHold hold;
  if (mutex) {
    DWORD wait = WaitForSingleObject(mutex.get(), 1000);
    if (wait == WAIT_OBJECT_0) lock = Lock::kAcquired;
    if (wait == WAIT_ABANDONED) lock = Lock::kAbandoned;
    if (lock != Lock::kNotAcquired) hold.reset(mutex.get());
  }

  std::wstring dir = base::DirName(path_);
  bool dir_ok = dir.empty() || base::CreateDirectoryRecursive(dir);
  base::ScopedFile file;
  if (dir_ok) file = OpenForAppend(path_);
  if (file) {
    std::string output;
    // Only the holder of the lock rotates: two writers rotating at once would move the fresh
    // file over the old one and lose a whole generation.
    if (!rotation_failed_ && lock != Lock::kNotAcquired) {
      LARGE_INTEGER length;
      if (!GetFileSizeEx(file.get(), &length)) {
        base::DiagLog("Unable to get file length.");
      } else if (static_cast<uint64_t>(length.QuadPart) + prefix.size() + record.message.size() >= max_size_) {
        file.reset();
        std::wstring old_path = base::InsertBeforeExtension(path_, L"_old");
        bool moved = MoveFileExW(path_.c_str(), old_path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        DWORD move_error = moved ? 0 : GetLastError();
        file = OpenForAppend(path_);
        if (file && !moved) {
          rotation_failed_ = true;
          output += prefix + "LOGGING: Failed to rotate log file " + path_utf8_ + ": " +
                    std::to_string(move_error) + "\n";
        }
      }
    }
    if (file) {
      if (lock == Lock::kNotAcquired && !lock_failure_reported_) {
        lock_failure_reported_ = true;
        output += prefix + "LOGGING: Failed to lock log file " + path_utf8_ + "\n";
      } else if (lock == Lock::kAbandoned) {
        output += prefix + "LOGGING: Abandoned log mutex recovered for file " + path_utf8_ + "\n";
      }
      output += prefix + SeverityName(record.severity) + ": " + record.message + suffix + "\n";
      DWORD written = 0;
      WriteFile(file.get(), output.data(), static_cast<DWORD>(output.size()), &written, nullptr);
    }
  }
  file.reset();
  hold.reset();
  SetLastError(saved_error);
}

void InstallFileLogger(const std::wstring& temp_dir) {
  // GetTempPathW ends in a backslash and one more is added, as the log path always had.
  InstallSink(std::make_unique<FileLogger>(temp_dir + L"\\lite_installer.log", kDefaultLogSizeLimit));
}

}  // namespace logging
