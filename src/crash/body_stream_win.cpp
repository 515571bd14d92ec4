#include <windows.h>

#include <algorithm>

#include "crash/body_stream.h"

namespace crash {

int64_t FileBodyStream::Read(uint8_t* buffer, size_t size) {
  // ReadFile takes a DWORD count; stay below 2 GiB so the result also fits the signed return.
  DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 0x7fffffff));
  DWORD read = 0;
  if (!ReadFile(static_cast<HANDLE>(file_), buffer, chunk, &read, nullptr)) return -1;
  return read;
}

}  // namespace crash
