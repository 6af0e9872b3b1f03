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
        EXPECT_NE(l_Tree.stdOut.find("call(s) failed:"), std::string::npos);
    }
}

TEST(ToolFaults, ModuleWithABadChassisEepromReportsItsChecksum) {
    json l_Machine = qxtest::exampleMachine();
    l_Machine["smbus"]["adapters"][1]["devices"]["0xA4"]["chassisEeprom"]["checksum"] = 1;
    qxtest::cSimMachine l_Sim(l_Machine);
    const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, 1);
    const json* l_pFailure =
        findFailure(l_Doc, "PXISA_SystemModule_GetChassisEEPROM(\"Quarrix PXIe-8398");
    ASSERT_NE(l_pFailure, nullptr) << l_Doc["failures"].dump(2);
    EXPECT_EQ((*l_pFailure)["code"], -26900);
    EXPECT_EQ((*l_pFailure)["name"], "kStatusEepromChecksumMismatch");
    // The embedded module's chassis is sound.
    EXPECT_EQ(l_Doc["systemModules"]["identities"][1]["modules"][0]["eeprom"]["status"], 0);
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
                                                           {"--machine", "/nonexistent/m.json"}};
    for (const auto& l_rArgs : l_Cases) {
        std::vector<std::string> l_Argv = {tooltest::toolPath()};
        l_Argv.insert(l_Argv.end(), l_rArgs.begin(), l_rArgs.end());
        const qxtest::tChildResult l_Result = tooltest::run(l_Argv);
        SCOPED_TRACE(l_rArgs.front());
        EXPECT_EQ(l_Result.exitCode, 2);
        EXPECT_NE(l_Result.stdErr.find("usage: pxi-inventory"), std::string::npos)
            << l_Result.stdErr;
        EXPECT_TRUE(l_Result.stdOut.empty()) << l_Result.stdOut;
    }
    const qxtest::tChildResult l_Help = tooltest::run({tooltest::toolPath(), "--help"});
    EXPECT_EQ(l_Help.exitCode, 0);
    for (const char* l_pSection : {"SYNOPSIS", "OPTIONS", "EXIT STATUS", "--machine FILE"}) {
        EXPECT_NE(l_Help.stdOut.find(l_pSection), std::string::npos) << l_pSection;
    }
}

}  // namespace
