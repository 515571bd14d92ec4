// Interface language and the web addresses the installer opens: license, slides, the manual
// download page and the support page. No network access. Portable apart from UserLanguageTag.
#pragma once

#include <cstdint>
#include <string>

#include "distrib/distrib_params.h"

namespace distrib {

class BrandInfo;

// The tag of a Windows language id; "en" for ids outside the installer's 16 languages.
std::string LanguageTagFromId(uint16_t langid);
// Exact, case-sensitive; anything unknown gives 1033.
uint16_t LanguageId(const std::string& tag);
// The system's default UI language as a tag (Win32 side).
std::string UserLanguageTag();

std::string LicenseUrl(const BrandInfo& brand);
// The brand's slide URL, or the deprecated CDN fallback for the interface language.
std::string GetInstallerSlideUrl(const BrandInfo& brand);
std::string DownloadPageUrl(const BrandInfo& brand, const DistribParams& params);
std::string DownloadPageUrl(const std::string& brand_id, const ParamMap& params);
std::string SupportPageUrl(const std::string& brand_id);

// Regions of the regional sites ("by", "int", "tr", "ua", "ru") selected by a brand id.
std::string DownloadPageRegion(const std::string& brand_id);
std::string SupportPageRegion(const std::string& brand_id);

}  // namespace distrib
