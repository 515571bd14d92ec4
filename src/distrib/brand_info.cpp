#include "distrib/brand_info.h"

#include <optional>

#include "base/json.h"
#include "base/service_hosts.h"
#include "base/strings.h"
#include "distrib/cabinet.h"
#include "distrib/service_urls.h"
#include "logging/log.h"

namespace distrib {

namespace {

struct BrandRow {
  const char* region;  // empty: any
  const char* locale;  // empty: any
  const char* brand;
};
constexpr BrandRow kBrandRows[] = {
    {"RU", "uk", "ua_uk"}, {"RU", "", "vorlex"}, {"UA", "ru", "ua_ru"}, {"UA", "", "ua_uk"},
    {"TR", "", "tb"},      {"", "ru", "vorlex"}, {"", "uk", "ua_uk"},   {"", "tr", "tb"},
};

// Walks a dotted key through nested objects.
const base::Json* Lookup(const base::Json& document, std::string_view key) {
  const base::Json* node = &document;
  for (const std::string& part : base::Split(key, '.')) {
    if (!node->is_object()) return nullptr;
    auto it = node->find(part);
    if (it == node->end()) return nullptr;
    node = &*it;
  }
  return node;
}

constexpr std::string_view kInstallPrefix = "install.";

}  // namespace

std::string AutodetectBrandName(const std::string& region, const std::string& locale) {
  for (const BrandRow& row : kBrandRows) {
    if (*row.region && region != row.region) continue;
    if (*row.locale && locale != row.locale) continue;
    LOG(INFO) << "Detected brand-name: " << row.brand;
    return row.brand;
  }
  LOG(INFO) << "Didn't found brand-name. Use default: " << "vorlex";
  return "vorlex";
}

void BrandInfo::Parse(std::string_view package, const std::string& member_name) {
  CabinetFiles files;
  (void)ExtractCabinetFile(package, member_name, &files);
  auto member = files.find(member_name);
  if (member == files.end()) return;
  ParseConfig(member->second);
  LogBrandInfo();
}

void BrandInfo::ParseConfig(std::string_view json_text) {
  // A document that does not parse reads as empty: every key is missing.
  base::Json document = base::ParseJson(json_text).value_or(base::Json::object());

  auto read_string = [&](std::string_view key, std::string& field) {
    auto usable = [&](const base::Json* value) { return value && value->is_string(); };
    if (!field.empty()) return;
    const base::Json* value = Lookup(document, key);
    if (!usable(value) && key.substr(0, kInstallPrefix.size()) == kInstallPrefix && document.is_object()) {
      auto it = document.find(std::string(key.substr(kInstallPrefix.size())));
      value = it == document.end() ? nullptr : &*it;
    }
    if (usable(value)) field = value->get<std::string>();
  };
  auto read_flag = [&](std::string_view key, int& field) {
    auto usable = [&](const base::Json* value) { return value && value->is_boolean(); };
    if (field != kUnset) return;
    const base::Json* value = Lookup(document, key);
    if (!usable(value) && key.substr(0, kInstallPrefix.size()) == kInstallPrefix && document.is_object()) {
      auto it = document.find(std::string(key.substr(kInstallPrefix.size())));
      value = it == document.end() ? nullptr : &*it;
    }
    if (usable(value)) field = value->get<bool>() ? kTrue : kFalse;
  };

  read_string("languages.interface", interface_language_);
  language_id_ = LanguageId(interface_language_);
  read_string("brand_id", brand_id_);
  read_string("brand_name", brand_name_);
  read_string("install.setup_url", setup_url_);
  read_string("install.setup_url_version", setup_url_version_);
  read_string("install.setup_url64", setup_url64_);
  read_string("install.setup_url_version64", setup_url_version64_);
  read_string("install.setup_url32", setup_url32_);
  read_string("license_url", license_url_);
  read_string("install.conf_policy_url", conf_policy_url_);
  read_flag("install.alternate_installer_title", alternate_installer_title_);
  read_flag("install.send_statistics", send_statistics_);
  read_flag("install.make_browser_default", make_browser_default_);
  read_string("partner_id", partner_id_);
  read_string("install.scenarios_url", scenarios_url_);
  read_string("install.slide_url", slide_url_);
  read_string("install.slide_url_if_tagged", slide_url_if_tagged_);
  read_string("urls.variations", variations_url_);
  read_string("urls.abt", abt_url_);
  read_string("urls.webntp", webntp_url_);
  read_string("install.preloaded_wallpapers_url", preloaded_wallpapers_url_);
  read_flag("install.omrix_taskbar_shortcut_promt", omrix_taskbar_shortcut_promt_);
}

void BrandInfo::ApplyDefaultsFor(const std::string& user_language) {
  using base::Service;
  using base::ServiceHost;
  if (brand_id_.empty()) brand_id_ = "vorlex";
  if (brand_name_.empty()) brand_name_ = brand_id_;
  if (setup_url_.empty()) setup_url_ = ServiceHost(Service::kCdn) + "/browser/" + brand_id_ + "/browser-setup.arc";
  if (interface_language_.empty()) interface_language_ = user_language;
  language_id_ = LanguageId(interface_language_);
  if (license_url_.empty()) license_url_ = ServiceHost(Service::kLegal) + "/browser_agreement/";
  if (conf_policy_url_.empty()) conf_policy_url_ = ServiceHost(Service::kLegal) + "/confidential/";
  if (scenarios_url_.empty()) scenarios_url_ = ServiceHost(Service::kCdn) + "/browser/installer/omrix/scenarios/";
  if (variations_url_.empty())
    variations_url_ = ServiceHost(Service::kVariations) + "/content/get/experiments/browser.proto";
  if (abt_url_.empty()) abt_url_ = ServiceHost(Service::kAbt) + "/ab/get";
  if (webntp_url_.empty()) webntp_url_ = ServiceHost(Service::kWebNtp);
  LogBrandInfo();
}

void BrandInfo::LogBrandInfo() const {
  LOG(INFO) << "Brand id: " << brand_id_;
  LOG(INFO) << "Brand name: " << brand_name_;
  LOG(INFO) << "Setup url: " << setup_url_;
  LOG(INFO) << "Versioned setup url: " << setup_url_version_;
  LOG(INFO) << "Setup url64: " << setup_url64_;
  LOG(INFO) << "Versioned setup url64: " << setup_url_version64_;
  LOG(INFO) << "Setup url32: " << setup_url32_;
  LOG(INFO) << "Default language: " << interface_language_;
  LOG(INFO) << "Omrix install scenarios url: " << scenarios_url_;
  LOG(INFO) << "Install slide url by default: " << slide_url_;
  LOG(INFO) << "Install slide url if tagged installer: " << slide_url_if_tagged_;
  LOG(INFO) << "Show international title: " << (alternate_installer_title() ? 1 : 0);
  LOG(INFO) << "Send browser's statistics: " << (send_statistics() ? 1 : 0);
  LOG(INFO) << "Make browser default after import: " << (make_browser_default() ? 1 : 0);
  LOG(INFO) << "Preloaded wallpapers url: " << preloaded_wallpapers_url_;
  LOG(INFO) << "Omrix taskbar shortcut promt: " << (omrix_taskbar_shortcut_prompt() ? 1 : 0);
}

void BrandInfo::Clear() {
  LOG(INFO) << "Reset brand info.";
  for (std::string* field :
       {&setup_url_, &setup_url_version_, &setup_url64_, &setup_url_version64_, &setup_url32_, &brand_id_,
        &brand_name_, &interface_language_, &license_url_, &conf_policy_url_, &partner_id_, &scenarios_url_,
        &slide_url_, &slide_url_if_tagged_, &variations_url_, &abt_url_, &webntp_url_, &preloaded_wallpapers_url_})
    field->clear();
  brand_package_path_.clear();
  partner_package_path_.clear();
  language_id_ = 1033;
  omrix_taskbar_shortcut_promt_ = alternate_installer_title_ = send_statistics_ = make_browser_default_ = kUnset;
  has_brand_package_ = has_partner_package_ = false;
}

}  // namespace distrib
