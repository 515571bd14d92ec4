// The wire format of install statistics: saved common parameters, merging, the "vars" segment
// and the URL path. Portable; the Win32 escaping is passed in.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace net {

// Keys compare byte-wise ascending.
using StatParams = std::map<std::string, std::wstring>;

enum StatParam : int32_t {
  kStatBrandId = 0,
  kStatPartnerId = 1,
  kStatBannerId = 2,
  kStatVorlexUid = 3,
  kStatDistrVorlexUid = 4,
  kStatNewVer = 5,
  kStatOldVer = 6,  // read only
  kStatInstallType = 7,
  kStatOmrix = 8,
};
// "brand_id", "partner_id", ...; empty for an unknown number.
const char* StatParamName(StatParam param);

// Report kinds: 0 installation reports, 1 dialog-window events.
struct StatKindInfo {
  int32_t cid;
  const char* path;
};
// The row of the kind table; unknown kinds use the installation reports' row.
const StatKindInfo& GetStatKind(int32_t kind);

// "lite", "full", "updater", "service", "service_audit", "browser_diagnostics"; others "lite".
const char* InstallerTypeName(int32_t installer_type);

inline constexpr char kStatisticsPath[] = "/installstats/send/dtype=stred/pid=457";

// "install_stat": key LF value LF for every parameter in key order.
std::wstring SerializeStatParams(const StatParams& params);
// Lines taken alternately as key and value; a key without its value line is dropped.
StatParams ParseStatParams(std::wstring_view text);

// Common parameters first (they win over event parameters of the same name), then
// "old_style" = "0" and, if none is known, "brand_id" = "unknown".
StatParams MergeStatParams(const StatParams& common, const StatParams& event);

// "," "-" "=" become "_" (they delimit the vars segment).
std::wstring ReplaceVarsDelimiters(std::wstring_view text);
// Characters above U+007F as percent-encoded UTF-8; the rest unchanged.
std::wstring PercentEncodeNonAscii(std::wstring_view text);
// "-key=value,-key=value..." with keys and values escaped by escape (after the delimiter
// replacement); the result narrowed by keeping the low byte of every character.
std::string BuildStatVars(const StatParams& merged,
                          const std::function<std::wstring(const std::wstring&)>& escape);
// origin + the statistics path + "/cid=.../path=..." + ("/vars=" + vars) + "/*".
std::string BuildStatUrl(const std::string& origin, int32_t kind, const std::string& vars);

// The event name that marks a running browser started by the setup: "Global\" + the launch
// command line without its surrounding quotes, backslashes as "!", A-Z lower-cased. Empty for
// command lines of two characters or less.
std::wstring LaunchedEventName(std::wstring_view command_line);

}  // namespace net
