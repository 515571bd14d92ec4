// Collects the log records written while it lives, from any thread, in place of the process-wide
// sink (the test programs run without one, so none is restored). Portable: the native test build
// uses it too.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "logging/log.h"

namespace test {

struct LogLine {
  int32_t severity;
  std::string location;
  std::string message;
};

class LogCapture {
 public:
  LogCapture() { logging::InstallSink(std::make_unique<Sink>(this)); }
  ~LogCapture() { logging::InstallSink(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Every record so far, in order.
  std::vector<LogLine> lines() const {
    std::lock_guard<std::mutex> hold(lock_);
    return lines_;
  }
  // The records so far, which are then forgotten.
  std::vector<LogLine> Take() {
    std::vector<LogLine> taken;
    std::lock_guard<std::mutex> hold(lock_);
    taken.swap(lines_);
    return taken;
  }
  void Clear() { Take(); }

  // Messages of the given location, in order.
  std::vector<std::string> At(const std::string& location) const {
    std::vector<std::string> out;
    for (const LogLine& line : lines())
      if (line.location == location) out.push_back(line.message);
    return out;
  }
  // Whether a record reads exactly "SEVERITY location: message" (or begins with the prefix).
  bool Contains(const std::string& text) const {
    for (const LogLine& line : lines())
      if (Format(line) == text) return true;
    return false;
  }
  bool ContainsPrefix(const std::string& prefix) const {
    for (const LogLine& line : lines())
      if (Format(line).compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }
  static std::string Format(const LogLine& line) {
    return std::string(logging::SeverityName(line.severity)) + " " + line.location + ": " + line.message;
  }

  // Waits until the location has at least count records; false only when they never come (the
  // generous limit keeps a broken run from hanging until CTest's time-out).
  bool WaitFor(const std::string& location, size_t count) {
    std::unique_lock<std::mutex> hold(lock_);
    return written_.wait_for(hold, std::chrono::seconds(60), [&] {
      size_t seen = 0;
      for (const LogLine& line : lines_) seen += line.location == location;
      return seen >= count;
    });
  }

 private:
  class Sink : public logging::Sink {
   public:
    explicit Sink(LogCapture* owner) : owner_(owner) {}
    void Emit(const logging::Record& record) override {
      std::lock_guard<std::mutex> hold(owner_->lock_);
      owner_->lines_.push_back({record.severity, record.location, record.message});
      owner_->written_.notify_all();
    }

   private:
    LogCapture* owner_;
  };
  mutable std::mutex lock_;
  std::condition_variable written_;
  std::vector<LogLine> lines_;
};

}  // namespace test
