// The description classes, each loaded from a table of tiny files: valid, a required key
// missing, an optional key absent, malformed values.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/pxiHardwareDatabase/cChassisDescIni.h"
#include "config/pxiHardwareDatabase/cPxi1EmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxieChassisDriverDescIni.h"
#include "config/pxiHardwareDatabase/cPxieEmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxieRemoteControllerIni.h"
#include "hwdbTestSupport.h"
#include "runtime/status/qxStatusCodes.h"

using namespace QX_NS;

namespace {

template <typename tDescription>
struct tLoadCase {
    const char* name;
    const char* text;
    int64_t code;  // of open
    std::function<void(const tDescription&)> check;
};

template <typename tDescription>
void runLoadCases(const std::vector<tLoadCase<tDescription>>& a_rCases) {
    hwdbtest::cInstallTree l_Tree;
    for (const auto& l_rCase : a_rCases) {
        SCOPED_TRACE(l_rCase.name);
        const std::string l_Path = l_Tree.write(l_Tree.root(), "case.ini", l_rCase.text);
        tDescription l_Description;
        tStatusRecord l_Status;
        l_Description.open(l_Path.c_str(), 0, &l_Status);
        EXPECT_EQ(l_Status.code, l_rCase.code);
        if (l_rCase.check)
            l_rCase.check(l_Description);
    }
}

std::string vendorOf(const iPxiDeviceIni& a_rDescription) {
    std::string l_Vendor;
    tStatusRecord l_Status;
    a_rDescription.getVendor(l_Vendor, &l_Status);
    return l_Status.isError() ? "<error>" : l_Vendor;
}

std::string modelOf(const iPxiDeviceIni& a_rDescription) {
    std::string l_Model;
    tStatusRecord l_Status;
    a_rDescription.getModel(l_Model, &l_Status);
    return l_Status.isError() ? "<error>" : l_Model;
}

}  // namespace

TEST(DescriptionBase, AlwaysOpensReadOnlyAndSkipsOnError) {
    hwdbtest::cInstallTree l_Tree;
    const std::string l_Path =
        l_Tree.write(l_Tree.root(), "d.ini", "[Chassis]\nVendor=V\nModel=M\nTriggerBusList=1\n");
    cChassisDescIni l_Description;
    tStatusRecord l_Status;
    l_Description.open(l_Path.c_str(), 0, &l_Status);
    ASSERT_EQ(l_Status.code, 0);
    l_Description.setString("Chassis", "Vendor", "X", &l_Status);
    EXPECT_EQ(l_Status.code, kStatusIniReadOnly);
    EXPECT_EQ(vendorOf(l_Description), "V");

    // An error held on entry: nothing is opened, so nothing is loaded.
    cPxieChassisDriverDescIni l_Untouched;
    tStatusRecord l_Failed;
    QX_SET_STATUS(l_Failed, kStatusNotFound);
    l_Untouched.open(l_Path.c_str(), 0, &l_Failed);
    EXPECT_FALSE(l_Untouched.isOpen());
    EXPECT_EQ(l_Failed.code, kStatusNotFound);

    // A file that cannot be read fails open; load does not run over the empty document.
    cPxi1EmbeddedControllerIni l_Missing;
    tStatusRecord l_MissingStatus;
    l_Missing.open((l_Tree.root() + "/none.ini").c_str(), 0, &l_MissingStatus);
    EXPECT_EQ(l_MissingStatus.code, kStatusFileAccessFailed);
}

