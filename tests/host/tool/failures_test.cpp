// pxi-inventory when things fail: injected service faults are shown with code, name and
// meaning and give exit status 1 while the rest is still asked; a missing library is
// reported and skipped; bad arguments give exit status 2 and a usage line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;

namespace {

const json* findFailure(const json& a_rDoc, const std::string& a_rCallStart) {
    for (const auto& l_rFailure : a_rDoc["failures"]) {
        if (l_rFailure["call"].get<std::string>().rfind(a_rCallStart, 0) == 0) {
            return &l_rFailure;
        }
    }
    return nullptr;
}

TEST(ToolFaults, FailedCallIsShownAndTheRestIsAsked) {
    struct tCase {
        const char* function;
        int32_t status;
        const char* failingCall;  // start of the failure's call text
        const char* name;         // its symbolic name
    };
    const tCase l_Cases[] = {
        {"QxPciBrd_FindBridgesByPciIds", -313003,
         "PXISA_Chassis_GetCount(\"Quarrix\", \"QX PXIe-1092\")", "kStatusPciBrdNotFound"},
        {"QXSMBusGetChassisEEPROM", -52002,
         "PXISA_SystemModule_GetChassisEEPROM(\"Quarrix PXIe-8398", "qxapalerr_featureUnsupported"},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.function);
        json l_Machine = qxtest::exampleMachine();
        l_Machine["faults"] =
            json::array({{{"function", l_rCase.function}, {"status", l_rCase.status}}});
        qxtest::cSimMachine l_Sim(l_Machine);

        const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, 1);
        EXPECT_EQ(l_Doc["exitStatus"], 1);
        const json* l_pFailure = findFailure(l_Doc, l_rCase.failingCall);
        ASSERT_NE(l_pFailure, nullptr) << l_Doc["failures"].dump(2);
        EXPECT_EQ((*l_pFailure)["code"], l_rCase.status);
        EXPECT_EQ((*l_pFailure)["name"], l_rCase.name);
        EXPECT_FALSE((*l_pFailure)["meaning"].get<std::string>().empty());
        // The tool went on: the controller finder does not depend on either fault.
        EXPECT_EQ(l_Doc["finders"][1]["count"]["value"], 1) << l_Doc["finders"][1].dump(2);

        const qxtest::tChildResult l_Tree = tooltest::run({tooltest::toolPath()});
        EXPECT_EQ(l_Tree.exitCode, 1);
        EXPECT_NE(
            l_Tree.stdOut.find("[" + std::to_string(l_rCase.status) + " " + l_rCase.name + ": "),
            std::string::npos)
            << l_Tree.stdOut;
        EXPECT_NE(l_Tree.stdOut.find("failure(s):"), std::string::npos);
    }
}

// The tool's own calls on the platform services: a fault is a failure in the JSON, the
// tree, the view that shows the service and the exit status; a fault that fails one call
// on every bridge is one entry with a count, not one line each (one per adapter for the
// attributes of an adapter, as for those of a module).
TEST(ToolFaults, ServiceFaultsTheToolSeesAreOneFailureEach) {
    const size_t l_Bridges = qxtest::exampleMachine()["pci"]["bridges"].size();
    struct tCase {
        const char* function;
        int32_t status;
        const char* view;
        const char* call;  // the start of the first failure entry of the function
        size_t count;      // calls in that entry
        size_t entries;    // failure entries of the function
    } const l_Cases[] = {
        {"QXSMBusGetAttribute", -52010, "--smbus", "QXSMBusGetAttribute(sessions[0], 301, 302", 5,
         2},
        {"QXSMBusOpen", -52010, "--smbus",
         "QXSMBusOpen(\"QXSMBUS::0::31::3::0\", \"QXSMBUS::16::0::0::0\")", 2, 1},
        {"QxPciBrd_GetAttributeU32", -313005, "--bridges", "QxPciBrd_GetAttributeU32(0x100, 0x101",
         l_Bridges, 1},
        {"QxPciBrd_GetBridgeSlotPath", -313004, "--bridges", "QxPciBrd_GetBridgeSlotPath(0x100, ",
         l_Bridges, 1},
        {"QxPciBrd_GetBridgeIds", -313003, "--bridges", "QxPciBrd_GetBridgeIds(0x100, ", l_Bridges,
         1},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.function);
        json l_Machine = qxtest::exampleMachine();
        l_Machine["faults"] =
            json::array({{{"function", l_rCase.function}, {"status", l_rCase.status}}});
        qxtest::cSimMachine l_Sim(l_Machine);

        for (const char* l_pView : {"", l_rCase.view}) {
            SCOPED_TRACE(l_pView);
            std::vector<std::string> l_Argv = {tooltest::toolPath()};
            if (*l_pView != '\0') {
                l_Argv.push_back(l_pView);
            }
            const json l_Doc = tooltest::runJson(l_Argv, {}, 1);
            size_t l_Entries = 0;
            for (const auto& l_rFailure : l_Doc["failures"]) {
                l_Entries += l_rFailure["call"].get<std::string>().rfind(l_rCase.function, 0) == 0;
            }
            EXPECT_EQ(l_Entries, l_rCase.entries) << l_Doc["failures"].dump(2);
            const json* l_pFailure = findFailure(l_Doc, l_rCase.call);
            ASSERT_NE(l_pFailure, nullptr) << l_Doc["failures"].dump(2);
            EXPECT_EQ((*l_pFailure)["code"], l_rCase.status);
            EXPECT_EQ((*l_pFailure).value("count", 1u), l_rCase.count);

            // Beside the thing it concerns, and in the summary.
            const qxtest::tChildResult l_Tree = tooltest::run(l_Argv);
            EXPECT_EQ(l_Tree.exitCode, 1);
            const std::string l_Code = std::to_string(l_rCase.status) + " ";
            EXPECT_NE(l_Tree.stdOut.find("[" + l_Code), std::string::npos) << l_Tree.stdOut;
            EXPECT_NE(l_Tree.stdOut.find(l_rCase.call), std::string::npos) << l_Tree.stdOut;
        }
    }
}

