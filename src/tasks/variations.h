// The variations (and ABT) seed saved for the browser's first start.
#pragma once

#include <string>

namespace tasks {

struct VariationsResponse {
  std::string body;
  std::string signature;      // "X-Seed-Signature"
  std::string last_modified;  // "Last-Modified"
  std::string country;        // "X-Country"
};

// The file's text: one JSON object with the four members in their fixed order, no indentation.
std::string VariationsJson(const VariationsResponse& response);
[[nodiscard]] bool SaveVariations(const std::wstring& path, const VariationsResponse& response);
// Downloads the seed (a response without a signature writes nothing) and saves it.
bool DownloadAndSaveVariations(const std::string& url, const std::wstring& path, void* stop);

}  // namespace tasks
