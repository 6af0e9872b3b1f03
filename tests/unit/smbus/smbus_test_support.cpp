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

std::vector<uint8_t> smbiosDumpWithSerial(const std::string& a_rSerial) {
    std::vector<uint8_t> l_Table;
    // Type 1 (system information) with no strings, so the table is never empty.
    const uint8_t l_System[] = {1, 8, 0, 1, 0, 0, 0, 0, 0, 0};
    l_Table.insert(l_Table.end(), l_System, l_System + sizeof(l_System));
    if (!a_rSerial.empty()) {
        // Type 3: formatted area of 9 bytes, serial number (offset 7) is string 1.
        const uint8_t l_Enclosure[] = {3, 9, 1, 0, 0, 1, 0, 1, 0};
        l_Table.insert(l_Table.end(), l_Enclosure, l_Enclosure + sizeof(l_Enclosure));
        l_Table.insert(l_Table.end(), a_rSerial.begin(), a_rSerial.end());
        l_Table.push_back(0);
        l_Table.push_back(0);
    }
    std::vector<uint8_t> l_Dump;
    const std::string l_Header = "test dump";
    l_Dump.insert(l_Dump.end(), l_Header.begin(), l_Header.end());
    l_Dump.push_back(0);
    l_Dump.push_back(static_cast<uint8_t>(l_Table.size() & 0xFF));
    l_Dump.push_back(static_cast<uint8_t>(l_Table.size() >> 8));
    l_Dump.insert(l_Dump.end(), l_Table.begin(), l_Table.end());
    return l_Dump;
}

}  // namespace smbustest
