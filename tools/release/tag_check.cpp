// Reads the tag of a signed installer as the installer reads its own: the dummy certificate
// first, the "Vact" trailer only when that gives nothing. Built natively from the installer's own
// tag readers by scripts/release, which compares the result byte for byte with what it wrote.
//
// usage: tag_check FILE
// prints "certificate <hex>", "trailer <hex>" or "none"; exit code 2 when the file cannot be read.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "distrib/installer_tag.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tag_check FILE\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "tag_check: cannot read %s\n", argv[1]);
    return 2;
  }
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const size_t file_size = data.size();
  std::string tag = distrib::ExtractTagFromImage(data.data(), file_size);
  if (!tag.empty()) {
    std::printf("certificate %s\n", Hex(tag).c_str());
    return 0;
  }
  // The installer maps the file: whole pages, the bytes past its end reading as zero.
  data.resize((file_size + 4095) / 4096 * 4096, 0);
  const uint8_t* trailer = nullptr;
  size_t length = 0;
  if (distrib::FindTrailerTag(data.data(), data.size(), &trailer, &length)) {
    tag.assign(reinterpret_cast<const char*>(trailer), length);
    if (!tag.empty() && tag.back() == '\0') tag.pop_back();
  }
  if (tag.empty()) {
    std::printf("none\n");
  } else {
    std::printf("trailer %s\n", Hex(tag).c_str());
  }
  return 0;
}
