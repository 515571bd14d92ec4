// Collects the log records written while it lives.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "logging/log.h"

namespace crash_test {

class LogCapture {
 public:
  LogCapture() {
    auto sink = std::make_unique<Collector>();
    collector_ = sink.get();
    logging::InstallSink(std::move(sink));
  }
  ~LogCapture() { logging::InstallSink(nullptr); }
  // "SEVERITY location: message" per record.
  std::vector<std::string> Lines() const {
    std::lock_guard<std::mutex> lock(collector_->mutex);
    return collector_->lines;
  }
  bool Contains(const std::string& line) const {
    for (const std::string& l : Lines())
      if (l == line) return true;
    return false;
  }
  bool ContainsPrefix(const std::string& prefix) const {
    for (const std::string& l : Lines())
      if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }

 private:
  struct Collector : logging::Sink {
    void Emit(const logging::Record& record) override {
      std::lock_guard<std::mutex> lock(mutex);
      lines.push_back(std::string(logging::SeverityName(record.severity)) + " " + record.location + ": " +
                      record.message);
    }
    mutable std::mutex mutex;
    std::vector<std::string> lines;
  };
  Collector* collector_;
};

}  // namespace crash_test
