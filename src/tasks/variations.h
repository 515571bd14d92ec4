// The variations (and ABT) seed saved for the browser's first start.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tasks {

// Real seeds are some hundred KiB. The ceiling keeps a hostile body (kept in memory, then
// Base64-encoded into a third more) from exhausting the 32-bit address space.
inline constexpr uint32_t kMaxSeedSize = 8 * 1024 * 1024;

struct VariationsResponse {
  std::string body;
  std::string signature;      // "X-Seed-Signature"
  std::string last_modified;  // "Last-Modified"
  std::string country;        // "X-Country"
};

// The file's text: one JSON object with the four members in their fixed order, no indentation.
std::string VariationsJson(const VariationsResponse& response);
// How the file is closed (fclose unless given): the edge where a test makes the close fail as a
// full disk would, which the machine cannot be made to do.
using CloseFileFunction = int (*)(FILE* file);
// False when the file cannot be opened, written or closed (a failed close may have lost the
// buffered text).
[[nodiscard]] bool SaveVariations(const std::wstring& path, const VariationsResponse& response,
                                  CloseFileFunction close_file = nullptr);
// Downloads the seed (a response without a signature, or one over kMaxSeedSize, writes nothing)
// and saves it.
[[nodiscard]] bool DownloadAndSaveVariations(const std::string& url, const std::wstring& path, void* stop);

}  // namespace tasks
