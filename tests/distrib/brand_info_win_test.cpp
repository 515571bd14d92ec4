#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/file_util.h"
#include "base/service_hosts.h"
#include "distrib/brand_info.h"
#include "distrib/cabinet.h"
#include "distrib_test_util.h"
#include "support/scratch_current_user.h"

namespace distrib {
namespace {

std::string Cdn() { return base::ServiceHost(base::Service::kCdn); }

TEST(BrandInfoTest, PartnerBeforeBrandAndKeyRules) {
  BrandInfo brand(L"C:\\t\\");
  // Partner first: its values win; the brand fills only what the partner left unset.
  brand.ParseConfig(R"({"partner_id": "p1", "install": {"send_statistics": false, "setup_url": 5},
                        "brand_id": ["wrong type"], "urls": {"abt": "https://partner/abt"}})");
  brand.ParseConfig("//c2lnbmF0dXJl\r\n" R"({
      "brand_id": "tb", "partner_id": "p2", "languages": {"interface": "tr"},
      "install": {"send_statistics": true, "make_browser_default": "false", "alternate_installer_title": true},
      "setup_url": "https://top-level/setup.arc",
      "slide_url": "https://second-chance/slides/",
      "conf_policy_url": "https://not-read-without-install-prefix/",
      "urls": {"abt": "https://brand/abt", "variations": {"nested": "x"}}})");
  brand.ApplyDefaultsFor("de");
  EXPECT_EQ(brand.partner_id(), "p1");
  EXPECT_FALSE(brand.send_statistics());
  EXPECT_EQ(brand.abt_url(), "https://partner/abt");
  EXPECT_EQ(brand.brand_id(), "tb");
  EXPECT_EQ(brand.brand_name(), "tb");
  EXPECT_EQ(brand.interface_language(), "tr");
  EXPECT_EQ(brand.language_id(), 1055);
  // "install." keys get a second chance at the top level; other keys do not.
  EXPECT_EQ(brand.setup_url(), "https://top-level/setup.arc");
  EXPECT_EQ(brand.slide_url(), "https://second-chance/slides/");
  EXPECT_EQ(brand.conf_policy_url(), "https://not-read-without-install-prefix/");
  // Wrong JSON types are ignored and the defaults apply.
  EXPECT_TRUE(brand.make_browser_default());
  EXPECT_TRUE(brand.alternate_installer_title());
  EXPECT_FALSE(brand.omrix_taskbar_shortcut_prompt());
  EXPECT_EQ(brand.variations_url(), base::ServiceHost(base::Service::kVariations) + "/content/get/experiments/browser.proto");
}

TEST(BrandInfoTest, DefaultsAndUnparsableDocuments) {
  BrandInfo brand(L"C:\\t\\");
  std::string deep(2049, '[');
  deep += std::string(2049, ']');
  brand.ParseConfig("{\"brand_id\": \"tb\", \"x\": " + deep + "}");  // one level too deep: nothing is read
  brand.ParseConfig("{\"brand_id\": ");                               // truncated
  brand.ApplyDefaultsFor("kk");
  EXPECT_EQ(brand.brand_id(), "vorlex");
  EXPECT_EQ(brand.brand_name(), "vorlex");
  EXPECT_EQ(brand.setup_url(), Cdn() + "/browser/vorlex/browser-setup.arc");
  EXPECT_EQ(brand.interface_language(), "kk");
  EXPECT_EQ(brand.language_id(), 1087);
  EXPECT_EQ(brand.license_url(), base::ServiceHost(base::Service::kLegal) + "/browser_agreement/");
  EXPECT_EQ(brand.conf_policy_url(), base::ServiceHost(base::Service::kLegal) + "/confidential/");
  EXPECT_EQ(brand.scenarios_url(), Cdn() + "/browser/installer/omrix/scenarios/");
  EXPECT_EQ(brand.abt_url(), base::ServiceHost(base::Service::kAbt) + "/ab/get");
  EXPECT_EQ(brand.webntp_url(), base::ServiceHost(base::Service::kWebNtp));
  EXPECT_TRUE(brand.send_statistics());
  EXPECT_EQ(brand.slide_url(), "");

  std::string nested(2047, '[');  // 2048 levels with the object: still accepted
  nested += std::string(2047, ']');
  BrandInfo accepted(L"C:\\t\\");
  accepted.ParseConfig("{\"brand_id\": \"tb\", \"x\": " + nested + "}");
  accepted.ApplyDefaultsFor("en");
  EXPECT_EQ(accepted.brand_id(), "tb");

  brand.Clear();
  EXPECT_EQ(brand.brand_id(), "");
  EXPECT_EQ(brand.language_id(), 1033);
  EXPECT_EQ(brand.send_statistics_state(), kUnset);
}

