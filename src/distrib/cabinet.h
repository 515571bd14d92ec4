// Extraction of members of a single Microsoft cabinet held in memory, through the system cabinet
// library (FDI), which is loaded on first use.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace distrib {

using CabinetFiles = std::map<std::string, std::string>;

// Extracts the member named wanted (every member when wanted is empty) into files. Returns the
// result of FDICopy; on failure files is left empty. Archives that continue in another cabinet
// are refused.
[[nodiscard]] bool ExtractCabinetFile(std::string_view cabinet, const std::string& wanted, CabinetFiles* files);

}  // namespace distrib
