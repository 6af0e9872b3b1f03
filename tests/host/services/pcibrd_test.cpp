// The PCI bridge stand-in, loaded by file name and called as the libraries call it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "qxpxi/services/qxpcibrd.h"
#include "tests/host/services/notSlotPaths.h"
#include "tests/host/services/smallMachine.h"
#include "tests/support/qxTestSupport.h"

namespace {

constexpr int32_t kTooSmall = -313002;
constexpr int32_t kNotFound = -313003;
constexpr uint32_t kNone = 0xFFFFFFFF;

#define QXSIM_BIND(name) decltype(::name)* name = m_Lib.require<decltype(::name)>(#name)

struct tPciBrd {
    qxtest::cHostLibrary m_Lib{"libqxpcibrd.so.1"};
    QXSIM_BIND(QxPciBrd_OpenSession);
    QXSIM_BIND(QxPciBrd_CloseSession);
    QXSIM_BIND(QxPciBrd_FindBridgesByPciIds);
    QXSIM_BIND(QxPciBrd_FindBridgeByAddress);
    QXSIM_BIND(QxPciBrd_FindBridgeBySlotPath);
    QXSIM_BIND(QxPciBrd_FindParentBridgeForBus);
    QXSIM_BIND(QxPciBrd_GetBridgeParent);
    QXSIM_BIND(QxPciBrd_GetBridgeChildren);
    QXSIM_BIND(QxPciBrd_GetBusChildren);
    QXSIM_BIND(QxPciBrd_GetRootBuses);
    QXSIM_BIND(QxPciBrd_GetBridgeAddress);
    QXSIM_BIND(QxPciBrd_GetBridgeSlotPath);
    QXSIM_BIND(QxPciBrd_GetBridgeIds);
    QXSIM_BIND(QxPciBrd_SetAttributeU32);
    QXSIM_BIND(QxPciBrd_GetAttributeU32);
};

class PciBrdService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_Pci.QxPciBrd_OpenSession(0, &m_Session), 0);
        ASSERT_NE(m_Session, kNone);
    }
    void TearDown() override { m_Pci.QxPciBrd_CloseSession(m_Session); }

    uint32_t bridgeAt(uint8_t a_Bus, uint8_t a_Device, uint8_t a_Function) {
        uint32_t l_Bridge = kNone;
        EXPECT_EQ(
            m_Pci.QxPciBrd_FindBridgeByAddress(m_Session, a_Bus, a_Device, a_Function, &l_Bridge),
            0);
        return l_Bridge;
    }
    std::string addressOf(uint32_t a_Bridge) {
        uint8_t l_Bus = 0, l_Device = 0, l_Function = 0;
        EXPECT_EQ(
            m_Pci.QxPciBrd_GetBridgeAddress(m_Session, a_Bridge, &l_Bus, &l_Device, &l_Function),
            0);
        char l_Text[16];
        std::snprintf(l_Text, sizeof(l_Text), "%02X:%02X.%X", l_Bus, l_Device, l_Function);
        return l_Text;
    }
    std::set<std::string> addressesOf(const std::vector<uint32_t>& a_rBridges) {
        std::set<std::string> l_Addresses;
        for (uint32_t l_Bridge : a_rBridges) {
            l_Addresses.insert(addressOf(l_Bridge));
        }
        return l_Addresses;
    }
    std::string slotPathOf(uint32_t a_Bridge) {
        uint32_t l_Size = 0;
        EXPECT_EQ(m_Pci.QxPciBrd_GetBridgeSlotPath(m_Session, a_Bridge, nullptr, &l_Size),
                  kTooSmall);
        std::vector<char> l_Buffer(l_Size, 'x');
        EXPECT_EQ(m_Pci.QxPciBrd_GetBridgeSlotPath(m_Session, a_Bridge, l_Buffer.data(), &l_Size),
                  0);
        EXPECT_EQ(l_Buffer.back(), '\0');
        return std::string(l_Buffer.data());
    }

    qxtest::cSimMachine m_Machine{qxsimtest::smallMachine()};
    tPciBrd m_Pci;
    uint32_t m_Session = kNone;
};

