// Service hosts are build configuration; the components fix the paths. Release builds name the
// production hosts. Builds with loopback endpoints (the `win` preset, tests and demo) send every
// service to http://127.0.0.1:<VORLEX_LOOPBACK_PORT>, or to the URL in VORLEX_<SERVICE>_URL when
// that variable is set (for example VORLEX_CRASH_URL for a separate crash collector).
#pragma once

#include <string>

namespace base {

enum class Service {
  kCdn,          // setup download, slides, deprecated slide URL fallback
  kStatistics,   // "/installstats/send/..."
  kReport,       // "/get/browser/install"
  kCrash,        // "/submit"
  kVariations,   // variations and ABT seeds
  kBrowserSite,  // download page (regional: see distrib)
  kPortalSite,   // support page (regional: see distrib)
  kLegal,        // license and confidentiality pages
  kAbt,          // ABT seed (the second API endpoint)
  kWebNtp,       // web new-tab-page bundle (host only)
};

// Scheme and host (and port), without a trailing slash: "https://stat.vorlex.net".
std::string ServiceHost(Service service);
// Production host of a regional site; region is "ru", "by", "int", "tr", "ua".
std::string RegionalHost(Service site, const std::string& region);

}  // namespace base
