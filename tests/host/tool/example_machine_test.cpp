// pxi-inventory on the example machine: every answer in its JSON document compared with
// what the machine file says, and the tree view showing the same inventory.
#include <gtest/gtest.h>

#include <string>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;

using tooltest::number;

namespace {

class ToolExampleMachine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_Machine = json::parse(qxtest::readFile(qxtest::exampleMachinePath()));
        s_Doc = tooltest::runJson({tooltest::toolPath(), "--machine", qxtest::exampleMachinePath()},
                                  {}, 0);
    }
    static json s_Machine;
    static json s_Doc;

    static const json& identity(const std::string& a_rModel) {
        for (const auto& l_rIdentity : s_Doc["systemModules"]["identities"]) {
            if (l_rIdentity["vendor"] == "Quarrix" && l_rIdentity["model"] == a_rModel) {
                return l_rIdentity;
            }
        }
        static const json s_None;
        ADD_FAILURE() << "no identity " << a_rModel;
        return s_None;
    }
};

json ToolExampleMachine::s_Machine;
json ToolExampleMachine::s_Doc;

TEST_F(ToolExampleMachine, EveryCallAnswers) {
    EXPECT_EQ(s_Doc["schema"], "pxi-inventory/1");
    EXPECT_EQ(s_Doc["exitStatus"], 0);
    EXPECT_TRUE(s_Doc["failures"].empty()) << s_Doc["failures"].dump(2);
    EXPECT_EQ(s_Doc["environment"]["machine"], qxtest::exampleMachinePath());
}

TEST_F(ToolExampleMachine, ChassisRootBusesAreTheSecondaryBusesOfTheRootBusBridges) {
    const auto& l_rModels = s_Doc["chassis"]["models"];
    ASSERT_EQ(l_rModels.size(), 1u);
    const auto& l_rModel = l_rModels[0];
    EXPECT_EQ(l_rModel["vendor"], "Quarrix");
    EXPECT_EQ(l_rModel["model"], "QX PXIe-1092");
    // Root bus level n hangs from the bridges with subsystem id Bridge<n>SubsystemID.
    const std::vector<uint32_t> l_Level1 = tooltest::secondaryBusesOf(s_Machine, 0x7A10);
    const std::vector<uint32_t> l_Level2 = tooltest::secondaryBusesOf(s_Machine, 0x7A11);
    ASSERT_EQ(l_Level1.size(), 2u);
    EXPECT_EQ(l_rModel["count"]["value"], l_Level1.size());
    ASSERT_EQ(l_rModel["chassis"].size(), l_Level1.size());
    for (size_t l_Index = 0; l_Index < l_Level1.size(); ++l_Index) {
        const auto& l_rBuses = l_rModel["chassis"][l_Index]["rootBuses"];
        SCOPED_TRACE("chassis " + std::to_string(l_Index + 1));
        ASSERT_EQ(l_rBuses.size(), 2u);
        EXPECT_EQ(l_rBuses[0]["bus"], l_Level1[l_Index]);
        EXPECT_EQ(l_rBuses[1]["bus"], l_Level2[l_Index]);
        EXPECT_EQ(l_rBuses[1]["status"], 0);
    }
}

