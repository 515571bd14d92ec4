// Receivers of downloaded bytes. size counts the bytes accepted so far and is the offset at which
// a later transfer resumes. Portable header: the file sink keeps its Win32 handle as void*.
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

  uint32_t size = 0;
};

// Writes to a file handle it does not own.
class FileDownloadSink : public DownloadSink {
 public:
  explicit FileDownloadSink(void* file) : file_(file) {}
  [[nodiscard]] bool Write(const void* data, uint32_t count) override;
  void Reset() override;

 private:
  void* file_;
};

class StringDownloadSink : public DownloadSink {
 public:
  [[nodiscard]] bool Write(const void* data, uint32_t count) override;
  void Reset() override;
  // Moves the collected bytes out; the sink is left empty.
  std::string Take();
  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

}  // namespace net
