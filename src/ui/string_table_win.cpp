#include <windows.h>

#include "ui/string_table.h"

namespace ui {

std::wstring LoadUiString(int id, uint16_t language) {
  // Language 0 would make FindResourceExW pick the thread's language: no table is asked for.
  if (id < 0 || language == 0) return {};
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceExW(module, L"UISTRINGS", MAKEINTRESOURCEW(id / 16 + 1), language);
  if (!info) return {};
  HGLOBAL loaded = ::LoadResource(module, info);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return {};
  DWORD bytes = ::SizeofResource(module, info);
  return StringFromBlock(static_cast<const uint8_t*>(data), bytes, id % 16);
}

}  // namespace ui