TEST(ToolFaults, AnAdapterThatCannotBeOpenedByNameLeavesTheControllerToTheDriver) {
    // The library cannot open the adapter the embedded module's description names, so it
    // builds the module from the controller driver: the driver's two link widths only,
    // and the driver's ports, which are the description's.
    json l_Machine = qxtest::exampleMachine();
    l_Machine["faults"] = json::array({{{"function", "QXSMBusOpen"}, {"status", -52010}}});
    qxtest::cSimMachine l_Sim(l_Machine);
    const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, 1);
    const json& l_rModule = l_Doc["systemModules"]["identities"][1]["modules"][0];
    EXPECT_EQ(l_rModule["attributes"]["maxLinkWidth2"]["value"], 8) << l_rModule.dump(1);
    EXPECT_EQ(l_rModule["attributes"]["maxLinkWidth3"]["value"], -1);
    EXPECT_EQ(l_rModule["peerToPeer"]["ports"], json({"02:00.0", "02:01.0"}));
    EXPECT_EQ(l_rModule["peerToPeer"]["pairs"][1]["supported"], true);
}

TEST(ToolFaults, BadChassisEepromIsOneFailurePerCallAndShowsItsBytes) {
    json l_Machine = qxtest::exampleMachine();
    l_Machine["smbus"]["adapters"][1]["devices"]["0xA4"]["chassisEeprom"]["checksum"] = 1;
    qxtest::cSimMachine l_Sim(l_Machine);
    const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, 1);
    // The module fails to construct, so every attribute and the EEPROM fail alike: one
    // failure for the 18 attributes, one for the EEPROM.
    ASSERT_EQ(l_Doc["failures"].size(), 2u) << l_Doc["failures"].dump(2);
    const json* l_pAttributes =
        findFailure(l_Doc, "PXISA_SystemModule_GetInformation(\"Quarrix PXIe-8398");
    ASSERT_NE(l_pAttributes, nullptr) << l_Doc["failures"].dump(2);
    EXPECT_EQ((*l_pAttributes)["count"], 18);
    EXPECT_EQ((*l_pAttributes)["code"], -26900);
    const json* l_pFailure =
        findFailure(l_Doc, "PXISA_SystemModule_GetChassisEEPROM(\"Quarrix PXIe-8398");
    ASSERT_NE(l_pFailure, nullptr) << l_Doc["failures"].dump(2);
    EXPECT_EQ((*l_pFailure)["code"], -26900);
    EXPECT_EQ((*l_pFailure)["name"], "kStatusEepromChecksumMismatch");
    // The bytes that explain it, read through the SMBus service.
    const json& l_rEeprom = l_Doc["systemModules"]["identities"][0]["modules"][0]["eeprom"];
    const json& l_rDirect = l_rEeprom["throughSmbusService"];
    EXPECT_EQ(l_rDirect["status"], 0) << l_rEeprom.dump(2);
    EXPECT_EQ(l_rDirect["checksum"]["stored"], 1);
    EXPECT_EQ(l_rDirect["checksum"]["valid"], false);
    EXPECT_EQ(l_rDirect["raw"].size(), 16u);
    // The embedded module's chassis is sound.
    EXPECT_EQ(l_Doc["systemModules"]["identities"][1]["modules"][0]["eeprom"]["status"], 0);

    const qxtest::tChildResult l_Tree = tooltest::run({tooltest::toolPath()});
    EXPECT_EQ(l_Tree.exitCode, 1);
    for (const char* l_pLine : {"all 18 attributes [-26900 kStatusEepromChecksumMismatch",
                                "checksum stored 0x0001 (bytes 121-122), computed 0x090C: MISMATCH",
                                "70: 30 30 33 34 32 00 00 00 00 01 00 00 00 00 00 00"}) {
        EXPECT_NE(l_Tree.stdOut.find(l_pLine), std::string::npos) << l_pLine << "\n"
                                                                  << l_Tree.stdOut;
    }
    EXPECT_EQ(l_Tree.stdOut.find("attribute 0 "), std::string::npos) << l_Tree.stdOut;
}

