#include <windows.h>

#include "base/service_hosts.h"
#include "base/unique_handle.h"
#include "crash/http_transport.h"
#include "crash/multipart_body.h"
#include "crash/send_report.h"
#include "logging/log.h"

namespace crash {

namespace {
constexpr char kMinidumpKey[] = "upload_file_minidump";
constexpr double kUploadTimeoutSeconds = 60.0;
}  // namespace

bool SendReport(const Annotations& annotations, const std::wstring& minidump_path, const UploadOptions& options) {
  base::ScopedFile file(CreateFileW(minidump_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;

  MultipartBody body(options.gzip_enabled);
  for (const auto& [key, value] : annotations) {
    if (key == kMinidumpKey) {
      LOG(WARNING) << "reserved key " << key << ", discarding value " << value;
      continue;
    }
    body.SetFormData(key, value);
  }
  auto uid = annotations.find("uid");
  std::string file_name = (uid == annotations.end() ? std::string() : uid->second) + ".dmp";
  body.SetFileAttachment(kMinidumpKey, file_name, std::make_unique<FileBodyStream>(file.get()),
                         "application/octet-stream");

  CrashUploadTransport transport;
  HeaderMap headers;
  body.GetContentHeaders(&headers);
  for (const auto& [name, value] : headers) transport.SetHeader(name, value);
  transport.SetBodyStream(body.GetBodyStream());
  transport.SetTimeout(kUploadTimeoutSeconds);
  transport.SetUrl(AppendReportQuery(base::ServiceHost(base::Service::kCrash) + "/submit", annotations));

  std::string response;
  bool sent = transport.Send(&response);
  // The transport still holds a stream over the file: release it before the file closes.
  transport.SetBodyStream(nullptr);
  return sent;
}

}  // namespace crash
