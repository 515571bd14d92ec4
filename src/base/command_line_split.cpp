#include "base/command_line_split.h"

namespace base {

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::vector<std::wstring> SplitCommandLineText(std::wstring_view text) {
  std::vector<std::wstring> args;
  size_t i = 0;
  // Argument 0: the program.
  std::wstring program;
  if (i < text.size() && text[i] == L'"') {
    ++i;
    while (i < text.size() && text[i] != L'"') program += text[i++];
    if (i < text.size()) ++i;
  } else {
    while (i < text.size() && !IsBlank(text[i])) program += text[i++];
  }
  args.push_back(program);
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    std::wstring arg;
    bool quoted = false;
    while (i < text.size() && (quoted || !IsBlank(text[i]))) {
      if (text[i] == L'\\') {
        size_t backslashes = 0;
        while (i < text.size() && text[i] == L'\\') ++backslashes, ++i;
        if (i < text.size() && text[i] == L'"') {
          arg.append(backslashes / 2, L'\\');
          if (backslashes % 2) {
            arg += L'"';
            ++i;
          }
        } else {
          arg.append(backslashes, L'\\');
        }
        continue;
      }
      if (text[i] == L'"') {
        if (quoted && i + 1 < text.size() && text[i + 1] == L'"') {
          arg += L'"';  // "" inside quotes is a literal quote
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      arg += text[i++];
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace base
