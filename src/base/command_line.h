// The command-line object: the program plus an ordered map of switches. One process-wide
// instance, built from GetCommandLineW on first use; other instances come from text or copies.
// Parsing splits with CommandLineToArgvW (Win32 side); the rest is portable.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace base {

class CommandLine {
 public:
  CommandLine() = default;
  // Builds from already split arguments (argv[0] is the program).
  static CommandLine FromArgv(const std::vector<std::wstring>& argv);
  // Splits text with CommandLineToArgvW and parses it.
  static CommandLine FromString(const std::wstring& text);
  // The process-wide instance (built from GetCommandLineW on first use).
  static CommandLine& ForCurrentProcess();

  [[nodiscard]] bool HasSwitch(std::string_view name) const;
  std::wstring GetSwitchValue(std::string_view name) const;
  std::string GetSwitchValueNarrow(std::string_view name) const;
  void AppendSwitch(std::string_view name) { AppendSwitch(name, L""); }
  // Replaces the value of a switch already present, keeping its place.
  void AppendSwitch(std::string_view name, std::wstring_view value);
  void RemoveSwitch(std::string_view name);
  void SetSwitch(std::string_view name, bool present);
  void SetProgram(std::wstring program) { program_ = std::move(program); }
  const std::wstring& GetProgram() const { return program_; }
  const std::vector<std::pair<std::string, std::wstring>>& switches() const { return switches_; }

  // "<program>" --name[=value] ... with quoting that CommandLineToArgvW splits back exactly.
  std::wstring Render() const;
  // The switches alone, rendered the same way.
  std::wstring RenderArguments() const;

 private:
  std::wstring program_;
  // In order of first appearance; names are unique.
  std::vector<std::pair<std::string, std::wstring>> switches_;
};

// Quotes one argument for CommandLineToArgvW (backslashes before a quote doubled, quotes
// escaped, the whole argument quoted when it is empty or holds a blank or a quote).
std::wstring QuoteArgument(std::wstring_view argument);
// CommandLineToArgvW (Win32 side). Empty when the call fails.
std::vector<std::wstring> SplitCommandLine(const std::wstring& text);

}  // namespace base
