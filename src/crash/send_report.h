// One crash report upload: the annotations as form fields and the minidump as the file part
// "upload_file_minidump", gzip-compressed, POSTed to the crash endpoint's "/submit" with a
// Content-Length counted beforehand (see CrashUploadTransport).
#pragma once

#include <string>
#include <string_view>

#include "crash/annotations.h"

namespace crash {

struct UploadOptions {
  bool gzip_enabled = true;
};

// True only when the server answered 200.
[[nodiscard]] bool SendReport(const Annotations& annotations, const std::wstring& minidump_path,
                              const UploadOptions& options = {});

// Appends product, version and guid (from "prod", "ver", "guid") as query parameters.
std::string AppendReportQuery(std::string url, const Annotations& annotations);
// Keeps ASCII letters, digits and "-_.~"; every other byte becomes "%" + two upper-case digits.
std::string EscapeQueryValue(std::string_view value);

}  // namespace crash
