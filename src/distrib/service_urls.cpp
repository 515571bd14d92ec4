#include "distrib/service_urls.h"

#include "base/service_hosts.h"
#include "distrib/brand_info.h"
#include "logging/log.h"

namespace distrib {

namespace {

struct Language {
  const char* tag;
  uint16_t id;
};
constexpr Language kLanguages[] = {
    {"ru", 1049}, {"uk", 1058},    {"tr", 1055},    {"de", 1031},    {"es", 3082},    {"fr", 1036},
    {"it", 1040}, {"ja", 1041},    {"pt-PT", 2070}, {"pt-BR", 1046}, {"zh-CN", 2052}, {"zh-TW", 1028},
    {"kk", 1087}, {"uz", 1091},    {"cs", 1029},    {"en", 1033},
};

// Parameters the download page passes on, in key order.
constexpr const char* kForwardedParams[] = {"banerid", "beta",     "betacusto", "bgid",  "custo",      "dorvel",
                                            "expvespin", "football", "lang",      "partner_id", "vespin",
                                            "vxpartner_id"};

}  // namespace

std::string LanguageTagFromId(uint16_t langid) {
  for (const Language& language : kLanguages)
    if (language.id == langid) return language.tag;
  return "en";
}

uint16_t LanguageId(const std::string& tag) {
  for (const Language& language : kLanguages)
    if (tag == language.tag) return language.id;
  return 1033;
}

std::string LicenseUrl(const BrandInfo& brand) {
  return brand.license_url() + "?lang=" + brand.interface_language();
}

std::string GetInstallerSlideUrl(const BrandInfo& brand) {
  if (!brand.slide_url().empty()) return brand.slide_url();
  LOG(WARNING) << "Deprecated. Use brand package for setting \"slide_url\" in \"install\" section";
  return base::ServiceHost(base::Service::kCdn) + "/browser/installer/" + brand.interface_language() + "/";
}

std::string DownloadPageRegion(const std::string& brand_id) {
  if (brand_id == "by") return "by";
  if (brand_id == "int") return "int";
  if (brand_id == "tb") return "tr";
  if (brand_id == "ua" || brand_id == "ua-uk" || brand_id == "ua-ru") return "ua";
  return "ru";
}

std::string SupportPageRegion(const std::string& brand_id) {
  if (brand_id == "int") return "int";
  if (brand_id == "tb") return "tr";
  if (brand_id == "ua-uk" || brand_id == "ua-ru") return "ua";
  return "ru";
}

std::string DownloadPageUrl(const std::string& brand_id, const ParamMap& params) {
  std::string url = base::RegionalHost(base::Service::kBrowserSite, DownloadPageRegion(brand_id)) + "/download?";
  // kForwardedParams is sorted, so this visits the parameters in key order.
  for (const char* key : kForwardedParams) {
    auto it = params.find(key);
    if (it != params.end()) url += it->first + "=" + it->second + "&";
  }
  url += "full=1";
  url += "&code=lite_install_failed";
  return url;
}

std::string DownloadPageUrl(const BrandInfo& brand, const DistribParams& params) {
  return DownloadPageUrl(brand.brand_id(), params.params());
}

std::string SupportPageUrl(const std::string& brand_id) {
  return base::RegionalHost(base::Service::kPortalSite, SupportPageRegion(brand_id)) +
         "/support/browser/about/install.xml";
}

}  // namespace distrib
