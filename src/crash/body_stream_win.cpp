#include <windows.h>

#include <algorithm>

#include "crash/body_stream.h"

namespace crash {

FileBodyStream::FileBodyStream(void* file) : file_(file) {
  LARGE_INTEGER zero = {}, position = {};
  if (SetFilePointerEx(static_cast<HANDLE>(file_), zero, &position, FILE_CURRENT)) start_ = position.QuadPart;
}

bool FileBodyStream::Rewind() {
  if (start_ < 0) return false;
  LARGE_INTEGER position = {};
  position.QuadPart = start_;
  return SetFilePointerEx(static_cast<HANDLE>(file_), position, nullptr, FILE_BEGIN) != FALSE;
}

int64_t FileBodyStream::Read(uint8_t* buffer, size_t size) {
  // ReadFile takes a DWORD count; stay below 2 GiB so the result also fits the signed return.
  DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 0x7fffffff));
  DWORD read = 0;
  if (!ReadFile(static_cast<HANDLE>(file_), buffer, chunk, &read, nullptr)) return -1;
  return read;
}

}  // namespace crash