TEST(ChassisDescription, KindFollowsTheTimingAndTriggerKeys) {
    struct tCase {
        const char* text;
        bool star;
        int64_t code1024;
        int64_t code2048;
    };
    const std::vector<tCase> l_Cases = {
        {"[Chassis]\nStarSystemTimingSetList=1\nTriggerBusList=1\n", true, 0, kStatusDbKindInvalid},
        {"[Chassis]\nTriggerBusList=1\n", false, kStatusDbKindInvalid, 0},
        {"[Chassis]\nStarSystemTimingSetList=1\n", true, kStatusDbKindInvalid,
         kStatusDbKindInvalid},
        {"[Chassis]\ntriggerbuslist=1\n", false, kStatusDbKindInvalid, kStatusDbKindInvalid},
        {"[chassis]\nTriggerBusList=1\n", false, kStatusDbKindInvalid, kStatusDbKindInvalid},
    };
    hwdbtest::cInstallTree l_Tree;
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.text);
        const std::string l_Path = l_Tree.write(l_Tree.root(), "c.ini", l_rCase.text);
        cChassisDescIni l_Description;
        tStatusRecord l_Status;
        l_Description.open(l_Path.c_str(), 0, &l_Status);
        ASSERT_EQ(l_Status.code, 0) << "a chassis description always loads";
        EXPECT_EQ(l_Description.hasStarSystemTimingSetList(), l_rCase.star);
        for (const auto& l_rKind :
             {std::make_pair(1024u, l_rCase.code1024), std::make_pair(2048u, l_rCase.code2048),
              std::make_pair(16u, int64_t{kStatusDbKindInvalid})}) {
            tStatusRecord l_KindStatus;
            l_Description.checkKind(l_rKind.first, &l_KindStatus);
            EXPECT_EQ(l_KindStatus.code, l_rKind.second) << "kind " << l_rKind.first;
        }
        // The identity is read on demand: missing keys fail there, not in load.
        EXPECT_EQ(vendorOf(l_Description), "<error>");
    }
}

TEST(ChassisDriverDescription, LoadAndRootBusBridges) {
    using tDesc = cPxieChassisDriverDescIni;
    auto l_Count = [](const tDesc& a_rDescription) {
        uint32_t l_Value = 99;
        tStatusRecord l_Status;
        a_rDescription.getRootBusBridgeCount(l_Value, &l_Status);
        EXPECT_EQ(l_Status.code, 0);
        return l_Value;
    };
    runLoadCases<tDesc>({
        {"bridges 1, 2 and 4",
         "[Chassis]\nVendor=V\nModel=M\n[RootBusBridges]\nBridge1SubsystemID=1234:0001\n"
         "Bridge2SubsystemID=1234:0002\nBridge4SubsystemID=1234:0004\n",
         0,
         [&](const tDesc& a_rDescription) {
             EXPECT_EQ(vendorOf(a_rDescription), "V");
             EXPECT_EQ(modelOf(a_rDescription), "M");
             EXPECT_EQ(l_Count(a_rDescription), 2u);
             std::string l_Id;
             tStatusRecord l_Status;
             a_rDescription.getRootBusBridgeSubsystemId(2, l_Id, &l_Status);
             EXPECT_EQ(l_Id, "1234:0002");
             a_rDescription.getRootBusBridgeSubsystemId(3, l_Id, &l_Status);
             EXPECT_EQ(l_Status.code, kStatusIniKeyNotFound);
         }},
        {"no bridge section", "[Chassis]\nVendor=V\nModel=M\n", 0,
         [&](const tDesc& a_rDescription) { EXPECT_EQ(l_Count(a_rDescription), 0u); }},
        {"bridge keys are case-sensitive",
         "[Chassis]\nVendor=V\nModel=M\n[RootBusBridges]\nbridge1subsystemid=1:2\n", 0,
         [&](const tDesc& a_rDescription) { EXPECT_EQ(l_Count(a_rDescription), 0u); }},
        {"no vendor", "[Chassis]\nModel=M\n", kStatusIniKeyNotFound, nullptr},
        {"no model", "[Chassis]\nVendor=V\nModel=\n", kStatusIniKeyNotFound, nullptr},
        {"not an INI file", "\xFF\xFE[\0C\0", kStatusFileAccessFailed, nullptr},
    });
}

