#include "distrib/distrib_params.h"

#include <climits>

#include "base/command_line.h"
#include "base/json.h"

namespace distrib {

ParamMap ParseDistribParams(std::string_view text) {
  ParamMap params;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t key_end = text.find_first_of("=&", pos);
    if (key_end == std::string_view::npos) key_end = text.size();
    std::string key(text.substr(pos, key_end - pos));
    std::string value;
    size_t next = key_end;
    if (key_end < text.size() && text[key_end] == '=') {
      size_t value_end = text.find('&', key_end + 1);
      if (value_end == std::string_view::npos) value_end = text.size();
      value.assign(text.substr(key_end + 1, value_end - key_end - 1));
      next = value_end;
    }
    params[std::move(key)] = std::move(value);
    pos = next + 1;  // past the "&" (or past the end)
  }
  return params;
}

std::string DistribParamsToJson(const ParamMap& params) {
  base::Json object = base::Json::object();
  for (const auto& [key, value] : params) object[key] = value;
  // Strict: a value that is not UTF-8 fails the dump instead of being silently rewritten.
  try {
    return object.dump(2, ' ', false, base::Json::error_handler_t::strict);
  } catch (const base::Json::exception&) {
    return std::string();
  }
}

std::optional<int> ParseLeadingInt(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return std::nullopt;
  long long value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + (text[pos] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return std::nullopt;
  return static_cast<int>(value);
}

DistribParams::DistribParams(std::string text) : text_(std::move(text)), params_(ParseDistribParams(text_)) {}

std::optional<std::string> DistribParams::Get(std::string_view key) const {
  auto it = params_.find(std::string(key));
  if (it == params_.end()) return std::nullopt;
  return it->second;
}

std::optional<bool> DistribParams::GetFlag(std::string_view key) const {
  std::optional<std::string> value = Get(key);
  if (value == "1") return true;
  if (value == "2") return false;
  return std::nullopt;
}

std::optional<bool> DistribParams::GetStatFlag() const {
  if (std::optional<bool> stat = GetFlag("stat")) return stat;
  if (std::optional<std::string> promo = Get("statpromo")) return *promo == "true";
  return std::nullopt;
}

bool DistribParams::IsFirstRun() const {
  return Get("first") == "1" && GetFlag("def").has_value() && GetStatFlag().has_value();
}

UacMode DistribParams::UacMode(bool system_level_switch) const {
  if (system_level_switch) return kUacOnInstall;
  std::optional<std::string> value = Get("uac");
  if (!value) return kUacOnInstall;
  // A value that is not a 32-bit decimal number counts as absent.
  std::optional<int> mode = ParseLeadingInt(*value);
  if (!mode) return kUacOnInstall;
  if (*mode == kUacAtBrowserStart) return kUacAtBrowserStart;
  if (*mode == kUacWithWindow) return kUacWithWindow;
  if (*mode == kUacOnInstall) return IsFirstRun() ? kUacWithWindow : kUacOnInstall;
  return kUacOnInstall;
}

UacMode DistribParams::UacMode(const base::CommandLine& command_line) const {
  return UacMode(command_line.HasSwitch("system-level") || command_line.HasSwitch("program-files-installation"));
}

bool DistribParams::Cancel() const { return Get("cancel") == "1"; }

bool DistribParams::TaskEnabled(std::string_view key) const {
  std::optional<std::string> value = Get(key);
  if (!value) return key == "vup";
  return *value == "1";
}

}  // namespace distrib
