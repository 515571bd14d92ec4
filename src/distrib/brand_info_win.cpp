#include <windows.h>

#include "base/file_util.h"
#include "base/strings.h"
#include "distrib/brand_info.h"
#include "distrib/distrib_params.h"
#include "distrib/registry_handoff.h"
#include "distrib/service_urls.h"
#include "logging/log.h"

namespace distrib {

namespace {

std::string LoadBinResource(const wchar_t* name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, name, L"BIN");
  if (!info) return std::string();
  HGLOBAL handle = LoadResource(module, info);
  DWORD size = SizeofResource(module, info);
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!data || size == 0) return std::string();
  return std::string(static_cast<const char*>(data), size);
}

// The user's nation as its two-letter ISO code; empty when unknown.
std::string UserRegion() {
  GEOID nation = GetUserGeoID(GEOCLASS_NATION);
  if (nation == GEOID_NOT_AVAILABLE) return std::string();
  wchar_t iso[8] = {};
  int length = GetGeoInfoW(nation, GEO_ISO2, iso, 8, 0);
  if (length != 3) return std::string();  // two letters and the terminator
  return base::WideToAscii(std::wstring_view(iso, 2));
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string SizeText(size_t size) { return " [" + std::to_string(size) + "B]"; }

}  // namespace

std::string LoadInstallerBinResource(int resource_id) { return LoadBinResource(MAKEINTRESOURCEW(resource_id)); }

PackageResources InstallerPackageResources() {
  PackageResources resources;
  resources.by_id = [](int id) { return LoadBinResource(MAKEINTRESOURCEW(id)); };
  resources.by_name = [](const std::wstring& name) { return LoadBinResource(name.c_str()); };
  return resources;
}

void BrandInfo::GetInfo(const std::string& brand_name, const PackageResources& resources) {
  Clear();
  RemoveBrandHandoff();

  brand_package_path_ = work_dir_ + L"BrandFile";
  partner_package_path_ = work_dir_ + L"PartnerFile";
  LOG(INFO) << "Brand package path: " << brand_package_path_;
  LOG(INFO) << "Partner package path: " << partner_package_path_;

  std::string partner = resources.by_id ? resources.by_id(320) : std::string();
  if (!partner.empty()) {
    LOG(INFO) << "Extract Partner package: " << partner_package_path_ << SizeText(partner.size());
    if (!WriteWorkFile(work_dir_, partner_package_path_, partner))
      PLOG(ERROR) << "Can't write file " << partner_package_path_;
    has_partner_package_ = true;
    Parse(partner, "partner_config");
  } else {
    LOG(WARNING) << "Partner package is empty.";
  }

  std::string brand;
  std::string name;
  if (brand_name == "auto") {
    std::string region = UserRegion();
    LOG(INFO) << "User region: " << region;
    std::string locale = UserLanguageTag();
    LOG(INFO) << "User locale: " << locale;
    name = UpperAscii(AutodetectBrandName(region, locale));
    LOG(INFO) << "Fetching autodetected " << name << " package";
  } else if (!brand_name.empty()) {
    name = UpperAscii(brand_name);
    LOG(INFO) << "Fetching defined" << name << " package";
  }
  if (!name.empty() && resources.by_name) brand = resources.by_name(L"BRAND_" + base::AsciiToWide(name));
  if (brand.empty()) {
    LOG(INFO) << "Fetching default package";
    if (resources.by_id) brand = resources.by_id(319);
  }

  if (!brand.empty()) {
    LOG(INFO) << "Extract Brand package: " << brand_package_path_ << SizeText(brand.size());
    if (!WriteWorkFile(work_dir_, brand_package_path_, brand)) PLOG(ERROR) << "Can't write file " << brand_package_path_;
    has_brand_package_ = true;
    Parse(brand, "brand_config");
  } else {
    LOG(WARNING) << "Brand package is empty.";
  }
}

void BrandInfo::ApplyDefaults() { ApplyDefaultsFor(UserLanguageTag()); }

void BrandInfo::StoreBrandHandoff() const {
  (void)StoreHandoffValue(L"brand", base::Utf8ToWide(brand_id_));
  (void)StoreHandoffValue(L"BrandFile", brand_package_path_);
  if (has_partner_package_) (void)StoreHandoffValue(L"PartnerFile", partner_package_path_);
}

void BrandInfo::StoreLanguageHandoff() const {
  (void)StoreHandoffValue(L"lang", base::Utf8ToWide(interface_language_));
}

void BrandInfo::RemoveBrandHandoff() const {
  (void)RemoveHandoffValue(L"brand");
  (void)RemoveHandoffValue(L"BrandFile");
  (void)RemoveHandoffValue(L"PartnerFile");
}

}  // namespace distrib
