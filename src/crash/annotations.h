// Crash annotations: narrow key -> narrow value, in byte-wise key order (std::string compares its
// bytes as unsigned characters, which is the order the report stream and the upload use).
#pragma once

#include <map>
#include <string>

namespace crash {

using Annotations = std::map<std::string, std::string>;

}  // namespace crash
