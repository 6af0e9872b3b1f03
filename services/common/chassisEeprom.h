// Builds a 256-byte chassis identification EEPROM image from a short description, so
// that machine files need not spell out every byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace nQxSim {

// Keys of a_rSpec (all optional): "vendor" (offset 5), "model" (65), "revision"
// (105), "serialNumber" (106), "linkConfiguration" (124), "bytes" (an object of
// offset: value overrides), "checksum" ("valid" or a number to store as is). The
// signature 5A 31 00 is written first; the checksum, the 16-bit sum of every byte but
// 121 and 122, goes little-endian to 121 and 122 after the overrides.
std::array<uint8_t, 256> buildChassisEeprom(const nlohmann::json& a_rSpec,
                                            const std::string& a_rWhat);

}  // namespace nQxSim
