#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "base/unique_handle.h"
#include "distrib/installer_tag.h"
#include "logging/log.h"

namespace distrib {

namespace {

std::optional<std::vector<uint8_t>> ReadAllBytesFromFile(const std::wstring& path) {
  base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    PLOG(ERROR) << "Can't open file " << path;
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF) {
    PLOG(ERROR) << "Failed to get length of " << path;
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) {
      PLOG(ERROR) << "Failed to read all bytes of " << path;
      return std::nullopt;
    }
    done += read;
  }
  return bytes;
}

}  // namespace

std::string ExtractTagFromFakeCertificate(const std::wstring& path) {
  std::optional<std::vector<uint8_t>> bytes = ReadAllBytesFromFile(path);
  if (!bytes) {
    PLOG(ERROR) << "Failed to read file " << path;
    return std::string();
  }
  TagError error = TagError::kNone;
  std::string tag = ExtractTagFromImage(bytes->data(), bytes->size(), &error);
  if (error == TagError::kNoCertificateTable) PLOG(ERROR) << "Failed to find certificate table in " << path;
  if (error == TagError::kInvalidAsn1) PLOG(ERROR) << "Invalid ASN1 format of certificate table in " << path;
  return tag;
}

TrailerTagReader::TrailerTagReader() = default;
TrailerTagReader::~TrailerTagReader() { Close(); }

void TrailerTagReader::Close() {
  // The header stays free of Windows types, so the owners take the raw values back here.
  base::ScopedMappedView(view_).reset();
  view_ = nullptr;
  view_size_ = 0;
  base::ScopedHandle(static_cast<HANDLE>(mapping_)).reset();
  mapping_ = nullptr;
}

bool TrailerTagReader::Open(const std::wstring& path) {
  Close();
  base::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  base::ScopedHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return false;  // also an empty file
  base::ScopedMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view) return false;
  MEMORY_BASIC_INFORMATION info{};
  if (!VirtualQuery(view.get(), &info, sizeof(info))) return false;
  // The region is whole pages; the bytes past the end of the file read as zero.
  view_ = static_cast<const uint8_t*>(view.release());
  view_size_ = info.RegionSize;
  mapping_ = mapping.release();
  return true;
}

bool TrailerTagReader::Read(char* buffer, size_t* size) {
  if (!view_ || !size) return false;
  const uint8_t* tag = nullptr;
  size_t length = 0;
  if (!FindTrailerTag(view_, view_size_, &tag, &length)) return false;
  if (!buffer) {
    *size = length + 1;
    return true;
  }
  if (*size < length + 1) return false;
  std::memcpy(buffer, tag, length);
  buffer[length] = '\0';
  *size = length + 1;
  return true;
}

std::string ReadTrailerTag(const std::wstring& path) {
  TrailerTagReader reader;
  size_t size = 0;
  if (!reader.Open(path) || !reader.Read(nullptr, &size)) return std::string();
  std::string text(size, '\0');
  if (!reader.Read(text.data(), &size)) return std::string();
  text.resize(size - 1);
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

}  // namespace distrib