TEST(ToolFaults, ControllerDriverThatFailsIsAFailureAndNoDriverIsNot) {
    struct tCase {
        int32_t openStatus;
        const char* state;
        bool failure;
        const char* line;
    } const l_Cases[] = {
        {-26934, "none", false, "controller driver: none, this machine has no controller driver"},
        {-26950, "failed", true, "controller driver: FAILED to open [-26950 "},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.openStatus);
        json l_Machine = qxtest::exampleMachine();
        l_Machine["controller"]["canOpen"] = false;
        l_Machine["controller"]["openStatus"] = l_rCase.openStatus;
        qxtest::cSimMachine l_Sim(l_Machine);
        const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, l_rCase.failure ? 1 : 0);
        EXPECT_EQ(l_Doc["systemModules"]["controller"]["state"], l_rCase.state);
        EXPECT_EQ(l_Doc["systemModules"]["controller"]["openStatus"], l_rCase.openStatus);
        EXPECT_EQ(findFailure(l_Doc, "QXCNTDRV_openController") != nullptr, l_rCase.failure)
            << l_Doc["failures"].dump(2);
        // Without a driver session the machine is identified from its own SMBIOS, as
        // the embedded controller finder does.
        EXPECT_EQ(l_Doc["controllerIdentification"]["way"], "SMBIOS");
        const qxtest::tChildResult l_Tree = tooltest::run({tooltest::toolPath()});
        EXPECT_NE(l_Tree.stdOut.find(l_rCase.line), std::string::npos) << l_Tree.stdOut;
    }
}

TEST(ToolDescriptions, FilesTheToolCannotUseAreListedWithTheReason) {
    qxtest::cSimMachine l_Sim(qxtest::exampleMachine(false));
    l_Sim.copyExampleDescriptions();
    const std::string l_NoModel =
        l_Sim.writeChassisDriverDescription("a-no-model.ini", "[Chassis]\nVendor=Quarrix\n");
    const std::string l_Twice = l_Sim.writeChassisDriverDescription(
        "zz-again.ini", "[Chassis]\nVendor=Quarrix\nModel=QX PXIe-1092\n");
    const std::string l_Style = l_Sim.writeSystemModuleDescription(
        "odd-style.ini", "[ModuleId]\nVendor=Quarrix\nModel=X\n[ModuleParams]\nModuleStyle=Odd\n");
    const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, 0);
    const json& l_rSkipped = l_Doc["descriptionDirectories"]["skipped"];
    ASSERT_EQ(l_rSkipped.size(), 3u) << l_rSkipped.dump(2);
    const std::pair<std::string, std::string> l_Expected[] = {
        {l_NoModel, "no [Chassis] Model"},
        {l_Twice, "\"Quarrix QX PXIe-1092\" is described already by "},
        {l_Style, "[ModuleParams] ModuleStyle is \"Odd\", neither \"Embedded\" nor \"Remote\""}};
    for (size_t l_Index = 0; l_Index < 3; ++l_Index) {
        EXPECT_EQ(tooltest::resolved(l_rSkipped[l_Index]["file"]),
                  tooltest::resolved(l_Expected[l_Index].first));
        EXPECT_EQ(
            l_rSkipped[l_Index]["reason"].get<std::string>().rfind(l_Expected[l_Index].second, 0),
            0u)
            << l_rSkipped[l_Index].dump();
    }
    const qxtest::tChildResult l_Plain = tooltest::run({tooltest::toolPath()});
    EXPECT_NE(l_Plain.stdOut.find("3 description file(s) found but not used (--verbose)"),
              std::string::npos)
        << l_Plain.stdOut;
    const qxtest::tChildResult l_Verbose = tooltest::run({tooltest::toolPath(), "--verbose"});
    EXPECT_NE(l_Verbose.stdOut.find("a-no-model.ini: no [Chassis] Model"), std::string::npos)
        << l_Verbose.stdOut;
}