// One list query in the way a caller sizes and fills it.
struct tListCase {
    const char* name;
    std::function<int32_t(tPciBrd&, uint32_t, uint32_t*, uint32_t*)> query;
    std::set<std::string> expected;  // addresses of the bridges listed
};

TEST_F(PciBrdService, ListsAreSizedThenFilledWithTheNeededCount) {
    const uint16_t l_Switch = 0x8724, l_Ni = 0x1093, l_Port = 0x72B8, l_Absent = 0xBEEF;
    const uint32_t l_B = bridgeAt(2, 0, 0);
    const uint32_t l_D = bridgeAt(3, 2, 0);
    const std::vector<tListCase> l_Cases = {
        {"all bridges",
         [&](tPciBrd& p, uint32_t s, uint32_t* a, uint32_t* c) {
             return p.QxPciBrd_FindBridgesByPciIds(s, nullptr, nullptr, nullptr, nullptr, a, c);
         },
         {"00:1C.0", "02:00.0", "03:01.0", "03:02.0", "40:03.1"}},
        {"by device and subsystem ids",
         [&](tPciBrd& p, uint32_t s, uint32_t* a, uint32_t* c) {
             return p.QxPciBrd_FindBridgesByPciIds(s, nullptr, &l_Switch, &l_Ni, &l_Port, a, c);
         },
         {"03:01.0", "03:02.0"}},
        {"no match",
         [&](tPciBrd& p, uint32_t s, uint32_t* a, uint32_t* c) {
             return p.QxPciBrd_FindBridgesByPciIds(s, &l_Absent, nullptr, nullptr, nullptr, a, c);
         },
         {}},
        {"children of the switch",
         [&](tPciBrd& p, uint32_t s, uint32_t* a, uint32_t* c) {
             return p.QxPciBrd_GetBridgeChildren(s, l_B, a, c);
         },
         {"03:01.0", "03:02.0"}},
        {"children of a leaf port",
         [&](tPciBrd& p, uint32_t s, uint32_t* a, uint32_t* c) {
             return p.QxPciBrd_GetBridgeChildren(s, l_D, a, c);
         },
         {}},
        {"bus children",
         [&](tPciBrd& p, uint32_t s, uint32_t* a, uint32_t* c) {
             return p.QxPciBrd_GetBusChildren(s, 0x40, a, c);
         },
         {"40:03.1"}},
    };
    for (const tListCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.name);
        const uint32_t l_Expected = static_cast<uint32_t>(l_rCase.expected.size());
        uint32_t l_Count = 0;
        EXPECT_EQ(l_rCase.query(m_Pci, m_Session, nullptr, &l_Count),
                  l_Expected == 0 ? 0 : kTooSmall);
        EXPECT_EQ(l_Count, l_Expected);
        if (l_Expected == 0) {
            continue;
        }
        // An array one short is still too small, and the count says what is needed.
        std::vector<uint32_t> l_Short(l_Expected - 1 + 1, kNone);
        l_Count = l_Expected - 1;
        EXPECT_EQ(l_rCase.query(m_Pci, m_Session, l_Short.data(), &l_Count), kTooSmall);
        EXPECT_EQ(l_Count, l_Expected);
        std::vector<uint32_t> l_Bridges(l_Expected + 2, kNone);
        l_Count = l_Expected + 2;
        ASSERT_EQ(l_rCase.query(m_Pci, m_Session, l_Bridges.data(), &l_Count), 0);
        ASSERT_EQ(l_Count, l_Expected);
        l_Bridges.resize(l_Count);
        EXPECT_EQ(addressesOf(l_Bridges), l_rCase.expected);
    }
}

TEST_F(PciBrdService, RootBusesAreSizedThenFilled) {
    uint32_t l_Count = 0;
    EXPECT_EQ(m_Pci.QxPciBrd_GetRootBuses(m_Session, nullptr, &l_Count), kTooSmall);
    ASSERT_EQ(l_Count, 2u);
    std::vector<uint8_t> l_Buses(l_Count);
    ASSERT_EQ(m_Pci.QxPciBrd_GetRootBuses(m_Session, l_Buses.data(), &l_Count), 0);
    EXPECT_EQ(l_Buses, (std::vector<uint8_t>{0x00, 0x40}));
}