TEST_F(ToolExampleMachine, SystemModulesMatchTheirAdaptersLinksAndEeproms) {
    const json& l_rController = s_Machine["controller"]["text"];
    EXPECT_EQ(s_Doc["systemModules"]["controller"]["vendor"], l_rController["0x10000000"]);
    EXPECT_EQ(s_Doc["systemModules"]["controller"]["model"], l_rController["0x10000100"]);

    struct tCase {
        std::string model;
        std::string style;
        bool controller;
        std::string resource;
        std::string instrument;
        // The switch ports at the end of the two links: bus, device.
        uint32_t linkBus;
        uint32_t linkDevice[2];
        int32_t moduleStyle;
        std::string text200;
    };
    const std::string l_RemoteText =
        tooltest::adapter(s_Machine, "QXSMBUS::16::0::0::0")["description"];
    const tCase l_Cases[] = {
        {"PXIe-8398",
         "remote",
         false,
         "QXSMBUS::16::0::0::0",
         "PXI0::16-0.0::INSTR",
         0x11,
         {0, 1},
         1,
         l_RemoteText},
        {"PXIe-8881",
         "embedded",
         true,
         "QXSMBUS::0::31::3::0",
         "PXI0::0-31.3::INSTR",
         0x02,
         {0, 1},
         0,
         l_rController["0x10000200"]},
    };
    // Remote identities come first, as the library refreshes them.
    ASSERT_EQ(s_Doc["systemModules"]["identities"].size(), 2u);
    EXPECT_EQ(s_Doc["systemModules"]["identities"][0]["model"], "PXIe-8398");
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.model);
        const json& l_rIdentity = identity(l_rCase.model);
        EXPECT_EQ(l_rIdentity["style"], l_rCase.style);
        EXPECT_EQ(l_rIdentity["controller"], l_rCase.controller);
        ASSERT_EQ(l_rIdentity["count"]["value"], 1);
        const json& l_rModule = l_rIdentity["modules"][0];
        EXPECT_EQ(l_rModule["name"], "Quarrix " + l_rCase.model + " (" + l_rCase.resource + ")");
        EXPECT_EQ(l_rModule["resourceList"], l_rCase.resource + ";" + l_rCase.instrument);

        const json& l_rAttributes = l_rModule["attributes"];
        EXPECT_EQ(l_rAttributes["linkCount"]["value"], 2);
        EXPECT_EQ(l_rAttributes["moduleStyle"]["value"], l_rCase.moduleStyle);
        EXPECT_EQ(l_rAttributes["text200"]["value"], l_rCase.text200);
        for (int l_Link = 0; l_Link < 2; ++l_Link) {
            const json l_Port =
                tooltest::bridgeAt(s_Machine, l_rCase.linkBus, l_rCase.linkDevice[l_Link], 0);
            ASSERT_FALSE(l_Port.is_null());
            const std::string l_Suffix = std::to_string(l_Link + 1);
            EXPECT_EQ(l_rAttributes["linkBus" + l_Suffix]["value"], number(l_Port["secondaryBus"]));
            EXPECT_EQ(l_rAttributes["linkValue" + l_Suffix]["value"],
                      number(l_Port["attributes"]["0x20000800"]));
        }
        // A two-link chassis has no link 3: an answer, with its status, not a failure.
        EXPECT_EQ(l_rAttributes["linkBus3"]["status"], -52002);
        EXPECT_TRUE(l_rAttributes["linkBus3"]["value"].is_null());

        const json l_Adapter = tooltest::adapter(s_Machine, l_rCase.resource);
        const json& l_rSpec = l_Adapter["devices"]["0xA4"]["chassisEeprom"];
        const json& l_rEeprom = l_rModule["eeprom"];
        EXPECT_EQ(l_rEeprom["status"], 0);
        EXPECT_EQ(l_rEeprom["signature"]["valid"], true);
        EXPECT_EQ(l_rEeprom["vendor"], l_rSpec["vendor"]);
        EXPECT_EQ(l_rEeprom["model"], l_rSpec["model"]);
        EXPECT_EQ(l_rEeprom["revision"], l_rSpec["revision"]);
        EXPECT_EQ(l_rEeprom["serialNumber"], l_rSpec["serialNumber"]);
        EXPECT_EQ(l_rEeprom["linkConfiguration"]["byte"], l_rSpec["linkConfiguration"]);
        EXPECT_EQ(l_rEeprom["linkConfiguration"]["links"], 2);
        EXPECT_EQ(l_rEeprom["checksum"]["valid"], true);
        EXPECT_EQ(l_rEeprom["checksum"]["stored"], l_rEeprom["checksum"]["computed"]);
        EXPECT_EQ(l_rModule.contains("peerToPeer"), l_rCase.moduleStyle == 0);
    }
}

TEST_F(ToolExampleMachine, EmbeddedModuleRoutesBetweenItsTwoSwitchPorts) {
    const json& l_rP2P = identity("PXIe-8881")["modules"][0]["peerToPeer"];
    EXPECT_EQ(l_rP2P["portsFrom"], "description");
    EXPECT_EQ(l_rP2P["ports"], json({"02:00.0", "02:01.0"}));
    ASSERT_EQ(l_rP2P["pairs"].size(), 4u);
    for (const auto& l_rPair : l_rP2P["pairs"]) {
        EXPECT_EQ(l_rPair["status"], 0);
        EXPECT_EQ(l_rPair["supported"], l_rPair["source"] != l_rPair["target"]) << l_rPair.dump();
    }
}

