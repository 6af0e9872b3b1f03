// The bundled example machine: served by default, and consistent with its description
// files in the way the libraries will read them.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "qxpxi/services/qxpcibrd.h"
#include "tests/host/services/serviceBindings.h"

namespace {

namespace fs = std::filesystem;

struct tPci {
    qxtest::cHostLibrary m_Lib{"libqxpcibrd.so.1"};
    decltype(::QxPciBrd_OpenSession)* OpenSession =
        m_Lib.require<decltype(::QxPciBrd_OpenSession)>("QxPciBrd_OpenSession");
    decltype(::QxPciBrd_CloseSession)* CloseSession =
        m_Lib.require<decltype(::QxPciBrd_CloseSession)>("QxPciBrd_CloseSession");
    decltype(::QxPciBrd_FindBridgesByPciIds)* FindBridgesByPciIds =
        m_Lib.require<decltype(::QxPciBrd_FindBridgesByPciIds)>("QxPciBrd_FindBridgesByPciIds");
    decltype(::QxPciBrd_FindBridgeBySlotPath)* FindBridgeBySlotPath =
        m_Lib.require<decltype(::QxPciBrd_FindBridgeBySlotPath)>("QxPciBrd_FindBridgeBySlotPath");
    decltype(::QxPciBrd_GetAttributeU32)* GetAttributeU32 =
        m_Lib.require<decltype(::QxPciBrd_GetAttributeU32)>("QxPciBrd_GetAttributeU32");

    // Bridges with the given subsystem ids (any vendor and device).
    std::vector<uint32_t> bySubsystem(uint32_t a_Session, uint16_t a_SsVid, uint16_t a_SsId) {
        uint32_t l_Bridges[32];
        uint32_t l_Count = 32;
        EXPECT_EQ(FindBridgesByPciIds(a_Session, nullptr, nullptr, &a_SsVid, &a_SsId, l_Bridges,
                                      &l_Count),
                  0);
        return std::vector<uint32_t>(l_Bridges, l_Bridges + l_Count);
    }
    uint32_t secondaryBus(uint32_t a_Session, uint32_t a_Bridge) {
        uint32_t l_Bus = 0xFFFFFFFF;
        EXPECT_EQ(GetAttributeU32(a_Session, a_Bridge, 0x20000300, &l_Bus), 0);
        return l_Bus;
    }
};

// key=value of one section of an INI text.
std::map<std::string, std::string> section(const std::string& a_rText, const std::string& a_rName) {
    std::map<std::string, std::string> l_Keys;
    std::istringstream l_Stream(a_rText);
    std::string l_Line;
    bool l_In = false;
    while (std::getline(l_Stream, l_Line)) {
        if (!l_Line.empty() && l_Line[0] == '[') {
            l_In = l_Line == "[" + a_rName + "]";
        } else if (l_In && l_Line.find('=') != std::string::npos && l_Line[0] != ';') {
            l_Keys[l_Line.substr(0, l_Line.find('='))] = l_Line.substr(l_Line.find('=') + 1);
        }
    }
    return l_Keys;
}

TEST(ExampleMachine, IsServedWhenNoMachineFileIsNamed) {
    const qxtest::tChildResult l_Result = qxtest::runInChild([] {
        unsetenv("QXPXI_SIM_MACHINE");
        unsetenv("QXPXI_SIM_CALL_LOG");
        tPci l_Pci;
        uint32_t l_Session = 0;
        if (l_Pci.OpenSession(0, &l_Session) != 0) {
            return 1;
        }
        const size_t l_Chassis7402 = l_Pci.bySubsystem(l_Session, 0x1093, 0x72B7).size();
        l_Pci.CloseSession(l_Session);
        return l_Chassis7402 == 1 ? 0 : 2;
    });
    ASSERT_TRUE(l_Result.exited);
    EXPECT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
    EXPECT_EQ(l_Result.stdErr, "");
}

class ExampleMachineConsistency : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_Pci.OpenSession(0, &m_Session), 0); }
    void TearDown() override { m_Pci.CloseSession(m_Session); }

    std::string description(const std::string& a_rRelative) {
        return qxtest::readFile(m_Machine.libDir() + "/qxpxihw/" + a_rRelative);
    }

    qxtest::cSimMachine m_Machine{qxtest::exampleMachine()};
    tPci m_Pci;
    uint32_t m_Session = 0xFFFFFFFF;
};