TEST(PxiEmbeddedControllerDescription, Load) {
    using tDesc = cPxi1EmbeddedControllerIni;
    const std::string l_Valid =
        "[Controller]\nType=Embedded\nVendor=Acme\nModel=PXI-1\nSMBIOSProduct=PXI-1 Box\n"
        "SMBIOSProductExact=PXI-1 Box Rev B\nIsUnknownController=Yes\nGPIBPortSlotPath=MR00:10\n"
        "[Embedded]\nPCISlotPath=MR00:1F\n";
    const std::string l_Minimal =
        "[Controller]\nType=Embedded\nVendor=Acme\nModel=PXI-2\n[Embedded]\nPCISlotPath=MR02:00,"
        "E0\n";
    auto l_Without = [&](const std::string& a_rLine) {
        std::string l_Text = l_Valid;
        l_Text.erase(l_Text.find(a_rLine), a_rLine.size());
        return l_Text;
    };
    const std::string l_NoType = l_Without("Type=Embedded\n");
    const std::string l_NoPath = l_Without("PCISlotPath=MR00:1F\n");
    const std::string l_NoVendor = l_Without("Vendor=Acme\n");
    const std::string l_NoModel = l_Without("Model=PXI-1\n");
    std::string l_LowerType = l_Valid;
    l_LowerType.replace(l_LowerType.find("Embedded\n"), 8, "embedded");
    std::string l_BadPath = l_Valid;
    l_BadPath.replace(l_BadPath.find("MR00:1F"), 7, "ZZ");
    std::string l_LowerYes = l_Valid;
    l_LowerYes.replace(l_LowerYes.find("=Yes"), 4, "=yes");

    runLoadCases<tDesc>({
        {"all keys", l_Valid.c_str(), 0,
         [](const tDesc& a_rDescription) {
             EXPECT_EQ(vendorOf(a_rDescription), "Acme");
             EXPECT_EQ(modelOf(a_rDescription), "PXI-1");
             std::string l_Text;
             tStatusRecord l_Status;
             a_rDescription.getSmbiosProduct(l_Text, &l_Status);
             EXPECT_EQ(l_Text, "PXI-1 Box");
             a_rDescription.getSmbiosProductExact(l_Text, &l_Status);
             EXPECT_EQ(l_Text, "PXI-1 Box Rev B");
             a_rDescription.getGpibPortSlotPath(l_Text, &l_Status);
             EXPECT_EQ(l_Text, "MR00:10");
             EXPECT_TRUE(a_rDescription.isUnknownController());
             nQxPxiDriverTools_1_0::cSlotPath l_Path;
             a_rDescription.getPciSlotPath(l_Path, &l_Status);
             EXPECT_EQ(l_Path.getBus(&l_Status), 0);
             EXPECT_EQ(l_Path.hopCount(), 1u);
             EXPECT_EQ(l_Path.getFirstHop(&l_Status), 0x1F);
             EXPECT_EQ(l_Status.code, 0);
         }},
        {"optional keys absent", l_Minimal.c_str(), 0,
         [](const tDesc& a_rDescription) {
             std::string l_Text = "untouched";
             tStatusRecord l_Status;
             a_rDescription.getSmbiosProduct(l_Text, &l_Status);
             EXPECT_EQ(l_Status.code, kStatusNotPresent);
             EXPECT_EQ(l_Text, "untouched");
             tStatusRecord l_ExactStatus;
             a_rDescription.getSmbiosProductExact(l_Text, &l_ExactStatus);
             EXPECT_EQ(l_ExactStatus.code, kStatusNotPresent);
             tStatusRecord l_GpibStatus;
             a_rDescription.getGpibPortSlotPath(l_Text, &l_GpibStatus);
             EXPECT_EQ(l_GpibStatus.code, 0);
             EXPECT_EQ(l_Text, "");
             EXPECT_FALSE(a_rDescription.isUnknownController());
             nQxPxiDriverTools_1_0::cSlotPath l_Path;
             a_rDescription.getPciSlotPath(l_Path, &l_GpibStatus);
             std::string l_PathText;
             l_Path.toString(l_PathText, &l_GpibStatus);
             EXPECT_EQ(l_PathText, "MR02:00,E0");
         }},
        {"IsUnknownController is exact", l_LowerYes.c_str(), 0,
         [](const tDesc& a_rDescription) { EXPECT_FALSE(a_rDescription.isUnknownController()); }},
        {"Type in lower case", l_LowerType.c_str(), kStatusIniValueInvalid, nullptr},
        {"no Type", l_NoType.c_str(), kStatusIniKeyNotFound, nullptr},
        {"no PCISlotPath", l_NoPath.c_str(), kStatusIniKeyNotFound, nullptr},
        {"no Vendor", l_NoVendor.c_str(), kStatusIniKeyNotFound, nullptr},
        {"no Model", l_NoModel.c_str(), kStatusIniKeyNotFound, nullptr},
        {"PCISlotPath not a slot path", l_BadPath.c_str(), kStatusInvalidArgument, nullptr},
    });
}

