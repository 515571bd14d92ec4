#include "net/install_stat_query.h"

#include "base/strings.h"

namespace net {

namespace {

constexpr const char* kStatParamNames[] = {"brand_id",    "partner_id", "banner_id",
                                           "vorlex_uid",  "distr_vorlex_uid", "new_ver",
                                           "old_ver",     "install_type", "omrix"};

constexpr StatKindInfo kStatKinds[] = {
    {72992, "extended_stat"},
    {72696, "vxbrowser_reinstall_dialog"},
    {72696, "vxbrowser_pf_migration"},
    {72924, "zombo_window"},
};

}  // namespace

const char* StatParamName(StatParam param) {
  if (param < 0 || param >= static_cast<int32_t>(std::size(kStatParamNames))) return "";
  return kStatParamNames[param];
}

const StatKindInfo& GetStatKind(int32_t kind) {
  if (kind < 0 || kind >= static_cast<int32_t>(std::size(kStatKinds))) return kStatKinds[0];
  return kStatKinds[kind];
}

const char* InstallerTypeName(int32_t installer_type) {
  switch (installer_type) {
    case 1: return "full";
    case 2: return "updater";
    case 3: return "service";
    case 4: return "service_audit";
    case 5: return "browser_diagnostics";
    default: return "lite";
  }
}

std::wstring SerializeStatParams(const StatParams& params) {
  std::wstring text;
  for (const auto& [key, value] : params) {
    text += base::Utf8ToWide(key);
    text += L'\n';
    // A line break inside a value would shift every later pair when read back.
    for (wchar_t c : value) text += c == L'\n' ? L' ' : c;
    text += L'\n';
  }
  return text;
}

StatParams ParseStatParams(std::wstring_view text) {
  StatParams params;
  std::wstring_view key;
  bool have_key = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring_view::npos) end = text.size();
    std::wstring_view line = text.substr(start, end - start);
    if (!have_key) {
      key = line;
      have_key = true;
    } else {
      if (!key.empty()) params[base::WideToUtf8(key)] = std::wstring(line);
      have_key = false;
    }
    start = end + 1;
  }
  return params;
}

StatParams MergeStatParams(const StatParams& common, const StatParams& event) {
  StatParams merged = common;
  for (const auto& [key, value] : event) merged.emplace(key, value);  // keeps existing keys
  merged["old_style"] = L"0";
  merged.emplace("brand_id", L"unknown");
  return merged;
}

std::wstring ReplaceVarsDelimiters(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out)
    if (c == L',' || c == L'-' || c == L'=') c = L'_';
  return out;
}

std::wstring PercentEncodeNonAscii(std::wstring_view text) {
  std::wstring out;
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] < 0x80) {
      out += text[i];
      continue;
    }
    size_t length = 1;
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF)
      length = 2;
    for (unsigned char byte : base::WideToUtf8(text.substr(i, length))) {
      out += L'%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
    i += length - 1;
  }
  return out;
}

std::string BuildStatVars(const StatParams& merged,
                          const std::function<std::wstring(const std::wstring&)>& escape) {
  std::wstring vars;
  for (const auto& [key, value] : merged) {
    const std::wstring escaped_key = escape(ReplaceVarsDelimiters(base::AsciiToWide(key)));
    const std::wstring escaped_value = escape(ReplaceVarsDelimiters(value));
    if (!vars.empty()) vars += L',';
    vars += L'-';
    vars += escaped_key;
    vars += L'=';
    vars += escaped_value;
  }
  return base::WideToAscii(vars);
}

std::string BuildStatUrl(const std::string& origin, int32_t kind, const std::string& vars) {
  const StatKindInfo& info = GetStatKind(kind);
  std::string url = origin + kStatisticsPath + "/cid=" + std::to_string(info.cid) + "/path=" + info.path;
  if (!vars.empty()) url += "/vars=" + vars;
  url += "/*";
  return url;
}

std::wstring LaunchedEventName(std::wstring_view command_line) {
  if (command_line.size() <= 2) return std::wstring();
  if (!command_line.empty() && command_line.front() == L'"') command_line.remove_prefix(1);
  if (!command_line.empty() && command_line.back() == L'"') command_line.remove_suffix(1);
  std::wstring name(command_line);
  for (wchar_t& c : name) {
    if (c == L'\\') c = L'!';
    else if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return L"Global\\" + name;
}

}  // namespace net
