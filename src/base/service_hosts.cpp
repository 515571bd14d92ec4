#include "base/service_hosts.h"

#include <cstdlib>

namespace base {

namespace {

struct HostRow {
  Service service;
  const char* variable;  // VORLEX_<name>_URL in loopback builds
  const char* production;
};

constexpr HostRow kHosts[] = {
    {Service::kCdn, "CDN", "https://download.cdn.vorlex.net"},
    {Service::kStatistics, "STATISTICS", "https://stat.vorlex.net"},
    {Service::kReport, "REPORT", "https://api.browser.vorlex.net"},
    {Service::kCrash, "CRASH", "https://crash-reports.vorlex.net"},
    {Service::kVariations, "VARIATIONS", "https://variations.browser.vorlex.net"},
    {Service::kBrowserSite, "BROWSER_SITE", "https://browser.vorlex.ru"},
    {Service::kPortalSite, "PORTAL_SITE", "https://vorlex.ru"},
    {Service::kLegal, "LEGAL", "https://legal.vorlex.ru"},
    {Service::kAbt, "ABT", "https://abt.browser.vorlex.net"},
    {Service::kWebNtp, "WEBNTP", "https://webntp.browser.vorlex.net"},
};

const HostRow& Row(Service service) {
  for (const HostRow& row : kHosts)
    if (row.service == service) return row;
  return kHosts[0];
}

#if defined(VORLEX_LOOPBACK_ENDPOINTS)
std::string LoopbackHost(const HostRow& row) {
  std::string variable = std::string("VORLEX_") + row.variable + "_URL";
  if (const char* url = std::getenv(variable.c_str()); url && *url) return url;
  const char* port = std::getenv("VORLEX_LOOPBACK_PORT");
  return std::string("http://127.0.0.1:") + (port && *port ? port : "8765");
}
#endif

}  // namespace

std::string ServiceHost(Service service) {
#if defined(VORLEX_LOOPBACK_ENDPOINTS)
  return LoopbackHost(Row(service));
#else
  return Row(service).production;
#endif
}

std::string RegionalHost(Service site, const std::string& region) {
#if defined(VORLEX_LOOPBACK_ENDPOINTS)
  // One loopback server answers for every region; the region rides in the host's path.
  return LoopbackHost(Row(site)) + "/" + region;
#else
  const bool browser = site == Service::kBrowserSite;
  if (region == "by") return browser ? "https://browser.vorlex.by" : "https://vorlex.by";
  if (region == "int") return browser ? "https://browser.vorlex.com" : "https://vorlex.com";
  if (region == "tr") return browser ? "https://browser.vorlex.com.tr" : "https://vorlex.com.tr";
  if (region == "ua") return browser ? "https://browser.vorlex.ua" : "https://vorlex.ua";
  return Row(site).production;
#endif
}

}  // namespace base
