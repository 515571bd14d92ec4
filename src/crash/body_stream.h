// Sources of an HTTP request body, read block by block so that a large minidump is never held in
// memory as a whole. Every stream can start over and then serves the same bytes again: the
// upload reads the body once to learn its length and once to send it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace crash {

class BodyStream {
 public:
  virtual ~BodyStream() = default;
  // Copies up to size bytes into buffer: the count, 0 at the end, -1 on error.
  virtual int64_t Read(uint8_t* buffer, size_t size) = 0;
  // Back to the first byte; false when the source cannot be read again.
  [[nodiscard]] virtual bool Rewind() = 0;
};

class StringBodyStream : public BodyStream {
 public:
  explicit StringBodyStream(std::string data) : data_(std::move(data)) {}
  int64_t Read(uint8_t* buffer, size_t size) override;
  [[nodiscard]] bool Rewind() override;

 private:
  std::string data_;
  size_t offset_ = 0;
};

// Serves its parts one after the other.
class ConcatBodyStream : public BodyStream {
 public:
  explicit ConcatBodyStream(std::vector<std::unique_ptr<BodyStream>> parts) : parts_(std::move(parts)) {}
  int64_t Read(uint8_t* buffer, size_t size) override;
  [[nodiscard]] bool Rewind() override;

 private:
  std::vector<std::unique_ptr<BodyStream>> parts_;
  size_t current_ = 0;
};

// Reads an open file from its position at construction, to which Rewind returns; the handle
// stays owned by the caller (a Win32 HANDLE, kept opaque here so this header stays portable).
class FileBodyStream : public BodyStream {
 public:
  explicit FileBodyStream(void* file);
  int64_t Read(uint8_t* buffer, size_t size) override;
  [[nodiscard]] bool Rewind() override;

 private:
  void* file_;
  int64_t start_ = -1;  // -1: the position could not be read, so there is no going back
};

}  // namespace crash
