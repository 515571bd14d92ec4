#include <windows.h>

#include "net/download_sink.h"

namespace net {

bool FileDownloadSink::Write(const void* data, uint32_t count) {
  if (count > max_size_ - size) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  DWORD written = 0;
  if (!WriteFile(static_cast<HANDLE>(file_), data, count, &written, nullptr) || written != count)
    return false;
  size += count;
  return true;
}

void FileDownloadSink::Reset() {
  SetFilePointer(static_cast<HANDLE>(file_), 0, nullptr, FILE_BEGIN);
  SetEndOfFile(static_cast<HANDLE>(file_));
  size = 0;
}

}  // namespace net
