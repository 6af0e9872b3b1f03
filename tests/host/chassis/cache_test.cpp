// The cache behind the entry points: lookups, counts without discovery, refresh of all
// models, failures that drop a model, and the argument checks.
#include <functional>

#include "tests/host/chassis/chassisHost.h"

namespace chassistest {
namespace {

using tChassisList = std::vector<std::vector<uint32_t>>;

constexpr const char* kOtherModel = "QX-2000";

class cChassisCache : public cChassisHost {
protected:
    // The two-chassis machine with the three-level model and a second model that uses
    // only the anchors.
    void startTwoModels(const nlohmann::json& a_rFaults = nlohmann::json::array()) {
        start(machineWith(twoChassisThreeLevels(), a_rFaults));
        machine().writeChassisDriverDescription(
            "qx1084.ini",
            driverDescription(kVendor, kModel, {"1B4A:7001", "1B4A:7002", "1B4A:7003"}));
        machine().writeChassisDriverDescription(
            "qx2000.ini", driverDescription(kVendor, kOtherModel, {"1B4A:7001"}));
    }
};

TEST_F(cChassisCache, FreshLibraryKnowsNoChassis) {
    startTwoModels();
    const tCount l_Count = getCountNoCache();
    EXPECT_EQ(l_Count.status, 0);
    EXPECT_EQ(l_Count.count, 0u);
    const tBus l_Bus = rootBus(1, 1);
    EXPECT_EQ(l_Bus.status, kInvalidParameter);
    EXPECT_EQ(l_Bus.bus, kNoBus);
}

TEST_F(cChassisCache, RootBusLookups) {
    startTwoModels();
    ASSERT_EQ(getCount().count, 2u);
    struct tCase {
        uint32_t position;
        uint32_t chassis;
        int32_t status;
        uint32_t bus;
    };
    const tCase l_Cases[] = {
        {1, 1, 0, 3},
        {3, 1, 0, 5},
        {1, 2, 0, 12},
        {3, 2, 0, 14},
        {0, 1, kInvalidParameter, kNoBus},
        {1, 0, kInvalidParameter, kNoBus},
        {4, 1, kInvalidParameter, kNoBus},
        {1, 3, kInvalidParameter, kNoBus},
        {0x80000000u, 1, kInvalidParameter, kNoBus},
        {0x80000001u, 1, kInvalidParameter, kNoBus},
        {0xFFFFFFFFu, 1, kInvalidParameter, kNoBus},
        {1, 0x80000000u, kInvalidParameter, kNoBus},
        {1, 0xFFFFFFFFu, kInvalidParameter, kNoBus},
    };
    for (const tCase& l_Case : l_Cases) {
        SCOPED_TRACE(::testing::Message()
                     << "position " << l_Case.position << ", chassis " << l_Case.chassis);
        const tBus l_Bus = rootBus(l_Case.position, l_Case.chassis);
        EXPECT_EQ(l_Bus.status, l_Case.status);
        EXPECT_EQ(l_Bus.bus, l_Case.bus);
    }
    // A model that was never discovered, although its description exists.
    EXPECT_EQ(rootBus(1, 1, kVendor, kOtherModel).status, kInvalidParameter);
}

TEST_F(cChassisCache, NullArgumentsAreRejectedBeforeAnyWork) {
    startTwoModels();
    ASSERT_EQ(getCount().count, 2u);
    machine().clearCalls();
    uint32_t l_Out = 7;
    const std::vector<std::pair<const char*, std::function<int32_t()>>> l_Calls = {
        {"GetCount vendor", [&] { return m_pGetCount(nullptr, kModel, &l_Out); }},
        {"GetCount model", [&] { return m_pGetCount(kVendor, nullptr, &l_Out); }},
        {"GetCount out", [&] { return m_pGetCount(kVendor, kModel, nullptr); }},
        {"NoCache vendor", [&] { return m_pGetCountNoCache(nullptr, kModel, &l_Out); }},
        {"NoCache model", [&] { return m_pGetCountNoCache(kVendor, nullptr, &l_Out); }},
        {"NoCache out", [&] { return m_pGetCountNoCache(kVendor, kModel, nullptr); }},
        {"RootBus vendor", [&] { return m_pGetRootBus(nullptr, kModel, 1, 1, &l_Out); }},
        {"RootBus model", [&] { return m_pGetRootBus(kVendor, nullptr, 1, 1, &l_Out); }},
        {"RootBus out", [&] { return m_pGetRootBus(kVendor, kModel, 1, 1, nullptr); }},
    };
    for (const auto& l_Call : l_Calls) {
        SCOPED_TRACE(l_Call.first);
        EXPECT_EQ(l_Call.second(), kInvalidParameter);
    }
    // Nothing was searched, and the cached model is still there.
    EXPECT_TRUE(machine().calls().empty());
    EXPECT_EQ(getCountNoCache().count, 2u);
}

TEST_F(cChassisCache, FailedRefreshDropsThatModelOnly) {
    struct tFault {
        const char* function;
        unsigned fromCall;
    };
    // A session that cannot be opened fails before the refresh starts; it drops the entry
    // all the same, so the count of 0 and the cache agree.
    // Slot path calls come in pairs (size, then text): call 3 is the first candidate's.
    // Attribute call 4 is the second chassis's first, after the first chassis was built.
    const tFault l_Faults[] = {
        {"QxPciBrd_OpenSession", 1},         {"QxPciBrd_FindBridgesByPciIds", 1},
        {"QxPciBrd_FindBridgesByPciIds", 3}, {"QxPciBrd_GetBridgeSlotPath", 1},
        {"QxPciBrd_GetBridgeSlotPath", 3},   {"QxPciBrd_GetAttributeU32", 1},
        {"QxPciBrd_GetAttributeU32", 4},
    };
    constexpr int32_t kInjected = -313777;
    for (const tFault& l_Fault : l_Faults) {
        SCOPED_TRACE(::testing::Message() << l_Fault.function << " from call " << l_Fault.fromCall);
        startTwoModels();
        ASSERT_EQ(getCount().count, 2u);
        ASSERT_EQ(getCount(kVendor, kOtherModel).count, 2u);

        machine().write(machineWith(twoChassisThreeLevels(), {{{"function", l_Fault.function},
                                                               {"status", kInjected},
                                                               {"fromCall", l_Fault.fromCall}}}));
        const tCount l_Failed = getCount();
        EXPECT_EQ(l_Failed.status, kInjected);
        EXPECT_EQ(l_Failed.count, 0u);
        EXPECT_EQ(getCountNoCache().count, 0u);
        EXPECT_EQ(rootBus(1, 1).bus, kNoBus);
        EXPECT_EQ(cachedChassis(kVendor, kOtherModel), (tChassisList{{3}, {12}}));
    }
}

TEST_F(cChassisCache, UpdateCacheFillsEveryModel) {
    startTwoModels();
    machine().writeChassisDriverDescription("absent.ini",
                                            driverDescription(kVendor, "QX-Absent", {"1B4A:7999"}));
    ASSERT_EQ(updateCache(), 0);

    const tChassisList l_Expected{{3, 4, 5}, {12, 13, 14}};
    EXPECT_EQ(cachedChassis(), l_Expected);
    EXPECT_EQ(getCountNoCache(kVendor, kOtherModel).count, 2u);
    EXPECT_EQ(getCountNoCache(kVendor, "QX-Absent").count, 0u);
    // The same as a discovery of each model would give.
    EXPECT_EQ(getCount().count, 2u);
    EXPECT_EQ(cachedChassis(), l_Expected);
    EXPECT_EQ(getCount(kVendor, kOtherModel).count, 2u);
}

TEST_F(cChassisCache, NoCacheKeepsTheOldCountUntilTheNextDiscovery) {
    startTwoModels();
    ASSERT_EQ(getCount().count, 2u);
    // The second chassis goes away.
    machine().write(machineWith({kRootPort1, kSwitchUp1, kAnchor1, kLevel2Of1, kLevel3Of1}));
    EXPECT_EQ(getCountNoCache().count, 2u);
    EXPECT_EQ(getCount().count, 1u);
    EXPECT_EQ(getCountNoCache().count, 1u);
    EXPECT_EQ(rootBus(1, 2).status, kInvalidParameter);
}

TEST_F(cChassisCache, UpdateCacheStopsAtTheFirstFailingModel) {
    // Models are refreshed in identity order: A-First, B-Broken, C-Last.
    start(machineWith(twoChassisThreeLevels()));
    machine().writeChassisDriverDescription("1.ini",
                                            driverDescription(kVendor, "A-First", {"1B4A:7001"}));
    machine().writeChassisDriverDescription("2.ini",
                                            driverDescription(kVendor, "B-Broken", {"1B4A"}));
    machine().writeChassisDriverDescription("3.ini",
                                            driverDescription(kVendor, "C-Last", {"1B4A:7001"}));
    ASSERT_EQ(getCount(kVendor, "A-First").count, 2u);
    ASSERT_EQ(getCount(kVendor, "C-Last").count, 2u);

    machine().write(machineWith({kRootPort1, kSwitchUp1, kAnchor1}));
    EXPECT_EQ(updateCache(), kInternalFault);
    EXPECT_EQ(getCountNoCache(kVendor, "A-First").count, 1u);
    EXPECT_EQ(getCountNoCache(kVendor, "B-Broken").count, 0u);
    EXPECT_EQ(getCountNoCache(kVendor, "C-Last").count, 2u);
}

TEST_F(cChassisCache, WithoutThePciBridgeServiceTheCountIsZero) {
    if (!qxtest::isChild()) {
        const qxtest::tChildResult l_Child =
            qxtest::rerunInFreshProcess({{"LD_LIBRARY_PATH", std::string("/nonexistent")}});
        EXPECT_TRUE(l_Child.exited && l_Child.exitCode == 0) << l_Child.stdOut << l_Child.stdErr;
        return;
    }
    startTwoModels();
    const tCount l_Count = getCount();
    EXPECT_EQ(l_Count.status, kInvalidParameter);
    EXPECT_EQ(l_Count.count, 0u);
    EXPECT_EQ(updateCache(), kInvalidParameter);
}

}  // namespace
}  // namespace chassistest
