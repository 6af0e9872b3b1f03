// The hwloc PCI bridge service on the recorded machines, checked against what the
// recordings themselves say (read in topologyRecording.cpp, without hwloc).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/host/linux/linuxServices.h"
#include "tests/host/linux/topologyRecording.h"
#include "tests/host/services/notSlotPaths.h"

namespace {

using qxlinuxtest::tPciBrd;

constexpr int32_t kTooSmall = -313002;
constexpr int32_t kNotFound = -313003;
constexpr uint32_t kNone = 0xFFFFFFFF;

// A session on a recorded machine (or on a_rFile as given, for faults).
class cRecordedSession {
public:
    cRecordedSession(tPciBrd& a_rPci, const std::string& a_rXml)
        : m_rPci(a_rPci), m_Env("HWLOC_XMLFILE", a_rXml) {
        m_Status = m_rPci.QxPciBrd_OpenSession(0, &m_Session);
    }
    ~cRecordedSession() {
        if (m_Status == 0) {
            m_rPci.QxPciBrd_CloseSession(m_Session);
        }
    }
    int32_t status() const { return m_Status; }
    uint32_t id() const { return m_Session; }

    // Size then fill, as the libraries call a list function.
    template <typename tItem, typename tCall>
    std::vector<tItem> list(tCall&& a_Call) {
        uint32_t l_Count = 0;
        const int32_t l_Sizing = a_Call(static_cast<tItem*>(nullptr), &l_Count);
        if (l_Sizing == 0) {
            EXPECT_EQ(l_Count, 0u);
            return {};
        }
        EXPECT_EQ(l_Sizing, kTooSmall);
        std::vector<tItem> l_Items(l_Count);
        EXPECT_EQ(a_Call(l_Items.data(), &l_Count), 0);
        l_Items.resize(l_Count);
        return l_Items;
    }

private:
    tPciBrd& m_rPci;
    qxtest::cScopedEnv m_Env;
    uint32_t m_Session = kNone;
    int32_t m_Status = -1;
};

class RecordedTopology : public ::testing::TestWithParam<std::string> {
protected:
    tPciBrd m_Pci;
};

TEST_P(RecordedTopology, BridgesAgreeWithTheRecording) {
    const std::string l_Path = qxlinuxtest::realworld("topologies/" + GetParam());
    const qxlinuxtest::tRecording l_Recorded = qxlinuxtest::readRecording(l_Path);
    ASSERT_FALSE(l_Recorded.bridges.empty());
    cRecordedSession l_Session(m_Pci, l_Path);
    ASSERT_EQ(l_Session.status(), 0);
    const uint32_t l_Id = l_Session.id();

    const auto l_All = l_Session.list<uint32_t>([&](uint32_t* a_pArray, uint32_t* a_pCount) {
        return m_Pci.QxPciBrd_FindBridgesByPciIds(l_Id, nullptr, nullptr, nullptr, nullptr,
                                                  a_pArray, a_pCount);
    });
    EXPECT_EQ(l_All.size(), l_Recorded.bridges.size());
    uint32_t l_Omitted = 99;
    ASSERT_EQ(m_Pci.QxPciBrd_GetOmittedBridgeCount(l_Id, &l_Omitted), 0);
    EXPECT_EQ(l_Omitted, l_Recorded.otherDomainBridges);

    const auto l_Roots = l_Session.list<uint8_t>([&](uint8_t* a_pArray, uint32_t* a_pCount) {
        return m_Pci.QxPciBrd_GetRootBuses(l_Id, a_pArray, a_pCount);
    });
    EXPECT_EQ(std::set<unsigned>(l_Roots.begin(), l_Roots.end()), l_Recorded.rootBuses);

    std::vector<uint32_t> l_Refs;  // the service's reference of each recorded bridge
    for (const auto& l_rBridge : l_Recorded.bridges) {
        SCOPED_TRACE(l_rBridge.slotPath);
        uint32_t l_Ref = kNone;
        ASSERT_EQ(m_Pci.QxPciBrd_FindBridgeByAddress(l_Id, l_rBridge.bus, l_rBridge.device,
                                                     l_rBridge.function, &l_Ref),
                  0);
        l_Refs.push_back(l_Ref);
        uint16_t l_Vendor = 0, l_Device = 0, l_SubVendor = 0, l_Sub = 0;
        ASSERT_EQ(
            m_Pci.QxPciBrd_GetBridgeIds(l_Id, l_Ref, &l_Vendor, &l_Device, &l_SubVendor, &l_Sub),
            0);
        EXPECT_EQ(l_Vendor, l_rBridge.vendorId);
        EXPECT_EQ(l_Device, l_rBridge.deviceId);
        EXPECT_EQ(l_SubVendor, l_rBridge.subsystemVendorId);
        EXPECT_EQ(l_Sub, l_rBridge.subsystemId);
        uint32_t l_Secondary = 0;
        ASSERT_EQ(m_Pci.QxPciBrd_GetAttributeU32(l_Id, l_Ref, 0x20000300, &l_Secondary), 0);
        EXPECT_EQ(l_Secondary, l_rBridge.secondaryBus);
        uint32_t l_Primary = 0;
        ASSERT_EQ(m_Pci.QxPciBrd_GetAttributeU32(l_Id, l_Ref, 0x20000000, &l_Primary), 0);
        EXPECT_EQ(l_Primary, l_rBridge.bus);

        const auto l_Text = l_Session.list<char>([&](char* a_pBuffer, uint32_t* a_pSize) {
            return m_Pci.QxPciBrd_GetBridgeSlotPath(l_Id, l_Ref, a_pBuffer, a_pSize);
        });
        EXPECT_EQ(std::string(l_Text.data()), l_rBridge.slotPath);
        uint32_t l_BySlot = kNone;
        EXPECT_EQ(m_Pci.QxPciBrd_FindBridgeBySlotPath(l_Id, l_rBridge.slotPath.c_str(), &l_BySlot),
                  0);
        EXPECT_EQ(l_BySlot, l_Ref);
        uint32_t l_ByBus = kNone;
        EXPECT_EQ(m_Pci.QxPciBrd_FindParentBridgeForBus(
                      l_Id, static_cast<uint8_t>(l_rBridge.secondaryBus), &l_ByBus),
                  0);
        EXPECT_EQ(l_ByBus, l_Ref);

        const auto l_Children =
            l_Session.list<uint32_t>([&](uint32_t* a_pArray, uint32_t* a_pCount) {
                return m_Pci.QxPciBrd_GetBridgeChildren(l_Id, l_Ref, a_pArray, a_pCount);
            });
        EXPECT_EQ(l_Children.size(), l_rBridge.children);
    }
    // Parents, once every reference is known.
    for (size_t l_Index = 0; l_Index < l_Recorded.bridges.size(); ++l_Index) {
        const int l_Parent = l_Recorded.bridges[l_Index].parent;
        uint32_t l_Ref = 0;
        const int32_t l_Status = m_Pci.QxPciBrd_GetBridgeParent(l_Id, l_Refs[l_Index], &l_Ref);
        if (l_Parent < 0) {
            EXPECT_EQ(l_Status, kNotFound);
            EXPECT_EQ(l_Ref, kNone);
        } else {
            EXPECT_EQ(l_Status, 0);
            EXPECT_EQ(l_Ref, l_Refs[static_cast<size_t>(l_Parent)]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LinuxPciBrd, RecordedTopology,
                         ::testing::ValuesIn(qxlinuxtest::recordedTopologies()),
                         [](const ::testing::TestParamInfo<std::string>& a_rInfo) {
                             std::string l_Name = a_rInfo.param.substr(0, a_rInfo.param.find('-'));
                             return "m" + l_Name;
                         });

// The deepest recording, for what holds for any machine.
class LinuxPciBrd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_Session.status(), 0); }
    uint32_t anyBridge() {
        uint32_t l_Ref = kNone;
        uint32_t l_Count = 1;
        EXPECT_EQ(m_Pci.QxPciBrd_FindBridgesByPciIds(m_Session.id(), nullptr, nullptr, nullptr,
                                                     nullptr, &l_Ref, &l_Count),
                  kTooSmall);  // more than one: the count is what is needed
        std::vector<uint32_t> l_All(l_Count);
        EXPECT_EQ(m_Pci.QxPciBrd_FindBridgesByPciIds(m_Session.id(), nullptr, nullptr, nullptr,
                                                     nullptr, l_All.data(), &l_Count),
                  0);
        return l_All.back();
    }

    tPciBrd m_Pci;
    cRecordedSession m_Session{m_Pci,
                               qxlinuxtest::realworld("topologies/96em64t-4n4d3ca2co-pci.xml")};
};

TEST_F(LinuxPciBrd, NeverWritesAndSaysSoForWhatHwlocDoesNotKnow) {
    const uint32_t l_Id = m_Session.id();
    const uint32_t l_Bridge = anyBridge();
    const uint8_t l_Data[4] = {1, 2, 3, 4};
    uint32_t l_Value = 7;
    EXPECT_EQ(m_Pci.QxPciBrd_SetAttributeU32(l_Id, l_Bridge, 0x20000800, 4),
              QXPCIBRD_LINUX_NOT_SUPPORTED);
    EXPECT_EQ(m_Pci.QxPciBrd_OpenBridge(l_Id, l_Bridge), QXPCIBRD_LINUX_NOT_SUPPORTED);
    EXPECT_EQ(m_Pci.QxPciBrd_EepromUpdate(l_Id, l_Bridge, 0x8086, 0x1234, 1, 0, 4, l_Data),
              QXPCIBRD_LINUX_NOT_SUPPORTED);
    EXPECT_EQ(m_Pci.QxPciBrd_GetAttributeU32(l_Id, l_Bridge, 0x20000800, &l_Value),
              QXPCIBRD_LINUX_NOT_SUPPORTED);
    EXPECT_EQ(l_Value, 7u);
    // A bridge reference the session never gave is no bridge, whatever the call.
    EXPECT_EQ(m_Pci.QxPciBrd_OpenBridge(l_Id, 0x7777), kNotFound);
    EXPECT_EQ(m_Pci.QxPciBrd_GetAttributeU32(l_Id, 0, 0x20000300, &l_Value), kNotFound);
}

TEST_F(LinuxPciBrd, SearchesAndLookupsMissWithTheirStatus) {
    const uint32_t l_Id = m_Session.id();
    const uint16_t l_NoVendor = 0xFFFF;
    uint32_t l_Count = 0;
    EXPECT_EQ(m_Pci.QxPciBrd_FindBridgesByPciIds(l_Id, &l_NoVendor, nullptr, nullptr, nullptr,
                                                 nullptr, &l_Count),
              0);
    EXPECT_EQ(l_Count, 0u);
    struct tCase {
        const char* slotPath;
        int32_t status;
    };
    std::vector<tCase> l_Cases = {{"MR00:FF", kNotFound}, {"MRFF:00", kNotFound}};
    for (const char* l_pText : qxtest::kNotSlotPaths) {
        l_Cases.push_back({l_pText, QXPCIBRD_LINUX_INVALID_ARGUMENT});
    }
    for (const tCase& l_rCase : l_Cases) {
        uint32_t l_Bridge = 0;
        EXPECT_EQ(m_Pci.QxPciBrd_FindBridgeBySlotPath(l_Id, l_rCase.slotPath, &l_Bridge),
                  l_rCase.status)
            << l_rCase.slotPath;
        EXPECT_EQ(l_Bridge, kNone) << l_rCase.slotPath;
    }
    uint32_t l_Bridge = 0;
    EXPECT_EQ(m_Pci.QxPciBrd_FindBridgeByAddress(l_Id, 0xFE, 31, 7, &l_Bridge), kNotFound);
    EXPECT_EQ(l_Bridge, kNone);
    // Too small a buffer: the needed size, nothing written beyond what was offered.
    char l_Small[3] = {'x', 'x', 'x'};
    uint32_t l_Size = sizeof(l_Small);
    EXPECT_EQ(m_Pci.QxPciBrd_GetBridgeSlotPath(l_Id, anyBridge(), l_Small, &l_Size), kTooSmall);
    EXPECT_GT(l_Size, sizeof(l_Small));
    EXPECT_EQ(std::string(l_Small, 3), "xxx");
}

TEST_F(LinuxPciBrd, ClosedOrUnknownSessionsAreRefused) {
    tPciBrd& l_rPci = m_Pci;
    uint32_t l_Second = kNone;
    ASSERT_EQ(l_rPci.QxPciBrd_OpenSession(0, &l_Second), 0);
    EXPECT_NE(l_Second, m_Session.id());
    EXPECT_EQ(l_rPci.QxPciBrd_CloseSession(l_Second), 0);
    EXPECT_EQ(l_rPci.QxPciBrd_CloseSession(l_Second), QXPCIBRD_LINUX_INVALID_SESSION);
    uint32_t l_Count = 0;
    EXPECT_EQ(l_rPci.QxPciBrd_GetRootBuses(l_Second, nullptr, &l_Count),
              QXPCIBRD_LINUX_INVALID_SESSION);
    EXPECT_EQ(l_rPci.QxPciBrd_OpenSession(0, nullptr), QXPCIBRD_LINUX_INVALID_ARGUMENT);
}

// Link widths come from sysfs, which QXPXI_SYSFS_ROOT may move, also for a recording.
TEST(LinuxPciBrdLinkWidth, ComesFromSysfs) {
    qxtest::cTempDir l_Sysfs;
    l_Sysfs.writeFile("bus/pci/devices/0000:00:1c.0/current_link_width", "8\n");
    l_Sysfs.writeFile("bus/pci/devices/0000:00:1e.0/current_link_width", "0\n");
    const qxtest::cScopedEnv l_Root("QXPXI_SYSFS_ROOT", l_Sysfs.path());
    tPciBrd l_Pci;
    cRecordedSession l_Session(l_Pci,
                               qxlinuxtest::realworld("topologies/96em64t-4n4d3ca2co-pci.xml"));
    ASSERT_EQ(l_Session.status(), 0);
    struct {
        uint8_t device, function;
        int32_t status;
        uint32_t width;
    } const l_Cases[] = {{0x1c, 0, 0, 8},
                         {0x1e, 0, QXPCIBRD_LINUX_NOT_SUPPORTED, 0},  // no link
                         {0x1c, 1, kNotFound, 0}};
    for (const auto& l_rCase : l_Cases) {
        uint32_t l_Bridge = kNone, l_Width = 0;
        const int32_t l_Found = l_Pci.QxPciBrd_FindBridgeByAddress(
            l_Session.id(), 0, l_rCase.device, l_rCase.function, &l_Bridge);
        const int32_t l_Status = l_Found != 0 ? l_Found
                                              : l_Pci.QxPciBrd_GetAttributeU32(
                                                    l_Session.id(), l_Bridge, 0x20000800, &l_Width);
        EXPECT_EQ(l_Status, l_rCase.status) << int(l_rCase.device) << "." << int(l_rCase.function);
        EXPECT_EQ(l_Width, l_rCase.width) << int(l_rCase.device) << "." << int(l_rCase.function);
    }
}

// A topology hwloc cannot load is a status, not a session; the service stays usable.
TEST(LinuxPciBrdFaults, UnloadableTopologiesGiveAStatusAndNoSession) {
    qxtest::cTempDir l_Dir;
    const std::vector<std::string> l_Files = {
        l_Dir.file("missing.xml"), l_Dir.writeFile("empty.xml", ""),
        l_Dir.writeFile("garbage.xml", "<topology><object type=\"Machine\">"),
        l_Dir.makeDir("directory.xml")};
    tPciBrd l_Pci;
    for (const std::string& l_rFile : l_Files) {
        cRecordedSession l_Session(l_Pci, l_rFile);
        EXPECT_EQ(l_Session.status(), QXPCIBRD_LINUX_TOPOLOGY_UNUSABLE) << l_rFile;
        EXPECT_EQ(l_Session.id(), kNone) << l_rFile;
    }
    cRecordedSession l_Good(l_Pci, qxlinuxtest::realworld("topologies/16intel64-manyVFs.xml"));
    EXPECT_EQ(l_Good.status(), 0);
}

// Without HWLOC_XMLFILE the session is this machine, whatever it has.
TEST(LinuxPciBrdThisMachine, OpensAndListsRootBuses) {
    qxtest::cScopedEnv l_NoXml("HWLOC_XMLFILE", std::nullopt);
    tPciBrd l_Pci;
    uint32_t l_Session = kNone;
    ASSERT_EQ(l_Pci.QxPciBrd_OpenSession(0, &l_Session), 0);
    uint32_t l_Count = 0;
    const int32_t l_Status = l_Pci.QxPciBrd_GetRootBuses(l_Session, nullptr, &l_Count);
    EXPECT_TRUE(l_Status == 0 || l_Status == kTooSmall) << l_Status;
    EXPECT_EQ(l_Pci.QxPciBrd_CloseSession(l_Session), 0);
}

}  // namespace
