#include <gtest/gtest.h>

#include "base/service_hosts.h"
#include "distrib/brand_info.h"
#include "distrib/service_urls.h"

namespace distrib {
namespace {

TEST(ServiceUrlsTest, LanguageTable) {
  const std::pair<const char*, uint16_t> table[] = {
      {"ru", 1049}, {"uk", 1058},    {"tr", 1055},    {"de", 1031},    {"es", 3082},    {"fr", 1036},
      {"it", 1040}, {"ja", 1041},    {"pt-PT", 2070}, {"pt-BR", 1046}, {"zh-CN", 2052}, {"zh-TW", 1028},
      {"kk", 1087}, {"uz", 1091},    {"cs", 1029},    {"en", 1033}};
  for (const auto& [tag, id] : table) {
    EXPECT_EQ(LanguageId(tag), id) << tag;
    EXPECT_EQ(LanguageTagFromId(id), tag) << id;
  }
  EXPECT_EQ(LanguageTagFromId(2057), "en");  // English (United Kingdom)
  EXPECT_EQ(LanguageId("PT-BR"), 1033);
  EXPECT_EQ(LanguageId("pt"), 1033);
  EXPECT_EQ(LanguageId(""), 1033);
  EXPECT_EQ(LanguageId(LanguageTagFromId(1024)), 1033);
}

TEST(ServiceUrlsTest, RegionalSites) {
  using base::RegionalHost;
  using base::Service;
  EXPECT_EQ(DownloadPageRegion("by"), "by");
  EXPECT_EQ(SupportPageRegion("by"), "ru");
  EXPECT_EQ(DownloadPageRegion("ua"), "ua");
  EXPECT_EQ(SupportPageRegion("ua"), "ru");
  for (const char* id : {"ua-uk", "ua-ru"}) {
    EXPECT_EQ(DownloadPageRegion(id), "ua");
    EXPECT_EQ(SupportPageRegion(id), "ua");
  }
  // Only the hyphen selects Ukraine.
  EXPECT_EQ(DownloadPageRegion("ua_uk"), "ru");
  EXPECT_EQ(SupportPageRegion("ua_uk"), "ru");
  EXPECT_EQ(DownloadPageRegion("tb"), "tr");
  EXPECT_EQ(SupportPageRegion("int"), "int");
  EXPECT_EQ(DownloadPageRegion("vorlex"), "ru");
  EXPECT_EQ(DownloadPageRegion("TB"), "ru");

  EXPECT_EQ(SupportPageUrl("tb"), RegionalHost(Service::kPortalSite, "tr") + "/support/browser/about/install.xml");
  const std::string base_ru = RegionalHost(Service::kBrowserSite, "ru") + "/download";
  EXPECT_EQ(DownloadPageUrl("vorlex", {}), base_ru + "?full=1&code=lite_install_failed");
  EXPECT_EQ(DownloadPageUrl("vorlex", ParseDistribParams("lang=ru&clid=5")),
            base_ru + "?lang=ru&full=1&code=lite_install_failed");
  EXPECT_EQ(DownloadPageUrl("by", ParseDistribParams("vxpartner_id=9&banerid=b%20&beta&clid=1&vespin=v")),
            RegionalHost(Service::kBrowserSite, "by") +
                "/download?banerid=b%20&beta=&vespin=v&vxpartner_id=9&full=1&code=lite_install_failed");
}

TEST(ServiceUrlsTest, LicenseAndSlides) {
  BrandInfo brand(L"C:\\t\\");
  brand.ParseConfig(R"({"license_url": "https://legal/terms?x=1"})");
  brand.set_interface_language("uk");
  brand.ApplyDefaultsFor("en");
  EXPECT_EQ(LicenseUrl(brand), "https://legal/terms?x=1?lang=uk");
  EXPECT_EQ(GetInstallerSlideUrl(brand), base::ServiceHost(base::Service::kCdn) + "/browser/installer/uk/");

  BrandInfo with_slides(L"C:\\t\\");
  with_slides.ParseConfig(R"({"install": {"slide_url": "https://slides/"}})");
  with_slides.ApplyDefaultsFor("en");
  EXPECT_EQ(GetInstallerSlideUrl(with_slides), "https://slides/");
  EXPECT_EQ(DownloadPageUrl(with_slides, DistribParams("lang=tr")),
            base::RegionalHost(base::Service::kBrowserSite, "ru") + "/download?lang=tr&full=1&code=lite_install_failed");
}

}  // namespace
}  // namespace distrib
