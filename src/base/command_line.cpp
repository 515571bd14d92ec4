#include "base/command_line.h"

#include <algorithm>

#include "base/strings.h"

namespace base {

CommandLine CommandLine::FromArgv(const std::vector<std::wstring>& argv) {
  CommandLine line;
  if (argv.empty()) return line;
  line.program_ = argv[0];
  for (size_t i = 1; i < argv.size(); ++i) {
    std::wstring_view arg = argv[i];
    bool is_switch = false;
    for (std::wstring_view prefix : {L"--", L"-", L"/"}) {
      if (StartsWith(arg, prefix)) {
        arg.remove_prefix(prefix.size());
        is_switch = true;
        break;
      }
    }
    if (!is_switch) continue;  // the installer reads no plain arguments
    size_t equals = arg.find(L'=');
    std::wstring_view name = arg.substr(0, equals);
    std::wstring_view value = equals == std::wstring_view::npos ? std::wstring_view() : arg.substr(equals + 1);
    line.AppendSwitch(WideToUtf8(name), value);
  }
  if (line.HasSwitch("semi-silent")) {
    line.AppendSwitch("silent");
    line.AppendSwitch("uac-enabled");
  }
  return line;
}

CommandLine CommandLine::FromString(const std::wstring& text) { return FromArgv(SplitCommandLine(text)); }

bool CommandLine::HasSwitch(std::string_view name) const {
  return std::any_of(switches_.begin(), switches_.end(), [&](const auto& entry) { return entry.first == name; });
}

std::wstring CommandLine::GetSwitchValue(std::string_view name) const {
  for (const auto& [key, value] : switches_)
    if (key == name) return value;
  return {};
}

std::string CommandLine::GetSwitchValueNarrow(std::string_view name) const {
  return WideToUtf8(GetSwitchValue(name));
}

void CommandLine::AppendSwitch(std::string_view name, std::wstring_view value) {
  for (auto& entry : switches_) {
    if (entry.first == name) {
      entry.second = value;
      return;
    }
  }
  switches_.emplace_back(std::string(name), std::wstring(value));
}

void CommandLine::RemoveSwitch(std::string_view name) {
  switches_.erase(std::remove_if(switches_.begin(), switches_.end(),
                                 [&](const auto& entry) { return entry.first == name; }),
                  switches_.end());
}

void CommandLine::SetSwitch(std::string_view name, bool present) {
  if (present) {
    if (!HasSwitch(name)) AppendSwitch(name);
  } else {
    RemoveSwitch(name);
  }
}

std::wstring QuoteArgument(std::wstring_view argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
    return std::wstring(argument);
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out += c;
  }
  // Backslashes before the closing quote are doubled so that it stays a quote.
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

std::wstring CommandLine::RenderArguments() const {
  std::wstring out;
  for (const auto& [name, value] : switches_) {
    if (!out.empty()) out += L' ';
    std::wstring arg = L"--" + Utf8ToWide(name);
    if (!value.empty()) arg += L"=" + value;
    out += QuoteArgument(arg);
  }
  return out;
}

std::wstring CommandLine::Render() const {
  // The program is always quoted: CommandLineToArgvW reads argument 0 up to the next quote
  // without escapes, and program paths hold no quotes.
  std::wstring out = L"\"" + program_ + L"\"";
  std::wstring arguments = RenderArguments();
  if (!arguments.empty()) out += L" " + arguments;
  return out;
}

}  // namespace base