TEST_F(ToolExampleMachine, FindersReportTheChassisBridgeAndTheController) {
    ASSERT_EQ(s_Doc["finders"].size(), 2u);
    const json& l_rChassisFinder = s_Doc["finders"][0];
    EXPECT_EQ(l_rChassisFinder["library"]["file"], "libqx7402.so");
    ASSERT_EQ(l_rChassisFinder["items"].size(), 1u);
    const json& l_rChassis = l_rChassisFinder["items"][0];
    EXPECT_EQ(l_rChassis["strings"]["vendor"]["value"], "Quarrix");
    EXPECT_EQ(l_rChassis["strings"]["model"]["value"], "QX PXI-7402");
    EXPECT_EQ(l_rChassis["u32"]["itemClass"]["value"], 2);
    EXPECT_EQ(l_rChassis["u32"]["chassisBus"]["value"],
              tooltest::secondaryBusesOf(s_Machine, 0x72B7).at(0));
    EXPECT_FALSE(l_rChassis.contains("idselMap"));

    const json& l_rControllerFinder = s_Doc["finders"][1];
    EXPECT_EQ(l_rControllerFinder["library"]["file"], "libqxpxiecf.so");
    ASSERT_EQ(l_rControllerFinder["items"].size(), 1u);
    const json& l_rItem = l_rControllerFinder["items"][0];
    const json& l_rText = s_Machine["controller"]["text"];
    EXPECT_EQ(l_rItem["strings"]["vendor"]["value"], l_rText["0x10000000"]);
    EXPECT_EQ(l_rItem["strings"]["model"]["value"], l_rText["0x10000100"]);
    // The controller sits at MR00:08, device 1 function 0 of root bus 0.
    EXPECT_EQ(l_rItem["strings"]["slotPath"]["value"],
              "MR" + l_rText["0x1001F400"].get<std::string>());
    EXPECT_EQ(l_rItem["u32"]["itemClass"]["value"], 1);
    EXPECT_EQ(l_rItem["u32"]["controllerClass"]["value"], 1);
    EXPECT_EQ(l_rItem["u32"]["controllerBus"]["value"],
              number(tooltest::bridgeAt(s_Machine, 0, 1, 0)["secondaryBus"]));
    EXPECT_EQ(l_rItem["idselMap"]["status"], 0);
    EXPECT_EQ(l_rItem["idselMap"]["map"].size(), 32u);
}

TEST_F(ToolExampleMachine, TreeShowsTheSameInventory) {
    const qxtest::tChildResult l_Result =
        tooltest::run({tooltest::toolPath(), "--machine", qxtest::exampleMachinePath()});
    ASSERT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
    for (const char* l_pLine :
         {"Quarrix QX PXIe-1092: 2 chassis", "root bus 2: [19]",
          "Quarrix PXIe-8398 (QXSMBUS::16::0::0::0)", "serial \"1092B000117\"", "checksum valid",
          "[02:00.0] -> 02:01.0", "chassisBus (0x20000): [31]", "slotPath (0x1F810): MR00:08",
          "controller by the controller driver: Quarrix PXIe-8881", "All calls answered."}) {
        EXPECT_NE(l_Result.stdOut.find(l_pLine), std::string::npos) << l_pLine << "\n"
                                                                    << l_Result.stdOut;
    }
}

}  // namespace

namespace {

TEST(ToolEeprom, BytesOutsidePrintableAsciiAreEscaped) {
    // A chassis EEPROM with a valid checksum but a byte above 0x7F and a line feed in its
    // vendor text: the document stays valid JSON and the terminal gets no raw bytes.
    json l_Machine = qxtest::exampleMachine();
    l_Machine["smbus"]["adapters"][0]["devices"]["0xA4"]["chassisEeprom"]["bytes"] = {{"7", 0xFF},
                                                                                      {"8", 0x0A}};
    qxtest::cSimMachine l_Sim(l_Machine);
    const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, 0);
    const json& l_rEeprom = l_Doc["systemModules"]["identities"][1]["modules"][0]["eeprom"];
    EXPECT_EQ(l_rEeprom["vendor"], "Qu\\xFF\\x0Arix") << l_rEeprom.dump();
    EXPECT_EQ(l_rEeprom["checksum"]["valid"], true);

    const qxtest::tChildResult l_Tree = tooltest::run({tooltest::toolPath()});
    EXPECT_EQ(l_Tree.exitCode, 0);
    EXPECT_NE(l_Tree.stdOut.find("\"Qu\\xFF\\x0Arix\""), std::string::npos) << l_Tree.stdOut;
}

}  // namespace
