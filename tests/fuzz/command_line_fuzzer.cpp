// Command lines built from arbitrary switches render to text that parses back to the same
// switches; arbitrary text parses without fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"
#include "base/command_line_split.h"
#include "base/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // Any text parses.
  base::CommandLine::FromArgv(base::SplitCommandLineText(base::Utf8ToWide(input)));

  // Fields separated by NUL: the program, then name/value pairs.
  std::vector<std::string> fields = base::Split(input, '\0');
  base::CommandLine line;
  std::wstring program = base::Utf8ToWide(fields[0]);
  if (program.find(L'"') != std::wstring::npos) return 0;  // program paths hold no quotes
  line.SetProgram(program);
  for (size_t i = 1; i + 1 < fields.size(); i += 2) {
    const std::string& name = fields[i];
    // Names come from parsing, which never yields an "=" in them; "semi-silent" expands.
    if (name.find('=') != std::string::npos || name == "semi-silent") continue;
    if (!base::IsAscii(name)) continue;
    line.AppendSwitch(name, base::Utf8ToWide(fields[i + 1]));
  }
  base::CommandLine parsed = base::CommandLine::FromArgv(base::SplitCommandLineText(line.Render()));
  if (parsed.GetProgram() != line.GetProgram() || parsed.switches() != line.switches()) __builtin_trap();
  return 0;
}
