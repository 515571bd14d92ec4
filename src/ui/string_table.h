// Localised strings from the program's string tables, in exactly the language asked for: a
// language without a table, a missing block or an empty entry gives an empty text, never another
// language's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ui {

// Entry `index` (0..15) of one RT_STRING block: sixteen entries, each a UTF-16 length followed
// by that many characters. A block cut short yields an empty text rather than a read past it.
std::wstring StringFromBlock(const char16_t* block, size_t block_chars, int index);

// Win32 side: FindResourceExW(RT_STRING, id / 16 + 1, language) in the program's module.
std::wstring LoadUiString(int id, uint16_t language);

}  // namespace ui
