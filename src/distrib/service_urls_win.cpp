#include <windows.h>

#include "distrib/service_urls.h"

namespace distrib {

std::string UserLanguageTag() { return LanguageTagFromId(GetUserDefaultUILanguage()); }

}  // namespace distrib
