#include "ui/string_table.h"

#include <string_view>

#include "base/strings.h"

namespace ui {

std::wstring StringFromBlock(const uint8_t* block, size_t block_bytes, int index) {
  if (!block || index < 0 || index > 15) return {};
  size_t pos = 0;
  for (int i = 0;; ++i) {
    if (pos > block_bytes || block_bytes - pos < 2) return {};
    size_t length = block[pos] | static_cast<size_t>(block[pos + 1]) << 8;
    pos += 2;
    if (length > block_bytes - pos) return {};
    if (i == index) return base::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(block + pos), length));
    pos += length;
  }
}

}  // namespace ui
