// Collects the log records written while it lives (and restores no previous sink: tests run
// without one).
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "logging/log.h"

namespace net_test {

struct CapturedLine {
  int32_t severity;
  std::string location;
  std::string message;
};

class LogCapture {
 public:
  LogCapture() {
    auto sink = std::make_unique<Sink>(this);
    logging::InstallSink(std::move(sink));
  }
  ~LogCapture() { logging::InstallSink(nullptr); }
  std::vector<CapturedLine> lines() {
    std::lock_guard<std::mutex> hold(lock_);
    return lines_;
  }
  // Messages of the given location, in order.
  std::vector<std::string> At(const std::string& location) {
    std::vector<std::string> out;
    for (const CapturedLine& line : lines())
      if (line.location == location) out.push_back(line.message);
    return out;
  }
  // Waits until the location has at least count records; false only when they never come (the
  // generous limit keeps a broken run from hanging until CTest's time-out).
  bool WaitFor(const std::string& location, size_t count) {
    std::unique_lock<std::mutex> hold(lock_);
    return written_.wait_for(hold, std::chrono::seconds(60), [&] {
      size_t seen = 0;
      for (const CapturedLine& line : lines_) seen += line.location == location;
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
    LogCapture* owner_;
  };
  std::mutex lock_;
  std::condition_variable written_;
  std::vector<CapturedLine> lines_;
};

}  // namespace net_test
