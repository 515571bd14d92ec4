#include "logging/log.h"

#include <atomic>
#include <cstdio>

#include "base/strings.h"

namespace logging {

namespace {
std::atomic<Sink*> g_sink{nullptr};
}  // namespace

void InstallSink(std::unique_ptr<Sink> sink) {
  Sink* previous = g_sink.exchange(sink.release());
  delete previous;
}

Sink* CurrentSink() { return g_sink.load(); }

const char* SeverityName(int32_t severity) {
  switch (severity) {
    case LOG_ERROR:
      return "ERROR";
    case LOG_WARNING:
      return "WARNING";
    default:
      return "INFO";
  }
}

LogLine::LogLine(int32_t severity, const char* location, int32_t line) {
  record_.severity = severity;
  record_.location = location;
  record_.line = line;
  StampRecord(record_);
}

LogLine& LogLine::operator<<(std::wstring_view text) {
  message_ += base::WideToUtf8(text);
  return *this;
}

LogLine& LogLine::operator<<(double value) {
  char text[32];
  snprintf(text, sizeof(text), "%g", value);
  return *this << text;
}

LogLine& LogLine::operator<<(const void* pointer) {
  char text[24];
  snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pointer)));
  return *this << text;
}

LogLine::~LogLine() {
  Sink* sink = CurrentSink();
  if (!sink) return;
  record_.message = std::move(message_);
  if (with_error_) {
    if (!record_.message.empty()) record_.message += " - ";
    record_.message += error_text_;
  }
  sink->Emit(record_);
}

}  // namespace logging