TEST_F(PciBrdService, NullIdPointersMatchAnyValue) {
    const uint16_t l_Intel = 0x8086, l_Switch = 0x8724, l_Ni = 0x1093, l_Chassis = 0x72B7,
                   l_Zero = 0;
    struct tCase {
        const uint16_t* vid;
        const uint16_t* did;
        const uint16_t* ssvid;
        const uint16_t* ssid;
        std::set<std::string> expected;
    };
    const std::vector<tCase> l_Cases = {
        {&l_Intel, nullptr, nullptr, nullptr, {"00:1C.0", "40:03.1"}},
        {nullptr, &l_Switch, nullptr, nullptr, {"02:00.0", "03:01.0", "03:02.0"}},
        {nullptr, nullptr, &l_Ni, &l_Chassis, {"02:00.0"}},
        {&l_Intel, nullptr, &l_Zero, nullptr, {"40:03.1"}},
        {&l_Intel, &l_Switch, nullptr, nullptr, {}},
    };
    for (const tCase& l_rCase : l_Cases) {
        std::vector<uint32_t> l_Bridges(8, kNone);
        uint32_t l_Count = 8;
        ASSERT_EQ(
            m_Pci.QxPciBrd_FindBridgesByPciIds(m_Session, l_rCase.vid, l_rCase.did, l_rCase.ssvid,
                                               l_rCase.ssid, l_Bridges.data(), &l_Count),
            0);
        l_Bridges.resize(l_Count);
        EXPECT_EQ(addressesOf(l_Bridges), l_rCase.expected);
    }
}

TEST_F(PciBrdService, MissingBridgesAnswerNotFoundWithNoReference) {
    const uint32_t l_A = bridgeAt(0, 0x1C, 0);
    struct tCase {
        const char* name;
        std::function<int32_t(uint32_t*)> call;
    };
    const std::vector<tCase> l_Cases = {
        {"address",
         [&](uint32_t* b) { return m_Pci.QxPciBrd_FindBridgeByAddress(m_Session, 3, 3, 0, b); }},
        {"slot path of a device behind a bridge",
         [&](uint32_t* b) {
             return m_Pci.QxPciBrd_FindBridgeBySlotPath(m_Session, "MR00:00,08,00,E0", b);
         }},
        {"slot path on the wrong root bus",
         [&](uint32_t* b) { return m_Pci.QxPciBrd_FindBridgeBySlotPath(m_Session, "MR01:E0", b); }},
        {"parent of a root bus",
         [&](uint32_t* b) { return m_Pci.QxPciBrd_FindParentBridgeForBus(m_Session, 0x40, b); }},
        {"parent of a top bridge",
         [&](uint32_t* b) { return m_Pci.QxPciBrd_GetBridgeParent(m_Session, l_A, b); }},
        {"parent of an invalid reference",
         [&](uint32_t* b) { return m_Pci.QxPciBrd_GetBridgeParent(m_Session, 12345, b); }},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.name);
        uint32_t l_Bridge = 7;
        EXPECT_EQ(l_rCase.call(&l_Bridge), kNotFound);
        EXPECT_EQ(l_Bridge, kNone);
    }
}

