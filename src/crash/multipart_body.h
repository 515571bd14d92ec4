// The multipart/form-data body of a crash upload: text fields and file parts, each kind in
// byte-wise name order, optionally gzip-compressed as a whole.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "crash/body_stream.h"

namespace crash {

using HeaderMap = std::map<std::string, std::string>;

class MultipartBody {
 public:
  explicit MultipartBody(bool gzip_enabled);
  MultipartBody(const MultipartBody&) = delete;
  MultipartBody& operator=(const MultipartBody&) = delete;

  // A name is either a field or a file part: setting one kind drops the other.
  void SetFormData(const std::string& name, const std::string& value);
  void SetFileAttachment(const std::string& name, const std::string& file_name,
                         std::unique_ptr<BodyStream> body, const std::string& content_type);

  void GetContentHeaders(HeaderMap* headers) const;
  // Hands the attachments' streams over: call once.
  std::unique_ptr<BodyStream> GetBodyStream();

  const std::string& boundary() const { return boundary_; }

 private:
  struct Attachment {
    std::string file_name;
    std::string content_type;
    std::unique_ptr<BodyStream> body;
  };

  std::string boundary_;
  std::map<std::string, std::string> form_data_;
  std::map<std::string, Attachment> attachments_;
  bool gzip_enabled_;
};

// "---MultipartBoundary-" + 32 random letters and digits + "---".
std::string GenerateBoundary();
// Escapes line feed, carriage return, double quote and "%" as "%" + two lower-case hex digits,
// so a name cannot break out of its quoted header parameter.
std::string EncodeMimeField(std::string_view text);
// Letters, digits and "+-./_" only; anything else (or empty) becomes application/octet-stream.
std::string SanitizeContentType(const std::string& content_type);

}  // namespace crash
