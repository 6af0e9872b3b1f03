// Decoding of the 256-byte chassis identification EEPROM image that a system module reads
// over SMBus.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace nQxPxiInventory {

using tEepromImage = std::array<uint8_t, 256>;

// Layout: signature 5A 31 00 at 0; vendor text at 5 (27 bytes), model at 65 (40),
// revision character at 105, serial number at 106 (13); checksum little-endian at 121,
// the 16-bit sum of every byte but 121 and 122; link configuration at 124 (0: two links,
// 1: four). Texts end at their first NUL or at the end of their field.
// The result: {"signature": {"bytes", "valid"}, "vendor", "model", "revision",
// "serialNumber", "linkConfiguration": {"byte", "links"}, "checksum": {"stored",
// "computed", "valid"}}; with a_Raw also "raw", the image as 16 lines of hexadecimal.
nlohmann::ordered_json decodeEeprom(const tEepromImage& a_rImage, bool a_Raw);

}  // namespace nQxPxiInventory
