#include <windows.h>
#include <shellapi.h>

#include "base/command_line.h"
#include "base/lazy_import.h"
#include "base/unique_handle.h"

namespace base {

std::vector<std::wstring> SplitCommandLine(const std::wstring& text) {
  std::vector<std::wstring> argv;
  auto split = LAZY_IMPORT(kShell32, CommandLineToArgvW);
  if (!split) return argv;
  int count = 0;
  LPWSTR* args = split(text.c_str(), &count);
  if (!args) return argv;
  ScopedLocalMemory owner(reinterpret_cast<HLOCAL>(args));
  for (int i = 0; i < count; ++i) argv.emplace_back(args[i]);
  return argv;
}

CommandLine& CommandLine::ForCurrentProcess() {
  static CommandLine instance = FromString(GetCommandLineW());
  return instance;
}

}  // namespace base
