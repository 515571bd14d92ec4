// Log records. Every component writes through LOG/PLOG with its operation's name as location;
// the record goes to the process-wide sink (the file logger once start-up installed it).
// Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

namespace logging {

enum Severity : int32_t { LOG_INFO = 0, LOG_ERROR = 1, LOG_WARNING = 2 };

struct Record {
  int32_t severity = LOG_INFO;
  const char* location = "";
  int32_t line = 0;
  uint64_t time_us = 0;  // wall clock, microseconds since 1601-01-01 UTC
  uint32_t process_id = 0;
  uint32_t thread_id = 0;
  std::string message;
};

class Sink {
 public:
  virtual void Emit(const Record& record) = 0;
  virtual ~Sink() = default;
};

// Replaces the process-wide sink; the previous one is destroyed. Null removes it.
void InstallSink(std::unique_ptr<Sink> sink);
Sink* CurrentSink();

const char* SeverityName(int32_t severity);

// "<code>, <system message>" with the fallbacks of the system's message tables.
std::string SystemErrorText(uint32_t code);
uint32_t LastSystemError();

class LogLine {
 public:
  LogLine(int32_t severity, const char* location, int32_t line);
  LogLine(const LogLine&) = delete;
  LogLine& operator=(const LogLine&) = delete;
  ~LogLine();

  template <typename T>
  LogLine& operator<<(const T& value) {
    stream_ << value;
    return *this;
  }
  LogLine& operator<<(std::wstring_view text);
  LogLine& operator<<(const std::wstring& text) { return *this << std::wstring_view(text); }
  LogLine& operator<<(const wchar_t* text) { return *this << std::wstring_view(text ? text : L""); }
  LogLine& operator<<(wchar_t c) { return *this << std::wstring_view(&c, 1); }

 protected:
  Record record_;
  std::ostringstream stream_;
  std::string error_text_;
  bool with_error_ = false;
};

// As LogLine, with " - " and the system error text appended (the separator only after a
// non-empty message).
class SystemErrorLogLine : public LogLine {
 public:
  SystemErrorLogLine(int32_t severity, const char* location, int32_t line, std::string error_text)
      : LogLine(severity, location, line) {
    error_text_ = std::move(error_text);
    with_error_ = true;
  }
};

// Fills time, process and thread of a new record (platform side).
void StampRecord(Record& record);

}  // namespace logging

#define LOG(severity) ::logging::LogLine(::logging::LOG_##severity, __func__, __LINE__)
// An error log: the message, " - ", and the text of GetLastError() taken before the message.
#define PLOG(severity)                                                   \
  ::logging::SystemErrorLogLine(::logging::LOG_##severity, __func__, __LINE__, \
                                ::logging::SystemErrorText(::logging::LastSystemError()))
// With a location other than the calling function's name.
#define LOG_AT(severity, location) ::logging::LogLine(::logging::LOG_##severity, location, __LINE__)
#define PLOG_AT(severity, location)                                      \
  ::logging::SystemErrorLogLine(::logging::LOG_##severity, location, __LINE__, \
                                ::logging::SystemErrorText(::logging::LastSystemError()))
// As PLOG with an explicit error code.
#define PLOG_CODE(severity, code)                                        \
  ::logging::SystemErrorLogLine(::logging::LOG_##severity, __func__, __LINE__, \
                                ::logging::SystemErrorText(code))