TEST_F(PciBrdService, SlotPathsOfNestedBridgesNameTheBridgeFirstAndTheRootPortLast) {
    const std::vector<std::pair<std::vector<int>, std::string>> l_Cases = {
        {{0, 0x1C, 0}, "MR00:E0"},    {{2, 0, 0}, "MR00:00,E0"}, {{3, 1, 0}, "MR00:08,00,E0"},
        {{3, 2, 0}, "MR00:10,00,E0"}, {{0x40, 3, 1}, "MR40:19"},
    };
    for (const auto& [l_rAddress, l_rPath] : l_Cases) {
        SCOPED_TRACE(l_rPath);
        const uint32_t l_Bridge =
            bridgeAt(static_cast<uint8_t>(l_rAddress[0]), static_cast<uint8_t>(l_rAddress[1]),
                     static_cast<uint8_t>(l_rAddress[2]));
        EXPECT_EQ(slotPathOf(l_Bridge), l_rPath);
        uint32_t l_Found = kNone;
        ASSERT_EQ(m_Pci.QxPciBrd_FindBridgeBySlotPath(m_Session, l_rPath.c_str(), &l_Found), 0);
        EXPECT_EQ(l_Found, l_Bridge);
    }
    // The needed size counts the NUL; a buffer one byte short is refused untouched.
    const uint32_t l_C = bridgeAt(3, 1, 0);
    char l_Short[13];
    std::memset(l_Short, 'x', sizeof(l_Short));
    uint32_t l_Size = sizeof(l_Short);
    EXPECT_EQ(m_Pci.QxPciBrd_GetBridgeSlotPath(m_Session, l_C, l_Short, &l_Size), kTooSmall);
    EXPECT_EQ(l_Size, 14u);
    EXPECT_EQ(l_Short[0], 'x');
    // The other slot-path spellings callers may send.
    for (const char* l_pText : {"MR00:08,00,e0", "0:08,00,E0", "MR0:8,0,E0", "000:08,00,E0"}) {
        uint32_t l_Found = kNone;
        EXPECT_EQ(m_Pci.QxPciBrd_FindBridgeBySlotPath(m_Session, l_pText, &l_Found), 0) << l_pText;
        EXPECT_EQ(l_Found, l_C) << l_pText;
    }
}

TEST_F(PciBrdService, TextThatIsNoSlotPathIsAnInvalidArgumentWithNoBridge) {
    for (const char* l_pText : qxtest::kNotSlotPaths) {
        uint32_t l_Found = 7;
        EXPECT_EQ(m_Pci.QxPciBrd_FindBridgeBySlotPath(m_Session, l_pText, &l_Found), -313004)
            << l_pText;
        EXPECT_EQ(l_Found, kNone) << l_pText;
    }
}

TEST_F(PciBrdService, ParentsAndBusesFollowTheSecondaryBusNumbers) {
    const uint32_t l_A = bridgeAt(0, 0x1C, 0), l_B = bridgeAt(2, 0, 0), l_C = bridgeAt(3, 1, 0);
    uint32_t l_Parent = kNone;
    ASSERT_EQ(m_Pci.QxPciBrd_GetBridgeParent(m_Session, l_C, &l_Parent), 0);
    EXPECT_EQ(l_Parent, l_B);
    ASSERT_EQ(m_Pci.QxPciBrd_GetBridgeParent(m_Session, l_B, &l_Parent), 0);
    EXPECT_EQ(l_Parent, l_A);
    ASSERT_EQ(m_Pci.QxPciBrd_FindParentBridgeForBus(m_Session, 4, &l_Parent), 0);
    EXPECT_EQ(l_Parent, l_C);

    uint32_t l_Value = 0;
    ASSERT_EQ(m_Pci.QxPciBrd_GetAttributeU32(m_Session, l_C, 0x20000300, &l_Value), 0);
    EXPECT_EQ(l_Value, 4u);
    ASSERT_EQ(m_Pci.QxPciBrd_GetAttributeU32(m_Session, l_C, 0x20000000, &l_Value), 0);
    EXPECT_EQ(l_Value, 3u);
    ASSERT_EQ(m_Pci.QxPciBrd_GetAttributeU32(m_Session, l_C, 0x20000800, &l_Value), 0);
    EXPECT_EQ(l_Value, 8u);
    EXPECT_LT(m_Pci.QxPciBrd_GetAttributeU32(m_Session, l_B, 0x20000800, &l_Value), 0)
        << "a link width the machine does not give is not invented";

    uint16_t l_Vid = 0, l_Did = 0, l_SsVid = 0, l_SsId = 0;
    ASSERT_EQ(m_Pci.QxPciBrd_GetBridgeIds(m_Session, l_B, &l_Vid, &l_Did, &l_SsVid, &l_SsId), 0);
    EXPECT_EQ(std::vector<uint16_t>({l_Vid, l_Did, l_SsVid, l_SsId}),
              std::vector<uint16_t>({0x10B5, 0x8724, 0x1093, 0x72B7}));
}