TEST(BrandInfoTest, AutodetectTableOrder) {
  EXPECT_EQ(AutodetectBrandName("RU", "uk"), "ua_uk");
  EXPECT_EQ(AutodetectBrandName("RU", "en"), "vorlex");
  EXPECT_EQ(AutodetectBrandName("UA", "ru"), "ua_ru");
  EXPECT_EQ(AutodetectBrandName("UA", "tr"), "ua_uk");
  EXPECT_EQ(AutodetectBrandName("TR", "ru"), "tb");
  EXPECT_EQ(AutodetectBrandName("", "ru"), "vorlex");
  EXPECT_EQ(AutodetectBrandName("DE", "uk"), "ua_uk");
  EXPECT_EQ(AutodetectBrandName("US", "tr"), "tb");
  EXPECT_EQ(AutodetectBrandName("US", "en"), "vorlex");
  EXPECT_EQ(AutodetectBrandName("ru", "de"), "vorlex");  // case-sensitive: no row, the default
}

TEST(CabinetTest, ExtractsFromRealCabinetsAndRefusesOthers) {
  std::string package = distrib_test::InstallerResource(MAKEINTRESOURCEW(319));
  ASSERT_EQ(package.substr(0, 4), "MSCF");
  CabinetFiles files;
  EXPECT_TRUE(ExtractCabinetFile(package, "brand_config", &files));
  ASSERT_EQ(files.size(), 1u);
  const std::string member = files["brand_config"];
  ASSERT_GT(member.size(), 176u);
  EXPECT_EQ(member.substr(0, 2), "//");
  EXPECT_EQ(member.substr(174, 2), "\r\n");  // "//" + 172 Base64 characters
  EXPECT_NE(member.find("\"brand_id\": \"vorlex\""), std::string::npos);

  files.clear();
  EXPECT_TRUE(ExtractCabinetFile(package, "partner_config", &files));  // no such member
  EXPECT_TRUE(files.empty());

  for (const std::string& bad : {std::string(), std::string("MSCF"), std::string("not a cabinet at all"),
                                 package.substr(0, package.size() / 2)}) {
    files.clear();
    EXPECT_FALSE(ExtractCabinetFile(bad, "brand_config", &files)) << bad.size();
    EXPECT_TRUE(files.empty());
  }

  // A cabinet whose file continues from a previous cabinet: spanning sets are refused.
  std::string spanning = package;
  const size_t kHeader = 36;
  std::string names("prev.cab\0disk\0", 14);
  spanning.insert(kHeader, names);
  auto add32 = [&](size_t at, uint32_t delta) {
    uint32_t v;
    std::memcpy(&v, &spanning[at], 4);
    v += delta;
    std::memcpy(&spanning[at], &v, 4);
  };
  add32(8, static_cast<uint32_t>(names.size()));   // cbCabinet
  add32(16, static_cast<uint32_t>(names.size()));  // coffFiles
  add32(kHeader + names.size(), static_cast<uint32_t>(names.size()));  // the folder's coffCabStart
  spanning[30] |= 0x01;                            // cfhdrPREV_CABINET
  files.clear();
  EXPECT_TRUE(ExtractCabinetFile(spanning, "brand_config", &files));  // the header edit alone is harmless
  EXPECT_EQ(files["brand_config"], member);
  uint32_t files_at;
  std::memcpy(&files_at, &spanning[16], 4);
  spanning[files_at + 8] = static_cast<char>(0xFD);  // iFolder: continued from previous and to next
  spanning[files_at + 9] = static_cast<char>(0xFF);
  files.clear();
  EXPECT_FALSE(ExtractCabinetFile(spanning, "brand_config", &files));
  EXPECT_TRUE(files.empty());
}

