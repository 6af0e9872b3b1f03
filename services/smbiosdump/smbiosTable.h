// The SMBIOS structure table of a simulated machine, and the dump file the platform
// writes of it: the header text with its NUL, the table length as 2 bytes
// little-endian, then the table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace nQxSim {

// From the machine's "smbios" section; throws std::runtime_error naming the problem.
std::vector<uint8_t> buildSmbiosTable(const nlohmann::json& a_rSmbios);
std::string smbiosHeader(const nlohmann::json& a_rSmbios);
std::vector<uint8_t> buildSmbiosDump(const nlohmann::json& a_rSmbios);

}  // namespace nQxSim
