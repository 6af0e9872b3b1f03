// What --record --anonymise changes: serial numbers and UUIDs (and the host name hwloc
// records) become placeholders. A serial number becomes as many 'X' as it had characters,
// so that every table keeps its layout and lengths, and the inventory recorded beside
// the raw data still shows what a replay of that data shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/pxi-inventory/eeprom.h"

namespace nQxPxiInventory {

// The serial-number strings of SMBIOS structure types 1, 2, 3, 4, 17, 22 and 39, and the
// system UUID of type 1 (zeroed), in a raw structure table. Walks no further than the
// structures are well formed.
void anonymiseSmbiosTable(std::vector<uint8_t>& a_rTable);

// The serial number of a chassis EEPROM image (offset 106, 13 bytes); a checksum that
// was right before is right afterwards.
void anonymiseEeprom(tEepromImage& a_rImage);

// Every text member of a JSON document whose name holds "serial" (any case).
void anonymiseJson(nlohmann::ordered_json& a_rDocument);

// The values of hwloc <info> entries whose name holds "Serial" or "UUID" (any case), and
// of "HostName", in an exported topology.
std::string anonymiseTopology(const std::string& a_rXml);

// a_rText with every character replaced by 'X'.
std::string placeholderOf(const std::string& a_rText);

}  // namespace nQxPxiInventory
