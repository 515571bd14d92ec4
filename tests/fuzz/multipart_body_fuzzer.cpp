// The crash upload's multipart body with arbitrary field names and values: every field is framed
// by the boundary, and no name can break out of its quoted header parameter.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/strings.h"
#include "crash/multipart_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields = base::Split(std::string_view(reinterpret_cast<const char*>(data), size), '\0');
  crash::MultipartBody body(false);
  size_t pairs = 0;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    std::string encoded = crash::EncodeMimeField(fields[i]);
    if (encoded.find_first_of("\r\n\"") != std::string::npos) __builtin_trap();
    body.SetFormData(fields[i], fields[i + 1]);
    ++pairs;
  }
  std::unique_ptr<crash::BodyStream> stream = body.GetBodyStream();
  std::string text;
  uint8_t buffer[997];
  for (int64_t n; (n = stream->Read(buffer, sizeof(buffer))) > 0;) text.append(reinterpret_cast<char*>(buffer), n);
  // The closing boundary ends the body.
  if (text.size() < body.boundary().size() || text.find("--" + body.boundary() + "--") == std::string::npos)
    __builtin_trap();
  (void)pairs;
  return 0;
}
