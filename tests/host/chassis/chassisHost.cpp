#include "tests/host/chassis/chassisHost.h"

namespace chassistest {

nlohmann::json machineWith(const std::vector<tBridge>& a_rBridges,
                           const nlohmann::json& a_rFaults) {
    nlohmann::json l_Bridges = nlohmann::json::array();
    for (const tBridge& l_Bridge : a_rBridges) {
        l_Bridges.push_back({{"bus", l_Bridge.bus},
                             {"device", l_Bridge.device},
                             {"function", l_Bridge.function},
                             {"vendorId", 0x10B5},
                             {"deviceId", 0x8724},
                             {"subsystemVendorId", l_Bridge.subsystemVendorId},
                             {"subsystemId", l_Bridge.subsystemId},
                             {"secondaryBus", l_Bridge.secondaryBus}});
    }
    return {{"pci", {{"bridges", l_Bridges}}}, {"faults", a_rFaults}};
}

std::string driverDescription(const std::string& a_rVendor, const std::string& a_rModel,
                              const std::vector<std::string>& a_rBridgeKeys) {
    std::string l_Text =
        "[Chassis]\nVendor = " + a_rVendor + "\nModel = " + a_rModel + "\n\n[RootBusBridges]\n";
    for (size_t l_Index = 0; l_Index < a_rBridgeKeys.size(); ++l_Index) {
        l_Text += "Bridge" + std::to_string(l_Index + 1) +
                  "SubsystemID = " + a_rBridgeKeys[l_Index] + "\n";
    }
    return l_Text;
}

const tBridge kRootPort1{0, 1, 0, 0x8086, 0x0001, 1};
const tBridge kRootPort2{0, 2, 0, 0x8086, 0x0001, 10};
const tBridge kSwitchUp1{1, 0, 0, 0x10B5, 0x0001, 2};
const tBridge kSwitchUp2{10, 0, 0, 0x10B5, 0x0001, 11};
const tBridge kAnchor1{2, 0, 0, 0x1B4A, 0x7001, 3};
const tBridge kAnchor2{11, 0, 0, 0x1B4A, 0x7001, 12};
const tBridge kLevel2Of1{2, 1, 0, 0x1B4A, 0x7002, 4};
const tBridge kLevel2Of2{11, 1, 0, 0x1B4A, 0x7002, 13};
const tBridge kLevel3Of1{2, 2, 0, 0x1B4A, 0x7003, 5};
const tBridge kLevel3Of2{11, 2, 0, 0x1B4A, 0x7003, 14};

std::vector<tBridge> twoChassisThreeLevels() {
    // The second chassis's bridges come first in the later levels, so that the nearest
    // bridge, not the first one, must win.
    return {kRootPort1, kRootPort2, kSwitchUp1, kSwitchUp2, kAnchor1,
            kAnchor2,   kLevel2Of2, kLevel2Of1, kLevel3Of2, kLevel3Of1};
}

void cChassisHost::start(const nlohmann::json& a_rMachine) {
    m_Library.reset();
    if (m_Machine) {
        m_Machine->write(a_rMachine);
    } else {
        m_Machine.emplace(a_rMachine);
    }
    m_Library.emplace("libQXPXIeCDu.so");
    ASSERT_TRUE(m_Library->loaded()) << m_Library->error();
    m_pGetCount = m_Library->require<decltype(PXISA_Chassis_GetCount)>("PXISA_Chassis_GetCount");
    m_pGetRootBus = m_Library->require<decltype(PXISA_Chassis_GetPCIRootBusNumber)>(
        "PXISA_Chassis_GetPCIRootBusNumber");
    m_pUpdateCache =
        m_Library->require<decltype(QXPXI_Chassis_UpdateCache)>("QXPXI_Chassis_UpdateCache");
    m_pGetCountNoCache = m_Library->require<decltype(QXPXI_Chassis_GetCount_NoCache)>(
        "QXPXI_Chassis_GetCount_NoCache");
}

cChassisHost::tCount cChassisHost::getCount(const char* a_pVendor, const char* a_pModel) {
    tCount l_Result{0, 0xDEADBEEFu};
    l_Result.status = m_pGetCount(a_pVendor, a_pModel, &l_Result.count);
    return l_Result;
}

cChassisHost::tCount cChassisHost::getCountNoCache(const char* a_pVendor, const char* a_pModel) {
    tCount l_Result{0, 0xDEADBEEFu};
    l_Result.status = m_pGetCountNoCache(a_pVendor, a_pModel, &l_Result.count);
    return l_Result;
}

cChassisHost::tBus cChassisHost::rootBus(uint32_t a_Position, uint32_t a_Chassis,
                                         const char* a_pVendor, const char* a_pModel) {
    tBus l_Result{0, 0xDEADBEEFu};
    l_Result.status = m_pGetRootBus(a_pVendor, a_pModel, a_Position, a_Chassis, &l_Result.bus);
    return l_Result;
}

cChassisHost::tChassisList cChassisHost::cachedChassis(const char* a_pVendor,
                                                       const char* a_pModel) {
    tChassisList l_List;
    const tCount l_Count = getCountNoCache(a_pVendor, a_pModel);
    EXPECT_EQ(l_Count.status, 0);
    for (uint32_t l_Chassis = 1; l_Chassis <= l_Count.count; ++l_Chassis) {
        l_List.emplace_back();
        for (uint32_t l_Position = 1;; ++l_Position) {
            const tBus l_Bus = rootBus(l_Position, l_Chassis, a_pVendor, a_pModel);
            if (l_Bus.status != 0) {
                EXPECT_EQ(l_Bus.status, kInvalidParameter);
                EXPECT_EQ(l_Bus.bus, kNoBus);
                break;
            }
            l_List.back().push_back(l_Bus.bus);
        }
    }
    return l_List;
}

}  // namespace chassistest
