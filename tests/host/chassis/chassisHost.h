// Host-side fixture for the chassis library: a simulated machine served by the stand-in
// services, chassis driver descriptions in its relocated libdir, and a fresh copy of
// libQXPXIeCDu.so loaded with dlopen for every test (so its cache and its installation
// paths start anew).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "qxpxi/QXPXIeCDu.h"
#include "tests/support/qxTestSupport.h"

namespace chassistest {

constexpr int32_t kInvalidParameter = -52005;
constexpr int32_t kInternalFault = -52003;
constexpr int32_t kDbNotFound = -313331;
constexpr uint32_t kNoBus = 0xFFFFFFFFu;

constexpr const char* kVendor = "Quarrix";
constexpr const char* kModel = "QX-1084";

// One PCI-to-PCI bridge of a simulated machine.
struct tBridge {
    unsigned bus;
    unsigned device;
    unsigned function;
    unsigned subsystemVendorId;
    unsigned subsystemId;
    unsigned secondaryBus;
};

// A machine file with these bridges, in this order (the stand-in answers searches in
// file order), and optional fault entries.
nlohmann::json machineWith(const std::vector<tBridge>& a_rBridges,
                           const nlohmann::json& a_rFaults = nlohmann::json::array());

// A chassis driver description of (a_rVendor, a_rModel) whose [RootBusBridges] holds
// Bridge1SubsystemID, Bridge2SubsystemID, ... with the given texts.
std::string driverDescription(const std::string& a_rVendor, const std::string& a_rModel,
                              const std::vector<std::string>& a_rBridgeKeys);

// Two chassis, each behind a switch on its own root port of bus 0:
//   chassis 1: anchor 2:00.0 -> bus 3, level 2 at 2:01.0 -> bus 4, level 3 at 2:02.0 -> bus 5
//   chassis 2: anchor 11:00.0 -> bus 12, level 2 at 11:01.0 -> bus 13, level 3 at 11:02.0 -> bus 14
// with subsystem IDs 1B4A:7001 (anchors), 1B4A:7002, 1B4A:7003.
extern const tBridge kRootPort1, kRootPort2, kSwitchUp1, kSwitchUp2;
extern const tBridge kAnchor1, kAnchor2, kLevel2Of1, kLevel2Of2, kLevel3Of1, kLevel3Of2;
std::vector<tBridge> twoChassisThreeLevels();

class cChassisHost : public ::testing::Test {
protected:
    struct tCount {
        int32_t status;
        uint32_t count;
    };
    struct tBus {
        int32_t status;
        uint32_t bus;
    };
    using tChassisList = std::vector<std::vector<uint32_t>>;

    // Writes the machine file and loads the library afresh.
    void start(const nlohmann::json& a_rMachine);
    qxtest::cSimMachine& machine() { return *m_Machine; }

    tCount getCount(const char* a_pVendor = kVendor, const char* a_pModel = kModel);
    tCount getCountNoCache(const char* a_pVendor = kVendor, const char* a_pModel = kModel);
    tBus rootBus(uint32_t a_Position, uint32_t a_Chassis, const char* a_pVendor = kVendor,
                 const char* a_pModel = kModel);
    int32_t updateCache() { return m_pUpdateCache(); }
    // Every cached root bus of the model, read through the lookup entry point.
    tChassisList cachedChassis(const char* a_pVendor = kVendor, const char* a_pModel = kModel);

    decltype(&PXISA_Chassis_GetCount) m_pGetCount = nullptr;
    decltype(&PXISA_Chassis_GetPCIRootBusNumber) m_pGetRootBus = nullptr;
    decltype(&QXPXI_Chassis_UpdateCache) m_pUpdateCache = nullptr;
    decltype(&QXPXI_Chassis_GetCount_NoCache) m_pGetCountNoCache = nullptr;

private:
    // Declared first so that the library is closed before the machine goes away.
    std::optional<qxtest::cSimMachine> m_Machine;
    std::optional<qxtest::cHostLibrary> m_Library;
};

}  // namespace chassistest
