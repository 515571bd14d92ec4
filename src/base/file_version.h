// Reading the version resource of an executable file (version.dll, bound on first use).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace base {

// The version resource's file date (dwFileDateMS:dwFileDateLS) as microseconds since
// 1601-01-01 UTC; nothing without a version resource, 0 when the date is not set.
[[nodiscard]] std::optional<uint64_t> ReadFileDate(const std::wstring& path);
// The file version as "a.b.c.d" (most significant part first); nothing when unreadable.
[[nodiscard]] std::optional<std::string> ReadFileVersion(const std::wstring& path);
// As ReadFileVersion, "0.0.0.0" when unreadable.
std::string GetFileVersionText(const std::wstring& path);

}  // namespace base