TEST(ToolDescriptions, MissingDescriptionDirectoriesAreNamed) {
    qxtest::cSimMachine l_Sim(qxtest::exampleMachine(false));
    for (const std::string& l_rDir :
         {l_Sim.libDir() + "/qxpxihw/pxiechassis", l_Sim.libDir() + "/qxpxihw/pxiesysmodules",
          l_Sim.dataDir() + "/qxpxi/hardware_descriptions/controllers"}) {
        rmdir(l_rDir.c_str());
    }
    const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, 0);
    const json& l_rDirs = l_Doc["descriptionDirectories"];
    EXPECT_EQ(l_rDirs["missing"],
              json({l_rDirs["chassisDrivers"], l_rDirs["systemModules"], l_rDirs["controllers"]}))
        << l_rDirs.dump(1);
    const qxtest::tChildResult l_Tree = tooltest::run({tooltest::toolPath()});
    for (const auto& l_rLine : {std::make_pair("chassis drivers: ", "chassisDrivers"),
                                std::make_pair("system modules: ", "systemModules"),
                                std::make_pair("controllers: ", "controllers")}) {
        EXPECT_NE(l_Tree.stdOut.find(l_rLine.first + l_rDirs[l_rLine.second].get<std::string>() +
                                     " (no such directory)"),
                  std::string::npos)
            << l_Tree.stdOut;
    }
}

TEST(ToolFaults, MissingLibraryIsReportedAndTheOthersAnswer) {
    // A copy of the tool beside a lib/ without the system module library, and the
    // stand-ins; outside ctest's LD_LIBRARY_PATH the tool switches onto them itself.
    qxtest::cTempDir l_Dir;
    l_Dir.makeDir("tools");
    l_Dir.makeDir("lib");
    const std::string l_Tool = l_Dir.file("tools/pxi-inventory");
    {
        std::ifstream l_From(tooltest::toolPath(), std::ios::binary);
        std::ofstream l_To(l_Tool, std::ios::binary);
        l_To << l_From.rdbuf();
    }
    ASSERT_EQ(chmod(l_Tool.c_str(), 0755), 0);
    ASSERT_EQ(symlink((qxtest::buildDir() + "/services").c_str(), l_Dir.file("services").c_str()),
              0);
    for (const char* l_pLib : {"libQXPXIeCDu.so", "libqx7402.so", "libqxpxiecf.so"}) {
        ASSERT_EQ(symlink((qxtest::buildDir() + "/lib/" + l_pLib).c_str(),
                          l_Dir.file(std::string("lib/") + l_pLib).c_str()),
                  0);
    }
    const json l_Doc = tooltest::runJson(
        {l_Tool, "--machine", qxtest::exampleMachinePath()},
        {{"LD_LIBRARY_PATH", std::nullopt}, {"QXPXI_INVENTORY_STANDINS", std::nullopt}}, 1);
    EXPECT_EQ(l_Doc["environment"]["standInServices"], qxtest::buildDir() + "/services");
    EXPECT_EQ(l_Doc["systemModules"]["library"]["loaded"], false);
    const json* l_pFailure = findFailure(l_Doc, "dlopen(libQXPXIeSMu.so)");
    ASSERT_NE(l_pFailure, nullptr) << l_Doc["failures"].dump(2);
    EXPECT_EQ(l_Doc["failures"].size(), 1u) << l_Doc["failures"].dump(2);
    EXPECT_EQ(l_Doc["chassis"]["models"][0]["count"]["value"], 2);
    EXPECT_EQ(l_Doc["finders"][0]["count"]["value"], 1);
}

TEST(ToolUsage, BadArgumentsExitTwoWithAUsageLine) {
    const std::vector<std::vector<std::string>> l_Cases = {{"--bogus"},
                                                           {"extra"},
                                                           {"--machine"},
                                                           {"--machine="},
                                                           {"--chassis"},
                                                           {"--json", "--dot"},
                                                           {"--json", "--metrics"},
                                                           {"--metrics", "--smbus"},
                                                           {"--output"},
                                                           {"--smbus", "--smbios"},
                                                           {"--simulate", "--topology", "t.xml"},
                                                           {"--", "operand"},
                                                           {"--simulate", "a", "b"},
                                                           {"--chassis", "A", "--chassis", "B"},
                                                           {"--module", "A", "--module=B"},
                                                           {"--simulate", "--machine", "m.json"},
                                                           {"--topology", "a", "--topology", "b"}};
    for (const auto& l_rArgs : l_Cases) {
        std::vector<std::string> l_Argv = {tooltest::toolPath()};
        l_Argv.insert(l_Argv.end(), l_rArgs.begin(), l_rArgs.end());
        const qxtest::tChildResult l_Result = tooltest::run(l_Argv);
        SCOPED_TRACE(l_rArgs.front() + " " + l_rArgs.back());
        EXPECT_EQ(l_Result.exitCode, 2);
        EXPECT_NE(l_Result.stdErr.find("usage: pxi-inventory"), std::string::npos)
            << l_Result.stdErr;
        EXPECT_TRUE(l_Result.stdOut.empty()) << l_Result.stdOut;
    }
}

}  // namespace