TEST_F(ExampleMachineConsistency, TheDescriptionDirectoriesHoldTheDescriptions) {
    for (const std::string& l_rFile :
         {m_Machine.libDir() + "/qxpxihw/pxiechassis/qx-pxie-1092.ini",
          m_Machine.libDir() + "/qxpxihw/pxiesysmodules/quarrix-pxie-8881.ini",
          m_Machine.libDir() + "/qxpxihw/pxiesysmodules/quarrix-pxie-8398.ini",
          m_Machine.dataDir() + "/qxpxi/hardware_descriptions/controllers/quarrix-pxie-8881.ini",
          m_Machine.dataDir() + "/pxisa/chassis/qx-pxie-1092.ini"}) {
        EXPECT_TRUE(fs::is_regular_file(l_rFile)) << l_rFile;
    }
}

TEST_F(ExampleMachineConsistency, EachRootBusBridgeLevelFindsOneBridgePerChassis) {
    const auto l_Keys = section(description("pxiechassis/qx-pxie-1092.ini"), "RootBusBridges");
    ASSERT_EQ(l_Keys.size(), 2u);
    std::vector<std::vector<uint32_t>> l_Buses;
    for (const char* l_pKey : {"Bridge1SubsystemID", "Bridge2SubsystemID"}) {
        unsigned l_SsVid = 0, l_SsId = 0;
        ASSERT_EQ(std::sscanf(l_Keys.at(l_pKey).c_str(), "%x:%x", &l_SsVid, &l_SsId), 2);
        std::vector<uint32_t> l_Level;
        for (uint32_t l_Bridge : m_Pci.bySubsystem(m_Session, static_cast<uint16_t>(l_SsVid),
                                                   static_cast<uint16_t>(l_SsId))) {
            l_Level.push_back(m_Pci.secondaryBus(m_Session, l_Bridge));
        }
        l_Buses.push_back(l_Level);
    }
    EXPECT_EQ(l_Buses, (std::vector<std::vector<uint32_t>>{{0x04, 0x13}, {0x09, 0x19}}));
}

