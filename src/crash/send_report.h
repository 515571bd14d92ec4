// One crash report upload: the annotations as form fields and the minidump as the file part
// "upload_file_minidump", gzip-compressed, POSTed to the crash endpoint's "/submit".
#pragma once

#include <string>
#include <string_view>

#include "crash/annotations.h"

namespace crash {

struct UploadOptions {
  bool gzip_enabled = true;
  // The total length handed to WinHttpSendRequest for the chunked body. Windows wants 0
  // (WINHTTP_IGNORE_REQUEST_TOTAL_LENGTH). Wine 8's WinHTTP instead adds "Content-Length: 0" to
  // such a POST and waits for the answer inside WinHttpSendRequest, before any chunk is written;
  // programs that upload under Wine pass a non-zero placeholder so the chunks can follow (the
  // chunked encoding still decides where the body ends).
  uint32_t chunked_total_length_hint = 0;
};

// True only when the server answered 200.
[[nodiscard]] bool SendReport(const Annotations& annotations, const std::wstring& minidump_path,
                              const UploadOptions& options = {});

// Appends product, version and guid (from "prod", "ver", "guid") as query parameters.
std::string AppendReportQuery(std::string url, const Annotations& annotations);
// Keeps ASCII letters, digits and "-_.~"; every other byte becomes "%" + two upper-case digits.
std::string EscapeQueryValue(std::string_view value);

}  // namespace crash
