// The statistics events a test's loopback server received, in order of arrival, each as
// "action/stage" (or "action/status"), with "!" + the error when there is one.
#pragma once

#include <string>
#include <vector>

#include "support/loopback.h"

namespace install_test {

inline std::vector<std::string> StatEvents(const std::vector<test::CapturedRequest>& requests) {
  std::vector<std::string> events;
  for (const test::CapturedRequest& request : requests) {
    auto field = [&](const std::string& key) {
      size_t at = request.path.find("-" + key + "=");
      if (at == std::string::npos) return std::string();
      size_t start = at + key.size() + 2;
      return request.path.substr(start, request.path.find_first_of(",/", start) - start);
    };
    std::string second = field("stage").empty() ? field("status") : field("stage");
    events.push_back(field("action") + (second.empty() ? "" : "/" + second) +
                     (field("error").empty() ? "" : "!" + field("error")));
  }
  return events;
}

}  // namespace install_test
