// Localised strings from the program's string tables, in exactly the language asked for: a
// language without a table, a missing block or an empty entry gives an empty text, never another
// language's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ui {

// Entry `index` (0..15) of one string block (a "UISTRINGS" resource made by
// tools/make_strings.py): up to sixteen entries, each a 16-bit little-endian byte count followed
// by that many bytes of UTF-8. A block cut short yields an empty text rather than a read past it.
std::wstring StringFromBlock(const uint8_t* block, size_t block_bytes, int index);

// Win32 side: FindResourceExW("UISTRINGS", id / 16 + 1, language) in the program's module.
std::wstring LoadUiString(int id, uint16_t language);

}  // namespace ui
