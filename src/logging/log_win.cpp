#include <windows.h>

#include <cstdio>

#include "base/clock.h"
#include "base/strings.h"
#include "logging/log.h"

namespace logging {

namespace {

// FormatMessageW without FORMAT_MESSAGE_IGNORE_INSERTS: a message with inserts fails here and
// the next source is tried.
bool FormatFrom(DWORD flags, HMODULE module, uint32_t code, std::string* text) {
  wchar_t buffer[1024];
  DWORD length = FormatMessageW(flags, module, code, 1033, buffer, 1024, nullptr);
  if (length == 0) return false;
  *text = base::WideToUtf8(std::wstring_view(buffer, length));
  return true;
}

}  // namespace

uint32_t LastSystemError() { return GetLastError(); }

std::string SystemErrorText(uint32_t code) {
  DWORD saved = GetLastError();
  std::string message;
  bool found = FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, &message);
  for (const wchar_t* name : {L"wininet.dll", L"urlmon.dll"}) {
    if (found) break;
    if (HMODULE module = GetModuleHandleW(name))
      found = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, module, code, &message);
  }
  if (!found) {
    char hex[32];
    snprintf(hex, sizeof(hex), "unknown error 0x%lx\n", static_cast<unsigned long>(code));
    message = hex;
  }
  SetLastError(saved);
  return std::to_string(code) + ", " + message;
}

void StampRecord(Record& record) {
  record.time_us = base::WallClockMicros();
  record.process_id = GetCurrentProcessId();
  record.thread_id = GetCurrentThreadId();
}

}  // namespace logging