TEST_F(PciBrdService, SetAttributesLastWhileTheMachineFileIsUnchanged) {
    const uint32_t l_B = bridgeAt(2, 0, 0);
    ASSERT_EQ(m_Pci.QxPciBrd_SetAttributeU32(m_Session, l_B, 0x20000800, 2), 0);
    EXPECT_LT(m_Pci.QxPciBrd_SetAttributeU32(m_Session, l_B, 0x20000300, 9), 0)
        << "the secondary bus is the topology and cannot be set";
    uint32_t l_Second = kNone;
    ASSERT_EQ(m_Pci.QxPciBrd_OpenSession(0, &l_Second), 0);
    EXPECT_NE(l_Second, m_Session);
    uint32_t l_Value = 0;
    EXPECT_EQ(m_Pci.QxPciBrd_GetAttributeU32(l_Second, l_B, 0x20000800, &l_Value), 0);
    EXPECT_EQ(l_Value, 2u);
    m_Pci.QxPciBrd_CloseSession(l_Second);
}

TEST_F(PciBrdService, ANewSessionSeesAChangedMachineWhileAnOldOneKeepsItsOwn) {
    nlohmann::json l_Changed = qxsimtest::smallMachine();
    l_Changed["pci"]["bridges"].erase(4);
    m_Machine.write(l_Changed);
    uint32_t l_New = kNone;
    ASSERT_EQ(m_Pci.QxPciBrd_OpenSession(0, &l_New), 0);
    uint32_t l_Count = 0;
    EXPECT_EQ(m_Pci.QxPciBrd_GetRootBuses(l_New, nullptr, &l_Count), kTooSmall);
    EXPECT_EQ(l_Count, 1u);
    l_Count = 0;
    EXPECT_EQ(m_Pci.QxPciBrd_GetRootBuses(m_Session, nullptr, &l_Count), kTooSmall);
    EXPECT_EQ(l_Count, 2u);
    m_Pci.QxPciBrd_CloseSession(l_New);
}

TEST_F(PciBrdService, ClosedAndUnknownSessionsAreRefused) {
    uint32_t l_Session = kNone;
    ASSERT_EQ(m_Pci.QxPciBrd_OpenSession(0, &l_Session), 0);
    EXPECT_EQ(m_Pci.QxPciBrd_CloseSession(l_Session), 0);
    uint32_t l_Count = 0;
    EXPECT_LT(m_Pci.QxPciBrd_GetRootBuses(l_Session, nullptr, &l_Count), 0);
    EXPECT_NE(m_Pci.QxPciBrd_GetRootBuses(l_Session, nullptr, &l_Count), kTooSmall);
    EXPECT_LT(m_Pci.QxPciBrd_GetRootBuses(kNone, nullptr, &l_Count), 0);
    EXPECT_LT(m_Pci.QxPciBrd_GetRootBuses(m_Session, nullptr, nullptr), 0);
    EXPECT_LT(m_Pci.QxPciBrd_OpenSession(0, nullptr), 0);
}

TEST_F(PciBrdService, CallLogRecordsEachCallWithItsArguments) {
    m_Machine.clearCalls();
    const uint16_t l_Ni = 0x1093;
    uint32_t l_Count = 0;
    m_Pci.QxPciBrd_FindBridgesByPciIds(m_Session, nullptr, nullptr, &l_Ni, nullptr, nullptr,
                                       &l_Count);
    const std::vector<std::string> l_Calls = m_Machine.calls("QxPciBrd_FindBridgesByPciIds");
    ASSERT_EQ(l_Calls.size(), 1u);
    EXPECT_EQ(l_Calls[0], "QxPciBrd_FindBridgesByPciIds session=" + std::to_string(m_Session) +
                              " vendorId=null deviceId=null subsystemVendorId=0x1093 "
                              "subsystemId=null bridges=null count=0");
}

}  // namespace
