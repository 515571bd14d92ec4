#include "crash/multipart_body.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "base/random.h"
#include "crash/http_body_gzip.h"

namespace crash {

namespace {

constexpr char kCrlf[] = "\r\n";
constexpr char kBoundaryCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr char kOctetStream[] = "application/octet-stream";

std::string PartHeader(const std::string& boundary, const std::string& name) {
  return "--" + boundary + kCrlf + "Content-Disposition: form-data; name=\"" + EncodeMimeField(name) + "\"";
}

bool IsAsciiAlphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string GenerateBoundary() {
  std::string boundary = "---MultipartBoundary-";
  for (int i = 0; i < 32; ++i)
    boundary += kBoundaryCharacters[base::RandomInRange(0, sizeof(kBoundaryCharacters) - 2)];
  boundary += "---";
  return boundary;
}

std::string EncodeMimeField(std::string_view text) {
  std::string encoded;
  encoded.reserve(text.size());
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == '"' || c == '%') {
      char escape[4];
      std::snprintf(escape, sizeof(escape), "%%%02x", static_cast<unsigned char>(c));
      encoded += escape;
    } else {
      encoded += c;
    }
  }
  return encoded;
}

std::string SanitizeContentType(const std::string& content_type) {
  if (content_type.empty()) return kOctetStream;
  for (char c : content_type) {
    if (!IsAsciiAlphanumeric(c) && c != '+' && c != '-' && c != '.' && c != '/' && c != '_') return kOctetStream;
  }
  return content_type;
}

MultipartBody::MultipartBody(bool gzip_enabled) : boundary_(GenerateBoundary()), gzip_enabled_(gzip_enabled) {}

void MultipartBody::SetFormData(const std::string& name, const std::string& value) {
  attachments_.erase(name);
  form_data_[name] = value;
}

void MultipartBody::SetFileAttachment(const std::string& name, const std::string& file_name,
                                      std::unique_ptr<BodyStream> body, const std::string& content_type) {
  form_data_.erase(name);
  attachments_[name] = Attachment{file_name, SanitizeContentType(content_type), std::move(body)};
}

void MultipartBody::GetContentHeaders(HeaderMap* headers) const {
  (*headers)["Content-Type"] = "multipart/form-data; boundary=" + boundary_;
  if (gzip_enabled_) (*headers)["Content-Encoding"] = "gzip";
}

std::unique_ptr<BodyStream> MultipartBody::GetBodyStream() {
  std::vector<std::unique_ptr<BodyStream>> parts;
  // The text fields are small: one string for all of them.
  std::string text;
  for (const auto& [name, value] : form_data_)
    text += PartHeader(boundary_, name) + kCrlf + kCrlf + value + kCrlf;
  for (auto& [name, attachment] : attachments_) {
    text += PartHeader(boundary_, name) + "; filename=\"" + EncodeMimeField(attachment.file_name) + "\"" + kCrlf +
            "Content-Type: " + attachment.content_type + kCrlf + kCrlf;
    parts.push_back(std::make_unique<StringBodyStream>(std::move(text)));
    text.clear();
    if (attachment.body) parts.push_back(std::move(attachment.body));
    text = kCrlf;
  }
  attachments_.clear();
  text += "--" + boundary_ + "--" + kCrlf;
  parts.push_back(std::make_unique<StringBodyStream>(std::move(text)));

  std::unique_ptr<BodyStream> body = std::make_unique<ConcatBodyStream>(std::move(parts));
  if (gzip_enabled_) body = std::make_unique<CompressedBodyStream>(std::move(body));
  return body;
}

}  // namespace crash
