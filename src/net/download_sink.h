// Receivers of downloaded bytes. size counts the bytes accepted so far (64 bits: a count that
// wrapped at 4 GiB would pass for a short partial file and be resumed at the wrong offset) and is
// the offset at which a later transfer resumes. Portable header: the file sink keeps its Win32
// handle as void*.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace net {

class DownloadSink {
 public:
  virtual ~DownloadSink() = default;
  [[nodiscard]] virtual bool Write(const void* data, uint32_t count) = 0;
  virtual void Reset() = 0;
  // The most bytes the sink accepts; a larger body fails the transfer (see StringDownloadSink).
  virtual uint64_t max_size() const { return UINT64_MAX; }

  uint64_t size = 0;
};

// Writes to a file handle it does not own, up to a ceiling that each use states well above the
// real sizes of what it fetches: a server sending without end must not fill the disk.
class FileDownloadSink : public DownloadSink {
 public:
  FileDownloadSink(void* file, uint64_t max_size) : file_(file), max_size_(max_size) {}
  [[nodiscard]] bool Write(const void* data, uint32_t count) override;
  void Reset() override;
  uint64_t max_size() const override { return max_size_; }

 private:
  void* file_;
  uint64_t max_size_;
};

// Keeps the body in memory, up to a ceiling: a hostile or broken server must not be able to
// exhaust a 32-bit process's address space (which ends the process) by sending an endless body.
// Each caller states a ceiling well above the real sizes of what it fetches.
class StringDownloadSink : public DownloadSink {
 public:
  // Far above anything the installer keeps in memory; callers pass their own, smaller ceiling.
  static constexpr uint32_t kDefaultMaxSize = 16 * 1024 * 1024;

  explicit StringDownloadSink(uint32_t max_size = kDefaultMaxSize) : max_size_(max_size) {}
  // Refuses a block that would take the body past the ceiling (nothing of it is kept).
  [[nodiscard]] bool Write(const void* data, uint32_t count) override;
  void Reset() override;
  uint64_t max_size() const override { return max_size_; }
  // Moves the collected bytes out; the sink is left empty.
  std::string Take();
  const std::string& data() const { return data_; }

 private:
  std::string data_;
  uint32_t max_size_;
};

}  // namespace net