TEST(PxieEmbeddedControllerDescription, Load) {
    using tDesc = cPxieEmbeddedControllerIni;
    runLoadCases<tDesc>({
        {"valid",
         "[ModuleParams]\nModuleStyle=Embedded\n[ModuleId]\nVendor=Acme\nModel=E1\n"
         "GPIBPortSlotPath=MR00:08\n",
         0,
         [](const tDesc& a_rDescription) {
             EXPECT_EQ(vendorOf(a_rDescription), "Acme");
             EXPECT_EQ(modelOf(a_rDescription), "E1");
             std::string l_Gpib;
             tStatusRecord l_Status;
             a_rDescription.getGpibPortSlotPath(l_Gpib, &l_Status);
             EXPECT_EQ(l_Gpib, "MR00:08");
         }},
        {"no GPIB port", "[ModuleParams]\nModuleStyle=Embedded\n[ModuleId]\nVendor=A\nModel=E\n", 0,
         nullptr},
        {"remote style", "[ModuleParams]\nModuleStyle=Remote\n[ModuleId]\nVendor=A\nModel=E\n",
         kStatusIniValueInvalid, nullptr},
        {"empty style", "[ModuleParams]\nModuleStyle=\"\"\n[ModuleId]\nVendor=A\nModel=E\n",
         kStatusIniValueInvalid, nullptr},
        {"no style", "[ModuleId]\nVendor=A\nModel=E\n", kStatusIniKeyNotFound, nullptr},
        {"no vendor", "[ModuleParams]\nModuleStyle=Embedded\n[ModuleId]\nModel=E\n",
         kStatusIniKeyNotFound, nullptr},
        {"no model", "[ModuleParams]\nModuleStyle=Embedded\n[ModuleId]\nVendor=A\n",
         kStatusIniKeyNotFound, nullptr},
    });
}

