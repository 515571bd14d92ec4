// The date the version resource gives this installer's file: the versioned setup URL carries it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace install {

// The file date of path's version resource (microseconds since 1601-01-01 UTC); nothing without a
// version resource, 0 when the date is not set. Both cases are logged.
std::optional<uint64_t> GetModuleCreationTime(const std::wstring& path);

}  // namespace install
