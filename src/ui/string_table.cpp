#include "ui/string_table.h"

namespace ui {

std::wstring StringFromBlock(const char16_t* block, size_t block_chars, int index) {
  if (!block || index < 0 || index > 15) return {};
  size_t pos = 0;
  for (int i = 0; i < index; ++i) {
    if (pos >= block_chars) return {};
    pos += 1 + static_cast<size_t>(block[pos]);
  }
  if (pos >= block_chars) return {};
  size_t length = block[pos];
  if (length > block_chars - pos - 1) return {};
  std::wstring text;
  text.reserve(length);
  for (size_t i = 0; i < length; ++i) text.push_back(static_cast<wchar_t>(block[pos + 1 + i]));
  return text;
}

}  // namespace ui
