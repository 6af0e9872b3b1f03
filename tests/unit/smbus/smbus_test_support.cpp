#include "smbus_test_support.h"

namespace smbustest {

nlohmann::json twoAdapterMachine() {
    return nlohmann::json::parse(R"({
        "smbus": {"adapters": [
            {"resource": "QXSMBUS::0::31::3::0", "description": "first adapter",
             "attributes": {"103": 4660, "104": 22136, "105": 0, "106": 31, "107": 3},
             "devices": {"0xA4": {"chassisEeprom": {"linkConfiguration": 1}},
                         "0x50": {"fill": 0, "bytes": [1, 2, 3, 4]}}},
            {"resource": "QXSMBUS::1::0::0::0", "description": "second adapter",
             "attributes": {"1002": 0, "103": 1, "104": 2, "105": 1}}
        ]}
    })");
}

namespace {

// A dump of a type 1 structure without strings (so the table is never empty), followed by
// a_rMore as it is.
std::vector<uint8_t> smbiosDump(const std::vector<uint8_t>& a_rMore) {
    std::vector<uint8_t> l_Table = {1, 8, 0, 1, 0, 0, 0, 0, 0, 0};
    l_Table.insert(l_Table.end(), a_rMore.begin(), a_rMore.end());
    std::vector<uint8_t> l_Dump;
    const std::string l_Header = "test dump";
    l_Dump.insert(l_Dump.end(), l_Header.begin(), l_Header.end());
    l_Dump.push_back(0);
    l_Dump.push_back(static_cast<uint8_t>(l_Table.size() & 0xFF));
    l_Dump.push_back(static_cast<uint8_t>(l_Table.size() >> 8));
    l_Dump.insert(l_Dump.end(), l_Table.begin(), l_Table.end());
    return l_Dump;
}

}  // namespace

std::vector<uint8_t> smbiosDumpWithSerial(const std::string& a_rSerial) {
    if (a_rSerial.empty())
        return smbiosDump({});
    // Type 3: formatted area of 9 bytes, serial number (offset 7) is string 1.
    std::vector<uint8_t> l_Enclosure = {3, 9, 1, 0, 0, 1, 0, 1, 0};
    l_Enclosure.insert(l_Enclosure.end(), a_rSerial.begin(), a_rSerial.end());
    l_Enclosure.push_back(0);
    l_Enclosure.push_back(0);
    return smbiosDump(l_Enclosure);
}

std::vector<uint8_t> smbiosDumpWithoutSerialString() {
    // Type 3 whose serial number field (offset 7) names no string, and no string set.
    return smbiosDump({3, 9, 1, 0, 0, 1, 0, 0, 0, 0, 0});
}

}  // namespace smbustest
