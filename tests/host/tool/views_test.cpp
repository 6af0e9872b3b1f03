// The views a user reaches for (PCI bridges, SMBus adapters, SMBIOS identity), the
// filters, and the Graphviz picture, on the example machine.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <string>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;
using tooltest::number;

namespace {

std::string hex(uint32_t a_Value, int a_Digits) {
    char l_Buffer[16];
    std::snprintf(l_Buffer, sizeof(l_Buffer), "%0*X", a_Digits, a_Value);
    return l_Buffer;
}

std::string address(const json& a_rBridge) {
    const uint32_t l_Function = a_rBridge.contains("function") ? number(a_rBridge["function"]) : 0;
    return hex(number(a_rBridge["bus"]), 2) + ":" + hex(number(a_rBridge["device"]), 2) + "." +
           hex(l_Function, 1);
}

TEST(ToolViews, BridgesAreThoseOfTheMachineFileAndPairsNameTheirBridges) {
    const json l_Machine = json::parse(qxtest::readFile(qxtest::exampleMachinePath()));
    const json l_Doc = tooltest::runJson({tooltest::toolPath(), "--simulate", "--bridges"},
                                         tooltest::kNoServices, 0);
    const json& l_rBridges = l_Doc["pciBridges"]["bridges"];
    ASSERT_EQ(l_rBridges.size(), l_Machine["pci"]["bridges"].size());
    for (size_t l_Index = 0; l_Index < l_rBridges.size(); ++l_Index) {
        const json& l_rExpected = l_Machine["pci"]["bridges"][l_Index];
        SCOPED_TRACE(l_rExpected["name"].get<std::string>());
        EXPECT_EQ(l_rBridges[l_Index]["address"], address(l_rExpected));
        EXPECT_EQ(l_rBridges[l_Index]["vendorId"], hex(number(l_rExpected["vendorId"]), 4));
        EXPECT_EQ(l_rBridges[l_Index]["subsystemId"], hex(number(l_rExpected["subsystemId"]), 4));
        EXPECT_EQ(l_rBridges[l_Index]["secondaryBus"], number(l_rExpected["secondaryBus"]));
    }
    // Chassis 1, segment 1: 03:00.0 behind 02:00.0 behind 01:00.0 behind 00:01.0.
    EXPECT_EQ(l_rBridges[3]["slotPath"], "MR00:00,00,00,08");
    EXPECT_EQ(l_Doc["pciBridges"]["rootBuses"], json::array({0}));
    EXPECT_FALSE(l_Doc.contains("chassis")) << "a view asks no library";

    const json& l_rPairs = l_Doc["chassisBridgePairs"];
    ASSERT_EQ(l_rPairs.size(), 1u);
    EXPECT_EQ(l_rPairs[0]["bridgePairs"][0]["bridges"], json({"03:00.0", "12:00.0"}));
    EXPECT_EQ(l_rPairs[0]["bridgePairs"][1]["bridges"], json({"08:00.0", "18:00.0"}));

    const qxtest::tChildResult l_Tree =
        tooltest::run({tooltest::toolPath(), "--simulate", "--bridges"}, tooltest::kNoServices);
    EXPECT_EQ(l_Tree.exitCode, 0);
    for (const char* l_pLine :
         {"03:00.0 12D8:2608 subsystem 1093:7A10 -> bus [04] MR00:00,00,00,08",
          "Bridge2SubsystemID 1093:7A11: 08:00.0, 18:00.0"}) {
        EXPECT_NE(l_Tree.stdOut.find(l_pLine), std::string::npos) << l_pLine << "\n"
                                                                  << l_Tree.stdOut;
    }
}

TEST(ToolViews, ChassisWithoutBridgesShowsWhichPairFoundNothing) {
    // The chassis' root-bus bridges carry other ids: no chassis, and the tree says which
    // pair found no bridge.
    json l_Machine = qxtest::exampleMachine();
    for (json& l_rBridge : l_Machine["pci"]["bridges"]) {
        const uint32_t l_Id = number(l_rBridge["subsystemId"]);
        if (l_Id == 0x7A10 || l_Id == 0x7A11) {
            l_rBridge["subsystemId"] = "0x7A1F";
        }
    }
    qxtest::cSimMachine l_Sim(l_Machine);
    const qxtest::tChildResult l_Tree = tooltest::run({tooltest::toolPath()});
    EXPECT_NE(l_Tree.stdOut.find("Quarrix QX PXIe-1092: 0 chassis"), std::string::npos)
        << l_Tree.stdOut;
    EXPECT_NE(l_Tree.stdOut.find("Bridge1SubsystemID 1093:7A10: no bridge"), std::string::npos)
        << l_Tree.stdOut;
}

TEST(ToolViews, SmbusAdaptersAsTheServiceOffersThem) {
    const json l_Doc = tooltest::runJson({tooltest::toolPath(), "--simulate", "--smbus"},
                                         tooltest::kNoServices, 0);
    const json& l_rAdapters = l_Doc["smbusAdapters"]["adapters"];
    ASSERT_EQ(l_rAdapters.size(), 2u);
    EXPECT_EQ(l_rAdapters[0]["resource"], "QXSMBUS::0::31::3::0");
    EXPECT_EQ(l_rAdapters[0]["pciAddress"], "00:1F.3");
    EXPECT_EQ(l_rAdapters[1]["vendorId"], "1093");
    EXPECT_EQ(l_rAdapters[1]["productId"], "7A20");
    EXPECT_EQ(l_rAdapters[1]["usable"], true);

    json l_None = qxtest::exampleMachine();
    l_None.erase("smbus");
    qxtest::cSimMachine l_Sim(l_None);
    const qxtest::tChildResult l_Tree = tooltest::run({tooltest::toolPath(), "--smbus"});
    EXPECT_EQ(l_Tree.exitCode, 0) << l_Tree.stdOut;
    EXPECT_NE(l_Tree.stdOut.find("no SMBus adapter\n"), std::string::npos) << l_Tree.stdOut;
}

TEST(ToolViews, SmbiosIdentityAndTheControllerIdentifiedFromIt) {
    // Without a controller driver the controller is identified from SMBIOS, as the
    // controller finder does; the tool says which way.
    json l_Machine = qxtest::exampleMachine();
    l_Machine["controller"]["canOpen"] = false;
    qxtest::cSimMachine l_Sim(l_Machine);
    const std::string l_Dump = l_Sim.dir().file("smbiosdmp");
    qxtest::writeSmbiosDump(l_Sim.path(), l_Dump);
    const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump(l_Dump, [&]() {
        const json l_View = tooltest::runJson({tooltest::toolPath(), "--smbios"}, {}, 0);
        EXPECT_EQ(l_View["smbios"]["status"], 0);
        EXPECT_EQ(l_View["smbios"]["manufacturer"], l_Machine["smbios"]["system"]["manufacturer"]);
        EXPECT_EQ(l_View["smbios"]["productName"], l_Machine["smbios"]["system"]["productName"]);
        const json l_Doc = tooltest::runJson({tooltest::toolPath()}, {}, 0);
        EXPECT_EQ(l_Doc["controllerIdentification"]["way"], "SMBIOS");
        EXPECT_EQ(l_Doc["finders"][1]["count"]["value"], 1);
        const qxtest::tChildResult l_Tree = tooltest::run({tooltest::toolPath()});
        EXPECT_NE(l_Tree.stdOut.find("controller from SMBIOS (no controller driver on this "
                                     "machine): product \"PXIe-8881\" is Quarrix PXIe-8881"),
                  std::string::npos)
            << l_Tree.stdOut;
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    if (l_Child.skipped) {
        GTEST_SKIP() << l_Child.skipReason;
    }
    EXPECT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
}

TEST(ToolViews, FiltersShowOneChassisModelOrOneModule) {
    struct tCase {
        std::vector<std::string> args;
        size_t models;      // chassis models shown, or npos: no chassis section
        size_t identities;  // system module identities shown, or npos
    } const l_Cases[] = {
        {{"--chassis", "QX PXIe-1092"}, 1, std::string::npos},
        {{"--chassis", "Quarrix QX PXIe-1092"}, 1, std::string::npos},
        {{"--module", "PXIe-8398"}, std::string::npos, 1},
        {{"--module", "Quarrix PXIe-8881 (QXSMBUS::0::31::3::0)"}, std::string::npos, 1},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.args.back());
        std::vector<std::string> l_Argv = {tooltest::toolPath(), "--simulate"};
        l_Argv.insert(l_Argv.end(), l_rCase.args.begin(), l_rCase.args.end());
        const json l_Doc = tooltest::runJson(l_Argv, tooltest::kNoServices, 0);
        EXPECT_FALSE(l_Doc.contains("finders"));
        EXPECT_EQ(l_Doc.contains("chassis") ? l_Doc["chassis"]["models"].size() : std::string::npos,
                  l_rCase.models);
        EXPECT_EQ(l_Doc.contains("systemModules") ? l_Doc["systemModules"]["identities"].size()
                                                  : std::string::npos,
                  l_rCase.identities);
    }
}

TEST(ToolViews, AFilterThatNamesNothingSaysWhatThereIs) {
    struct tCase {
        std::vector<std::string> args;
        std::vector<std::string> known;  // in the message
    } const l_Cases[] = {
        {{"--chassis", "QX PXIe-9999"}, {"--chassis \"QX PXIe-9999\": ", "Quarrix QX PXIe-1092"}},
        {{"--bridges", "--chassis", "QX PXIe-9999"}, {"Quarrix QX PXIe-1092"}},
        {{"--module", "PXIe-9999"},
         {"--module \"PXIe-9999\": ", "Quarrix PXIe-8398\n", "Quarrix PXIe-8881\n",
          "Quarrix PXIe-8881 (QXSMBUS::0::31::3::0)"}},
        {{"--module", "Quarrix PXIe-8881 (QXSMBUS::9::0::0::0)"}, {"Quarrix PXIe-8398 (QXSMBUS::"}},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.args.back());
        std::vector<std::string> l_Argv = {tooltest::toolPath(), "--simulate"};
        l_Argv.insert(l_Argv.end(), l_rCase.args.begin(), l_rCase.args.end());
        const qxtest::tChildResult l_Result = tooltest::run(l_Argv, tooltest::kNoServices);
        EXPECT_EQ(l_Result.exitCode, 2);
        EXPECT_TRUE(l_Result.stdOut.empty()) << l_Result.stdOut;
        for (const std::string& l_rText : l_rCase.known) {
            EXPECT_NE(l_Result.stdErr.find(l_rText), std::string::npos) << l_Result.stdErr;
        }
    }
}

TEST(ToolViews, ExpectedAnswersAreLabelledSo) {
    // An empty text attribute and link 3 of a two-link chassis are answers the library
    // gives by contract: marked so in the JSON, and said so in the tree.
    const json l_Doc =
        tooltest::runJson({tooltest::toolPath(), "--simulate"}, tooltest::kNoServices, 0);
    const json& l_rAttributes = l_Doc["systemModules"]["identities"][0]["modules"][0]["attributes"];
    EXPECT_EQ(l_rAttributes["text201"].value("expected", false), true) << l_rAttributes.dump(1);
    EXPECT_EQ(l_rAttributes["linkBus3"].value("expected", false), true);
    EXPECT_FALSE(l_rAttributes["linkBus1"].contains("expected"));
    const qxtest::tChildResult l_Tree =
        tooltest::run({tooltest::toolPath(), "--simulate", "--verbose"}, tooltest::kNoServices);
    EXPECT_NE(l_Tree.stdOut.find("text 201: none (an empty text: -2, an expected answer)"),
              std::string::npos)
        << l_Tree.stdOut;
    EXPECT_EQ(l_Tree.stdOut.find("text201"), std::string::npos);
}

// Every device of the machine file is shown once, below the chassis whose root bus it
// sits on (chassis of the chassis library and of the PXI chassis finder alike), with its
// names from the PCI ID database, in the JSON, the tree and the graph.
TEST(ToolViews, EachDeviceOfTheMachineIsShownBelowItsChassisWithItsNames) {
    const json l_Machine = json::parse(qxtest::readFile(qxtest::exampleMachinePath()));
    const json l_Doc =
        tooltest::runJson({tooltest::toolPath(), "--simulate"}, tooltest::kNoServices, 0);
    std::map<std::string, json> l_Shown;  // by address
    std::map<std::string, unsigned> l_RootBusOf;
    auto l_Add = [&](const json& a_rDevices, unsigned a_Bus) {
        for (const json& l_rDevice : a_rDevices) {
            EXPECT_TRUE(l_Shown.emplace(l_rDevice["address"], l_rDevice).second)
                << l_rDevice.dump();
            l_RootBusOf[l_rDevice["address"]] = a_Bus;
        }
    };
    for (const json& l_rModel : l_Doc["chassis"]["models"]) {
        for (const json& l_rChassis : l_rModel["chassis"]) {
            for (const json& l_rBus : l_rChassis["rootBuses"]) {
                l_Add(l_rBus["devices"], l_rBus["bus"]);
            }
        }
    }
    for (const json& l_rFinder : l_Doc["finders"]) {
        for (const json& l_rItem : l_rFinder["items"]) {
            if (l_rItem.contains("devices")) {
                l_Add(l_rItem["devices"], l_rItem["u32"]["chassisBus"]["value"]);
            }
        }
    }
    const json& l_rDevices = l_Machine["pci"]["devices"];
    ASSERT_FALSE(l_rDevices.empty());
    EXPECT_EQ(l_Shown.size(), l_rDevices.size());
    for (const json& l_rDevice : l_rDevices) {
        SCOPED_TRACE(l_rDevice["name"].get<std::string>());
        const std::string l_Address = address(l_rDevice);
        ASSERT_EQ(l_Shown.count(l_Address), 1u);
        const json& l_rShown = l_Shown[l_Address];
        EXPECT_EQ(l_RootBusOf[l_Address], number(l_rDevice["bus"]));
        EXPECT_EQ(l_rShown["vendorId"], hex(number(l_rDevice["vendorId"]), 4));
        EXPECT_EQ(l_rShown["deviceId"], hex(number(l_rDevice["deviceId"]), 4));
        EXPECT_TRUE(l_rShown["vendorName"].is_string());
        EXPECT_TRUE(l_rShown["deviceName"].is_string());
    }
    const qxtest::tChildResult l_Tree =
        tooltest::run({tooltest::toolPath(), "--simulate"}, tooltest::kNoServices);
    const qxtest::tChildResult l_Dot =
        tooltest::run({tooltest::toolPath(), "--simulate", "--dot"}, tooltest::kNoServices);
    EXPECT_NE(l_Tree.stdOut.find("| +-root bus 1: [04]\n|   | | \\-04:00.0 Intel Corporation I210 "
                                 "Gigabit Network Connection [8086:1533]\n"),
              std::string::npos)
        << l_Tree.stdOut;
    EXPECT_NE(l_Dot.stdOut.find("\"bus 04\" -> \"pci 04:00.0\""), std::string::npos)
        << l_Dot.stdOut;
}

// The README shows docs/example-machine.svg: the suite draws it again from this build
// and checks that the committed picture is current.
TEST(ToolViews, ThePictureOfTheExampleMachineIsCurrent) {
    const std::string l_Dot = qxtest::buildDir() + "/example-machine.dot";
    const std::string l_Svg = qxtest::buildDir() + "/example-machine.svg";
    const qxtest::tChildResult l_Drawn =
        tooltest::run({"/bin/sh", "-c",
                       "set -e; " + tooltest::toolPath() + " --simulate --dot > " + l_Dot +
                           "; dot -Tsvg " + l_Dot + " > " + l_Svg},
                      tooltest::kNoServices);
    ASSERT_EQ(l_Drawn.exitCode, 0) << l_Drawn.stdErr;
    const std::string l_Graph = qxtest::readFile(l_Dot);
    for (const char* l_pPart :
         {"controller [label=\"controller\\nQuarrix PXIe-8881\\n(by controller driver)\"",
          "module1 -> \"bus 04\" [label=\"link 1 x8\"]", "subgraph cluster_1",
          "\"bus 04\" -> \"bus 09\" [label=\"peer-to-peer\\n02:00.0 <-> 02:01.0\""}) {
        EXPECT_NE(l_Graph.find(l_pPart), std::string::npos) << l_pPart << "\n" << l_Graph;
    }
    // Graphviz writes its version into a comment: compare without comments.
    const std::regex l_Comment("<!--[^]*?-->\n?");
    const std::string l_Committed = qxtest::sourceDir() + "/docs/example-machine.svg";
    EXPECT_EQ(std::regex_replace(qxtest::readFile(l_Svg), l_Comment, ""),
              std::regex_replace(qxtest::readFile(l_Committed), l_Comment, ""))
        << "the picture is out of date: cp " << l_Svg << " " << l_Committed;
}

}  // namespace
