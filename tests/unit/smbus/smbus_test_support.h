// Machines and helpers shared by the SMBus access tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace smbustest {

// The resource of the adapter that every test machine carries.
constexpr const char* kAdapterA = "QXSMBUS::0::31::3::0";
constexpr const char* kAdapterB = "QXSMBUS::1::0::0::0";

// A machine with two service adapters; A has a chassis EEPROM at 0xA4.
nlohmann::json twoAdapterMachine();

// The bytes of an SMBIOS dump whose enclosure structure (type 3) carries a_rSerial as
// its serial number; an empty a_rSerial gives a dump without a type 3 structure.
std::vector<uint8_t> smbiosDumpWithSerial(const std::string& a_rSerial);
// A dump with an enclosure structure whose serial number field holds no string.
std::vector<uint8_t> smbiosDumpWithoutSerialString();

}  // namespace smbustest