TEST(BrandInfoTest, GetInfoFromTheInstallerPackages) {
  test::ScratchCurrentUser registry;
  test::ScratchDir dir;
  PackageResources resources{[](int id) { return distrib_test::InstallerResource(MAKEINTRESOURCEW(id)); },
                             [](const std::wstring& name) { return distrib_test::InstallerResource(name.c_str()); }};
  std::wstring work = dir.path() + L"\\";

  BrandInfo tb(work);
  tb.GetInfo("tb", resources);
  tb.ApplyDefaultsFor("en");
  EXPECT_EQ(tb.brand_id(), "tb");
  EXPECT_EQ(tb.interface_language(), "tr");
  EXPECT_TRUE(tb.alternate_installer_title());
  EXPECT_EQ(tb.partner_id(), "vorlex-direct");  // from the partner package
  EXPECT_TRUE(tb.has_brand_package());
  EXPECT_TRUE(tb.has_partner_package());
  EXPECT_EQ(base::ReadFileToString(work + L"BrandFile"), distrib_test::InstallerResource(L"BRAND_TB"));
  EXPECT_EQ(base::ReadFileToString(work + L"PartnerFile"), distrib_test::InstallerResource(MAKEINTRESOURCEW(320)));

  BrandInfo ua(work);
  ua.GetInfo("ua_uk", resources);
  ua.ApplyDefaultsFor("en");
  EXPECT_EQ(ua.brand_id(), "ua-uk");

  // "Auto" is not "auto": "BRAND_AUTO" does not exist and the default package applies.
  BrandInfo fallback(work);
  fallback.GetInfo("Auto", resources);
  fallback.ApplyDefaultsFor("en");
  EXPECT_EQ(fallback.brand_id(), "vorlex");
  EXPECT_EQ(fallback.interface_language(), "en");
  EXPECT_EQ(base::ReadFileToString(work + L"BrandFile"), distrib_test::InstallerResource(MAKEINTRESOURCEW(319)));

  // No packages at all: defaults, no files claimed.
  BrandInfo empty(dir.Child(L"none\\"));
  empty.GetInfo("", PackageResources{});
  empty.ApplyDefaultsFor("en");
  EXPECT_FALSE(empty.has_brand_package());
  EXPECT_EQ(empty.setup_url(), Cdn() + "/browser/vorlex/browser-setup.arc");

  // Registry hand-off, and its removal by the next GetInfo.
  tb.StoreBrandHandoff();
  tb.StoreLanguageHandoff();
  std::wstring value;
  ASSERT_TRUE(registry.Read(L"BrandFile", &value));
  EXPECT_EQ(value, work + L"BrandFile");
  ASSERT_TRUE(registry.Read(L"PartnerFile", &value));
  ASSERT_TRUE(registry.Read(L"lang", &value));
  EXPECT_EQ(value, L"tr");
  BrandInfo again(work);
  again.GetInfo("", resources);
  EXPECT_FALSE(registry.Read(L"brand", &value));
  EXPECT_FALSE(registry.Read(L"PartnerFile", &value));
}

}  // namespace
}  // namespace distrib

namespace distrib {
namespace {

// The installer carries the ABT seed document "ABT_CONFIG": the variations file's four members,
// in their order, pretty-printed.
TEST(InstallerResourcesTest, AbtConfigDocument) {
  const std::string text = distrib_test::InstallerResource(L"ABT_CONFIG");
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("\n  \"variations_seed_base64\""), std::string::npos) << text;
  const nlohmann::ordered_json value = nlohmann::ordered_json::parse(text, nullptr, false);
  ASSERT_TRUE(value.is_object()) << text;
  std::vector<std::string> members;
  for (const auto& [key, member] : value.items()) {
    EXPECT_TRUE(member.is_string()) << key;
    members.push_back(key);
  }
  EXPECT_EQ(members, (std::vector<std::string>{"variations_seed_base64", "variations_seed_signature",
                                                "variations_last_modified_time", "variations_country"}));
}

}  // namespace
}  // namespace distrib
