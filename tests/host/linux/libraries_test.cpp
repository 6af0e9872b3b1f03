// The unchanged libraries on the Linux services, loaded as a host loads them: the
// chassis library and the chassis finder on a recorded deep topology, and the system
// module library discovering a module over the fake i2c-dev layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qxpxi/QXPXIFinder.h"
#include "qxpxi/QXPXIeCDu.h"
#include "qxpxi/QXPXIeSMu.h"
#include "tests/host/linux/fakeSmBusTree.h"
#include "tests/host/linux/installPrefix.h"
#include "tests/host/linux/linuxServices.h"

namespace {

struct tChassisLib {
    qxtest::cHostLibrary lib{"libQXPXIeCDu.so"};
    decltype(&PXISA_Chassis_GetCount) getCount =
        lib.require<decltype(PXISA_Chassis_GetCount)>("PXISA_Chassis_GetCount");
    decltype(&PXISA_Chassis_GetPCIRootBusNumber) rootBus =
        lib.require<decltype(PXISA_Chassis_GetPCIRootBusNumber)>(
            "PXISA_Chassis_GetPCIRootBusNumber");
};

// The root buses of every chassis, "1,3 2,9" (chassis by chassis).
std::string chassisBuses(const tChassisLib& a_rLib, const char* a_pModel, uint32_t a_Count) {
    std::string l_Text;
    for (uint32_t l_Chassis = 1; l_Chassis <= a_Count; ++l_Chassis) {
        l_Text += l_Chassis == 1 ? "" : " ";
        for (uint32_t l_Position = 1;; ++l_Position) {
            uint32_t l_Bus = 0;
            if (a_rLib.rootBus("Acme", a_pModel, l_Position, l_Chassis, &l_Bus) != 0) {
                break;
            }
            l_Text += (l_Position == 1 ? "" : ",") + std::to_string(l_Bus);
        }
    }
    return l_Text;
}

// The recording of a two-socket server with two PCI Express switches six levels deep:
//   root ports 00:01.0 (MR00:08, bus 1), 00:02.0 (MR00:10, bus 2), 00:02.2 (MR00:12,
//   bus 8), subsystem 8086:0000;
//   behind 00:02.0 and 00:02.2 a chain of switch bridges with subsystem 1137:012C:
//   MR00:00,10 (bus 3), MR00:00,00,10 (4), ... and MR00:00,12 (bus 9), MR00:00,00,12 (10), ...
// With the root ports as first level and the switch bridges as second level, each
// anchor takes the nearest switch bridge that is neither above nor below it, and no
// two anchors share one:
//   MR00:08 (bus 1): every switch bridge is 1 + its hops away; the first at 3 hops is
//                    MR00:00,10 (bus 3);
//   MR00:10 (bus 2): its own switch is below it; nearest of the rest MR00:00,12 (bus 9);
//   MR00:12 (bus 8): its own switch is below it; MR00:00,10 is taken, so MR00:00,00,10
//                    (bus 4).
TEST(LinuxLibraries, ChassisOnARecordedDeepTopology) {
    const qxtest::cScopedEnv l_Xml(
        "HWLOC_XMLFILE",
        qxlinuxtest::realworld("topologies/28intel64-2p2g7c-CoDgroups.v1tov2.xml"));
    const qxlinuxtest::cInstallPrefix l_Prefix;
    l_Prefix.chassisDriver("rootports.ini",
                           "[Chassis]\nVendor=Acme\nModel=Root ports\n\n[RootBusBridges]\n"
                           "Bridge1SubsystemID=8086:0000\nBridge2SubsystemID=1137:012C\n");
    l_Prefix.chassisDriver("switches.ini",
                           "[Chassis]\nVendor=Acme\nModel=Switches\n\n[RootBusBridges]\n"
                           "Bridge1SubsystemID=1093:7A10\nBridge2SubsystemID=1137:012c\n");
    l_Prefix.chassisDriver("absent.ini",
                           "[Chassis]\nVendor=Acme\nModel=Absent\n\n[RootBusBridges]\n"
                           "Bridge1SubsystemID=1093:7A10\n");
    const tChassisLib l_Lib;
    uint32_t l_Count = 99;
    ASSERT_EQ(l_Lib.getCount("Acme", "Root ports", &l_Count), 0);
    EXPECT_EQ(l_Count, 3u);
    EXPECT_EQ(chassisBuses(l_Lib, "Root ports", l_Count), "1,3 2,9 8,4");
    // A first pair that matches nothing moves the second up: every switch bridge is a
    // chassis of its own.
    ASSERT_EQ(l_Lib.getCount("Acme", "Switches", &l_Count), 0);
    EXPECT_EQ(l_Count, 10u);
    EXPECT_EQ(chassisBuses(l_Lib, "Switches", 2), "3 4");
    ASSERT_EQ(l_Lib.getCount("Acme", "Absent", &l_Count), 0);
    EXPECT_EQ(l_Count, 0u);

    // The chassis finder looks for its own model, which this machine does not have.
    qxtest::cHostLibrary l_Finder("libqx7402.so");
    auto l_pOpen = l_Finder.require<decltype(nQXPXIFINDER100_openList)>("nQXPXIFINDER100_openList");
    uint32_t l_Items = 99;
    void* l_pList = reinterpret_cast<void*>(1);
    EXPECT_EQ(l_pOpen(&l_Items, &l_pList), 0);
    EXPECT_EQ(l_Items, 0u);
    EXPECT_EQ(l_pList, nullptr);
}

// A topology that hwloc cannot load is the PCI service's status through the library,
// and the library answers again once the topology is good.
TEST(LinuxLibraries, AnUnloadableTopologyIsTheServicesStatus) {
    const qxlinuxtest::cInstallPrefix l_Prefix;
    l_Prefix.chassisDriver("c.ini",
                           "[Chassis]\nVendor=Acme\nModel=C\n\n[RootBusBridges]\n"
                           "Bridge1SubsystemID=8086:0000\n");
    qxtest::cTempDir l_Dir;
    const tChassisLib l_Lib;
    uint32_t l_Count = 99;
    {
        const qxtest::cScopedEnv l_Xml("HWLOC_XMLFILE", l_Dir.writeFile("bad.xml", "<topology"));
        EXPECT_EQ(l_Lib.getCount("Acme", "C", &l_Count), QXPCIBRD_LINUX_TOPOLOGY_UNUSABLE);
        EXPECT_EQ(l_Count, 0u);
    }
    const qxtest::cScopedEnv l_Xml(
        "HWLOC_XMLFILE",
        qxlinuxtest::realworld("topologies/28intel64-2p2g7c-CoDgroups.v1tov2.xml"));
    EXPECT_EQ(l_Lib.getCount("Acme", "C", &l_Count), 0);
    EXPECT_EQ(l_Count, 3u);
}

// A chassis EEPROM image as a chassis holds it: signature, vendor, model, two links,
// checksum.
std::vector<uint8_t> chassisEeprom() {
    std::vector<uint8_t> l_Image(256, 0);
    l_Image[0] = 0x5A;
    l_Image[1] = 0x31;
    l_Image[3] = 4;
    const std::string l_Vendor = "Acme", l_Model = "Acme PXIe-1000";
    std::copy(l_Vendor.begin(), l_Vendor.end(), l_Image.begin() + 5);
    std::copy(l_Model.begin(), l_Model.end(), l_Image.begin() + 65);
    unsigned l_Sum = 0;
    for (size_t l_Index = 0; l_Index < l_Image.size(); ++l_Index) {
        l_Sum += l_Index == 121 || l_Index == 122 ? 0 : l_Image[l_Index];
    }
    l_Image[121] = static_cast<uint8_t>(l_Sum & 0xFF);
    l_Image[122] = static_cast<uint8_t>((l_Sum >> 8) & 0xFF);
    return l_Image;
}

struct tSysModuleLib {
    qxtest::cHostLibrary lib{"libQXPXIeSMu.so"};
    decltype(&PXISA_SystemModule_GetCount) getCount =
        lib.require<decltype(PXISA_SystemModule_GetCount)>("PXISA_SystemModule_GetCount");
    decltype(&PXISA_SystemModule_GetName) getName =
        lib.require<decltype(PXISA_SystemModule_GetName)>("PXISA_SystemModule_GetName");
    decltype(&PXISA_SystemModule_GetInformation) getInformation =
        lib.require<decltype(PXISA_SystemModule_GetInformation)>(
            "PXISA_SystemModule_GetInformation");
    decltype(&PXISA_SystemModule_GetChassisEEPROM) getEeprom =
        lib.require<decltype(PXISA_SystemModule_GetChassisEEPROM)>(
            "PXISA_SystemModule_GetChassisEEPROM");
    decltype(&PXISA_SystemModule_SMBusOperation) smbus =
        lib.require<decltype(PXISA_SystemModule_SMBusOperation)>(
            "PXISA_SystemModule_SMBusOperation");
};

std::string remoteDescription(const std::string& a_rModel, const std::string& a_rVidPid) {
    return "[ModuleId]\nVendor=Acme\nModel=" + a_rModel + "\nSMBUSVIDPID=" + a_rVidPid +
           "\n\n[ModuleParams]\nModuleStyle=Remote\nMaximumLinkWidths=4,4,4,4,4,4\n\n"
           "[UpstreamPort]\nTraversalMap=10:00.0\n\n"
           "[2LinkBusNumbers]\nLink1=smbus\nLink2=smbus\n";
}

// The system module library finds a remote module by its SMBus controller's ids, names
// it after the adapter, reads its chassis EEPROM, and runs a host's transaction; the
// discovery itself writes nothing to the bus.
TEST(LinuxLibraries, SystemModuleOverI2cDev) {
    const qxtest::cScopedEnv l_Xml("HWLOC_XMLFILE",
                                   qxlinuxtest::realworld("topologies/96em64t-4n4d3ca2co-pci.xml"));
    // The SMBus controller sits on bus 2, below the root port 00:1c.0 of the recording,
    // whose link width the fake sysfs gives; both links start at that port.
    qxlinuxtest::cFakeSmBusTree l_Tree;
    l_Tree.addAdapter(0, "0000:02:00.0", "SMBus adapter of a remote card", 0x0c0500, 0x8086,
                      0x7a23);
    l_Tree.writeNode(0, qxlinuxtest::deviceLine(0xA4, chassisEeprom()));
    l_Tree.dir().writeFile("sys/bus/pci/devices/0000:00:1c.0/current_link_width", "4\n");
    const qxlinuxtest::cInstallPrefix l_Prefix;
    l_Prefix.systemModule("remote.ini", remoteDescription("Remote", "80867A23"));
    l_Prefix.systemModule("other.ini", remoteDescription("Other", "10937A20"));

    const tSysModuleLib l_Lib;
    int32_t l_Count = -1;
    ASSERT_EQ(l_Lib.getCount("Acme", "Other", &l_Count), 0);
    EXPECT_EQ(l_Count, 0);
    ASSERT_EQ(l_Lib.getCount("Acme", "Remote", &l_Count), 0);
    ASSERT_EQ(l_Count, 1);
    char l_Name[256] = {}, l_Resources[256] = {};
    ASSERT_EQ(l_Lib.getName("Acme", "Remote", 1, l_Name, l_Resources), 0);
    EXPECT_STREQ(l_Name, "Acme Remote (QXSMBUS::2::0::0::0)");
    EXPECT_STREQ(l_Resources, "QXSMBUS::2::0::0::0;PXI0::2-0.0::INSTR");
    uint8_t l_Eeprom[256] = {};
    EXPECT_EQ(l_Lib.getEeprom(l_Name, l_Resources, l_Eeprom), 0);
    EXPECT_EQ(std::vector<uint8_t>(l_Eeprom, l_Eeprom + 256), chassisEeprom());
    int32_t l_Link = 0;
    EXPECT_EQ(l_Lib.getInformation(l_Name, l_Resources, 105, &l_Link), 0);
    EXPECT_EQ(l_Link, 4);
    EXPECT_TRUE(l_Tree.writes().empty()) << l_Tree.writes().front();

    uint8_t l_Byte = 0;
    int32_t l_ReadCount = 0;
    EXPECT_EQ(l_Lib.smbus(l_Name, l_Resources, PXISA_SMBUS_OP_READ_BYTE, 0xA4, 65, 0, 0, nullptr,
                          &l_ReadCount, &l_Byte),
              0);
    EXPECT_EQ(l_Byte, 'A');
    const uint8_t l_Write = 0x42;
    EXPECT_EQ(l_Lib.smbus(l_Name, l_Resources, PXISA_SMBUS_OP_WRITE_BYTE, 0xA4, 200, 0, 1, &l_Write,
                          &l_ReadCount, &l_Byte),
              0);
    ASSERT_EQ(l_Tree.writes().size(), 1u);  // the host's write, and only that
    EXPECT_NE(l_Tree.writes()[0].find("SMBUS W A4 C8 2"), std::string::npos) << l_Tree.writes()[0];
    l_Tree.writeNode(0, "nack A4\n");
    EXPECT_EQ(l_Lib.smbus(l_Name, l_Resources, PXISA_SMBUS_OP_READ_BYTE, 0xA4, 65, 0, 0, nullptr,
                          &l_ReadCount, &l_Byte),
              QXSMBUS_LINUX_NO_ACKNOWLEDGE);
}

}  // namespace
