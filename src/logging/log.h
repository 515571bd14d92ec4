// Log records. Every component writes through LOG/PLOG with its operation's name as location;
// the record goes to the process-wide sink (the file logger once start-up installed it).
// Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

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

  // Values are written as a default std::ostream would write them (bool as 1/0, pointers in
  // hex), without pulling the stream library and its locales into the program.
  LogLine& operator<<(std::string_view text) {
    message_.append(text);
    return *this;
  }
  LogLine& operator<<(const std::string& text) { return *this << std::string_view(text); }
  LogLine& operator<<(const char* text) { return *this << std::string_view(text ? text : ""); }
  LogLine& operator<<(char c) {
    message_ += c;
    return *this;
  }
  LogLine& operator<<(bool value) { return *this << (value ? "1" : "0"); }
  template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char> &&
             !std::is_same_v<T, wchar_t>)
  LogLine& operator<<(T value) {
    message_ += std::to_string(value);
    return *this;
  }
  template <typename T>
    requires std::is_enum_v<T>
  LogLine& operator<<(T value) {
    return *this << static_cast<std::underlying_type_t<T>>(value);
  }
  LogLine& operator<<(double value);
  LogLine& operator<<(const void* pointer);
  LogLine& operator<<(std::wstring_view text);
  LogLine& operator<<(const std::wstring& text) { return *this << std::wstring_view(text); }
  LogLine& operator<<(const wchar_t* text) { return *this << std::wstring_view(text ? text : L""); }
  LogLine& operator<<(wchar_t c) { return *this << std::wstring_view(&c, 1); }

 protected:
  Record record_;
  std::string message_;
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