TEST_F(ExampleMachineConsistency, TheSystemModulesFindTheirSwitchAndAdapters) {
    const std::string l_Embedded = description("pxiesysmodules/quarrix-pxie-8881.ini");
    unsigned l_Ids[4] = {};
    ASSERT_EQ(std::sscanf(section(l_Embedded, "ModuleId").at("SwitchID").c_str(), "%x:%x:%x:%x",
                          &l_Ids[0], &l_Ids[1], &l_Ids[2], &l_Ids[3]),
              4);
    uint16_t l_Id16[4];
    for (int l_Index = 0; l_Index < 4; ++l_Index) {
        l_Id16[l_Index] = static_cast<uint16_t>(l_Ids[l_Index]);
    }
    uint32_t l_Count = 0;
    EXPECT_EQ(m_Pci.FindBridgesByPciIds(m_Session, &l_Id16[0], &l_Id16[1], &l_Id16[2], &l_Id16[3],
                                        nullptr, &l_Count),
              -313002);
    EXPECT_EQ(l_Count, 1u);

    // Both modules' adapters open and read a valid chassis EEPROM with two links.
    const std::string l_Remote = description("pxiesysmodules/quarrix-pxie-8398.ini");
    unsigned l_VidPid = 0;
    ASSERT_EQ(std::sscanf(section(l_Remote, "ModuleId").at("SMBUSVIDPID").c_str(), "%x", &l_VidPid),
              1);
    qxsimtest::tSmBus l_Bus;
    uint32_t l_Adapters = 0;
    int32_t l_Status = 0;
    void** l_pList = l_Bus.QXSMBusOpenList(&l_Adapters, &l_Status);
    ASSERT_EQ(l_Status, 0);
    int l_RemoteMatches = 0;
    bool l_EmbeddedFound = false;
    const std::string l_Fixed = section(l_Embedded, "ModuleParams").at("SMBUSFixedResName");
    for (uint32_t l_Index = 0; l_Index < l_Adapters; ++l_Index) {
        uint32_t l_Vid = 0, l_Pid = 0;
        const char* l_pName = nullptr;
        l_Bus.QXSMBusGetAttribute(l_pList[l_Index], 103, &l_Vid);
        l_Bus.QXSMBusGetAttribute(l_pList[l_Index], 104, &l_Pid);
        l_Bus.QXSMBusGetAttribute(l_pList[l_Index], 301, &l_pName);
        l_RemoteMatches += (l_Vid << 16 | l_Pid) == l_VidPid ? 1 : 0;
        l_EmbeddedFound = l_EmbeddedFound || l_Fixed == l_pName;
        std::array<uint8_t, 256> l_Image{};
        ASSERT_EQ(l_Bus.QXSMBusGetChassisEEPROM(l_pList[l_Index], 0, 256, l_Image.data()), 0);
        uint32_t l_Sum = 0;
        for (size_t l_Byte = 0; l_Byte < 256; ++l_Byte) {
            l_Sum += l_Byte == 121 || l_Byte == 122 ? 0 : l_Image[l_Byte];
        }
        EXPECT_EQ(l_Image[0], 0x5A);
        EXPECT_EQ(l_Sum & 0xFFFF, l_Image[121] + 256u * l_Image[122]);
        EXPECT_EQ(l_Image[124], 0) << "two links";
    }
    l_Bus.QXSMBusCloseList(l_Adapters, l_pList);
    EXPECT_EQ(l_RemoteMatches, 1);
    EXPECT_TRUE(l_EmbeddedFound) << l_Fixed;
}

TEST_F(ExampleMachineConsistency, TheControllerIsAQuarrixControllerOnAKnownBridge) {
    qxsimtest::tCntDrv l_Drv;
    void* l_pSession = nullptr;
    ASSERT_EQ(l_Drv.QXCNTDRV_openController(&l_pSession), 0);
    auto l_Text = [&](uint32_t a_Attribute) {
        char l_Buffer[256] = {};
        uint64_t l_Size = sizeof(l_Buffer);
        EXPECT_EQ(l_Drv.QXCNTDRV_getAttributeUTF8(l_pSession, a_Attribute, l_Buffer, &l_Size), 0);
        return std::string(l_Buffer);
    };
    EXPECT_EQ(l_Text(0x10000000), "Quarrix");
    const std::string l_Model = l_Text(0x10000100);
    uint32_t l_Present = 0;
    EXPECT_EQ(l_Drv.QXCNTDRV_getAttributeU32(l_pSession, 0x20000500, &l_Present), 0);
    EXPECT_EQ(l_Present, 1u);
    uint32_t l_Bridge = 0xFFFFFFFF;
    EXPECT_EQ(m_Pci.FindBridgeBySlotPath(m_Session, ("MR" + l_Text(0x1001F400)).c_str(), &l_Bridge),
              0);
    for (uint32_t l_Link : {0x10025900u, 0x10025901u}) {
        EXPECT_EQ(m_Pci.FindBridgeBySlotPath(m_Session, ("MR" + l_Text(l_Link)).c_str(), &l_Bridge),
                  0);
    }
    l_Drv.QXCNTDRV_closeController(l_pSession);
    const std::string l_Embedded = description("pxiesysmodules/quarrix-pxie-8881.ini");
    EXPECT_EQ(section(l_Embedded, "ModuleId").at("SMBIOSProduct"), l_Model);
    EXPECT_EQ(section(l_Embedded, "ModuleId").at("Model"), l_Model);
}

}  // namespace
