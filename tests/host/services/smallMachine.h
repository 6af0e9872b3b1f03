// A small machine for the stand-in service tests: a root complex port leading to a
// switch with two downstream ports, plus a bridge on a second root bus.
//
//   bus 0x00  A 00:1C.0 -> bus 2     slot path MR00:E0
//   bus 0x02  B 02:00.0 -> bus 3     slot path MR00:00,E0
//   bus 0x03  C 03:01.0 -> bus 4     slot path MR00:08,00,E0
//   bus 0x03  D 03:02.0 -> bus 5     slot path MR00:10,00,E0
//   bus 0x40  E 40:03.1 -> bus 0x41  slot path MR40:19
#pragma once

#include <nlohmann/json.hpp>

namespace qxsimtest {

inline nlohmann::json smallPci() {
    return nlohmann::json::parse(R"({
      "bridges": [
        {"name": "A", "bus": 0, "device": "0x1C", "function": 0, "vendorId": "0x8086",
         "deviceId": "0xA110", "subsystemVendorId": "0x8086", "subsystemId": "0x7270",
         "secondaryBus": 2, "attributes": {"0x20000800": 4}},
        {"name": "B", "bus": 2, "device": 0, "vendorId": "0x10B5", "deviceId": "0x8724",
         "subsystemVendorId": "0x1093", "subsystemId": "0x72B7", "secondaryBus": 3},
        {"name": "C", "bus": 3, "device": 1, "vendorId": "0x10B5", "deviceId": "0x8724",
         "subsystemVendorId": "0x1093", "subsystemId": "0x72B8", "secondaryBus": 4,
         "attributes": {"0x20000800": 8}},
        {"name": "D", "bus": 3, "device": 2, "vendorId": "0x10B5", "deviceId": "0x8724",
         "subsystemVendorId": "0x1093", "subsystemId": "0x72B8", "secondaryBus": 5},
        {"name": "E", "bus": "0x40", "device": 3, "function": 1, "vendorId": "0x8086",
         "deviceId": "0x2030", "secondaryBus": "0x41"}
      ]
    })");
}

inline nlohmann::json smallMachine() {
    nlohmann::json l_Machine;
    l_Machine["pci"] = smallPci();
    return l_Machine;
}

}  // namespace qxsimtest