TEST(PxieRemoteControllerDescription, Load) {
    using tDesc = cPxieRemoteControllerIni;
    const std::string l_Head =
        "[ModuleId]\nVendor=Acme\nModel=R1\n[UpstreamPort]\nTraversalMap=up\n"
        "[DownstreamPortA]\nTraversalMap=mapA\n[DownstreamPortB]\nTraversalMap=mapB\n"
        "[ModuleParams]\nModuleStyle=Remote\n";
    auto l_With = [&](const std::string& a_rParams) { return l_Head + a_rParams; };
    const std::string l_Full = l_With(
        "Integrated=Yes\nDownstreamPorts=B,A\nLabels=x, y\nLinkWidthPerLabel=8\n"
        "[ModuleId]\nOrderablePartNumber=123-45\n");
    const std::string l_NoPorts = l_With("");
    const std::string l_PortsNoLabels = l_With("DownstreamPorts=A\n");
    const std::string l_MissingPort = l_With("DownstreamPorts=A,C\nLabels=x\n");
    const std::string l_SpacedPort = l_With("DownstreamPorts=A, B\nLabels=x\n");
    const std::string l_IntegratedTrue = l_With("Integrated=True\n");
    const std::string l_IntegratedNo = l_With("Integrated=No\n");
    const std::string l_Width2 = l_With("DownstreamPorts=A\nLabels=x\nLinkWidthPerLabel=2\n");
    const std::string l_WidthText = l_With("DownstreamPorts=A\nLabels=x\nLinkWidthPerLabel=x4\n");
    const std::string l_NoWidth = l_With("DownstreamPorts=A\nLabels=x\n");
    std::string l_NoUpstream = l_NoPorts;
    l_NoUpstream.replace(l_NoUpstream.find("[UpstreamPort]"), 14, "[Upstream]");
    std::string l_Embedded = l_NoPorts;
    l_Embedded.replace(l_Embedded.find("=Remote"), 7, "=Embedded");

    runLoadCases<tDesc>({
        {"all keys", l_Full.c_str(), 0,
         [](const tDesc& a_rDescription) {
             EXPECT_EQ(vendorOf(a_rDescription), "Acme");
             EXPECT_EQ(modelOf(a_rDescription), "R1");
             EXPECT_TRUE(a_rDescription.isIntegrated());
             EXPECT_EQ(a_rDescription.getDownstreamTraversalMaps(),
                       (std::vector<std::string>{"mapB", "mapA"}));
             EXPECT_EQ(a_rDescription.getLabels(), (std::vector<std::string>{"x", " y"}));
             EXPECT_EQ(a_rDescription.getLinkWidthPerLabel(), 8u);
             std::string l_Text;
             tStatusRecord l_Status;
             a_rDescription.getOrderablePartNumber(l_Text, &l_Status);
             EXPECT_EQ(l_Text, "123-45");
             a_rDescription.getUpstreamTraversalMap(l_Text, &l_Status);
             EXPECT_EQ(l_Text, "up");
         }},
        {"no downstream ports needs no labels", l_NoPorts.c_str(), 0,
         [](const tDesc& a_rDescription) {
             EXPECT_FALSE(a_rDescription.isIntegrated());
             EXPECT_TRUE(a_rDescription.getDownstreamTraversalMaps().empty());
             EXPECT_TRUE(a_rDescription.getLabels().empty());
             EXPECT_EQ(a_rDescription.getLinkWidthPerLabel(), 0u);
             std::string l_Part = "x";
             tStatusRecord l_Status;
             a_rDescription.getOrderablePartNumber(l_Part, &l_Status);
             EXPECT_EQ(l_Part, "");
         }},
        {"no link width", l_NoWidth.c_str(), 0,
         [](const tDesc& a_rDescription) { EXPECT_EQ(a_rDescription.getLinkWidthPerLabel(), 0u); }},
        {"Integrated No", l_IntegratedNo.c_str(), 0,
         [](const tDesc& a_rDescription) { EXPECT_FALSE(a_rDescription.isIntegrated()); }},
        {"ports without labels", l_PortsNoLabels.c_str(), kStatusIniKeyNotFound, nullptr},
        {"listed port without section", l_MissingPort.c_str(), kStatusIniKeyNotFound, nullptr},
        {"port names are not trimmed", l_SpacedPort.c_str(), kStatusIniKeyNotFound, nullptr},
        {"Integrated True", l_IntegratedTrue.c_str(), kStatusIniItemInvalid, nullptr},
        {"link width 2", l_Width2.c_str(), kStatusIniItemInvalid, nullptr},
        {"link width not a number", l_WidthText.c_str(), kStatusIniValueInvalid, nullptr},
        {"no upstream map", l_NoUpstream.c_str(), kStatusIniKeyNotFound, nullptr},
        {"embedded style", l_Embedded.c_str(), kStatusInvalidArgument, nullptr},
    });
}
