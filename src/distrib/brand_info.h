// The resolved brand configuration: setup URLs, brand and partner ids, interface language, legal
// and service URLs, behaviour flags and the package paths. Built once at start-up from the
// partner package (resource 320) and the brand package (319 or "BRAND_" + name), then read-only.
// Parsing, defaults and logging are portable; resources, files, registry and the region
// lookup live in brand_info_win.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace distrib {

// Tri-state values of the configuration flags.
enum TriState : int { kUnset = 0, kTrue = 1, kFalse = 2 };

// Where GetInfo finds the packages: resources of type "BIN" of the installer by default.
struct PackageResources {
  std::function<std::string(int id)> by_id;
  std::function<std::string(const std::wstring& name)> by_name;
};
PackageResources InstallerPackageResources();

// The brand for the user's region and UI language; "vorlex" when no row matches.
std::string AutodetectBrandName(const std::string& region, const std::string& locale);

class BrandInfo {
 public:
  explicit BrandInfo(std::wstring work_dir) : work_dir_(std::move(work_dir)) {}
  BrandInfo(const BrandInfo&) = delete;
  BrandInfo& operator=(const BrandInfo&) = delete;

  // Fills the record from the packages for the "brand-name" switch value (empty, "auto" or a
  // name); writes the packages to the work directory.
  void GetInfo(const std::string& brand_name, const PackageResources& resources = InstallerPackageResources());
  // Reads the configuration member of one package (a cabinet) into the fields still unset.
  void Parse(std::string_view package, const std::string& member_name);
  // Reads the keys of one configuration document (signed-JSON text) into the fields still unset.
  void ParseConfig(std::string_view json_text);
  // Fills unset values with the built-in defaults, derives the language id, logs the result.
  void ApplyDefaults();
  void ApplyDefaultsFor(const std::string& user_language);
  void LogBrandInfo() const;
  void Clear();

  // Registry hand-off for the setup (the installation flow calls these).
  void StoreBrandHandoff() const;
  void StoreLanguageHandoff() const;
  void RemoveBrandHandoff() const;

  void set_interface_language(std::string language) { interface_language_ = std::move(language); }

  const std::string& setup_url() const { return setup_url_; }
  const std::string& setup_url_version() const { return setup_url_version_; }
  const std::string& setup_url64() const { return setup_url64_; }
  const std::string& setup_url_version64() const { return setup_url_version64_; }
  const std::string& setup_url32() const { return setup_url32_; }
  const std::string& brand_id() const { return brand_id_; }
  const std::string& brand_name() const { return brand_name_; }
  const std::string& interface_language() const { return interface_language_; }
  uint16_t language_id() const { return language_id_; }
  const std::string& license_url() const { return license_url_; }
  const std::string& conf_policy_url() const { return conf_policy_url_; }
  const std::wstring& work_dir() const { return work_dir_; }
  const std::wstring& brand_package_path() const { return brand_package_path_; }
  const std::wstring& partner_package_path() const { return partner_package_path_; }
  const std::string& partner_id() const { return partner_id_; }
  const std::string& scenarios_url() const { return scenarios_url_; }
  const std::string& slide_url() const { return slide_url_; }
  const std::string& slide_url_if_tagged() const { return slide_url_if_tagged_; }
  const std::string& variations_url() const { return variations_url_; }
  const std::string& abt_url() const { return abt_url_; }
  const std::string& webntp_url() const { return webntp_url_; }
  const std::string& preloaded_wallpapers_url() const { return preloaded_wallpapers_url_; }
  [[nodiscard]] bool has_brand_package() const { return has_brand_package_; }
  bool has_partner_package() const { return has_partner_package_; }

  [[nodiscard]] bool send_statistics() const { return send_statistics_ != kFalse; }
  bool make_browser_default() const { return make_browser_default_ != kFalse; }
  [[nodiscard]] bool omrix_taskbar_shortcut_prompt() const { return omrix_taskbar_shortcut_promt_ == kTrue; }
  bool alternate_installer_title() const { return alternate_installer_title_ == kTrue; }
  int send_statistics_state() const { return send_statistics_; }

 private:
  std::string setup_url_;
  std::string setup_url_version_;
  std::string setup_url64_;
  std::string setup_url_version64_;
  std::string setup_url32_;
  std::string brand_id_;
  std::string brand_name_;
  std::string interface_language_;
  uint16_t language_id_ = 1033;
  std::string license_url_;
  std::string conf_policy_url_;
  std::wstring work_dir_;
  std::wstring brand_package_path_;
  std::wstring partner_package_path_;
  std::string partner_id_;
  std::string scenarios_url_;
  std::string slide_url_;
  std::string slide_url_if_tagged_;
  std::string variations_url_;
  std::string abt_url_;
  std::string webntp_url_;
  std::string preloaded_wallpapers_url_;
  int omrix_taskbar_shortcut_promt_ = kUnset;
  bool has_brand_package_ = false;
  bool has_partner_package_ = false;
  int alternate_installer_title_ = kUnset;
  int send_statistics_ = kUnset;
  int make_browser_default_ = kUnset;
};

}  // namespace distrib
