// When pxi-inventory simulates: only when asked, and then saying so; without platform
// services a plain message and exit status 3; a machine file that cannot be used is one
// message naming the file, the place and the problem, and exit status 2.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;

namespace {

TEST(ToolSimulation, WithoutServicesTheToolNamesThemAndSimulatesNothing) {
    for (const char* l_pFormat : {"--json", "--verbose"}) {
        SCOPED_TRACE(l_pFormat);
        const qxtest::tChildResult l_Result =
            tooltest::run({tooltest::toolPath(), l_pFormat}, tooltest::kNoServices);
        EXPECT_EQ(l_Result.exitCode, 3) << l_Result.stdErr;
        EXPECT_TRUE(l_Result.stdOut.empty()) << l_Result.stdOut;
        for (const char* l_pText : {"no PCI bridge service found", "libqxpcibrd.so.1",
                                    "libqxcntdrv.so.1", "libqxsmbus.so.2", "--simulate"}) {
            EXPECT_NE(l_Result.stdErr.find(l_pText), std::string::npos) << l_Result.stdErr;
        }
        // This build's Linux services, and how to use them.
        const std::string l_Linux = qxtest::buildDir() + "/services-linux";
        if (access((l_Linux + "/libqxpcibrd.so.1").c_str(), R_OK) == 0) {
            EXPECT_NE(l_Result.stdErr.find("LD_LIBRARY_PATH=" + tooltest::resolved(l_Linux) + " "),
                      std::string::npos)
                << l_Result.stdErr;
        }
    }
}

TEST(ToolSimulation, ASimulationSaysSoOnStandardErrorInTheTreeAndInTheJson) {
    struct tCase {
        std::vector<std::string> args;
        tooltest::tEnvironment environment;
    };
    // Asked for with --simulate; or the stand-ins put on the loader's path by hand.
    const tCase l_Cases[] = {{{"--simulate"}, tooltest::kNoServices},
                             {{"--simulate", qxtest::exampleMachinePath()}, tooltest::kNoServices},
                             {{}, {{"QXPXI_SIM_MACHINE", qxtest::exampleMachinePath()}}}};
    for (const tCase& l_rCase : l_Cases) {
        std::vector<std::string> l_Argv = {tooltest::toolPath()};
        l_Argv.insert(l_Argv.end(), l_rCase.args.begin(), l_rCase.args.end());
        SCOPED_TRACE(l_Argv.size());
        const json l_Doc = tooltest::runJson(l_Argv, l_rCase.environment, 0);
        EXPECT_EQ(l_Doc["environment"]["simulated"], true);
        EXPECT_EQ(l_Doc["environment"]["machine"],
                  tooltest::resolved(qxtest::exampleMachinePath()));
        EXPECT_EQ(l_Doc["environment"]["standInServices"],
                  tooltest::resolved(qxtest::buildDir() + "/services"));
        const qxtest::tChildResult l_Tree = tooltest::run(l_Argv, l_rCase.environment);
        EXPECT_EQ(l_Tree.exitCode, 0) << l_Tree.stdErr;
        EXPECT_NE(l_Tree.stdErr.find("SIMULATED machine"), std::string::npos) << l_Tree.stdErr;
        EXPECT_EQ(l_Tree.stdOut.rfind("PXI inventory of a SIMULATED machine: ", 0), 0u)
            << l_Tree.stdOut;
    }
}

TEST(ToolSimulation, SimulateWithoutAMachineServesTheOneTheEnvironmentNames) {
    qxtest::cSimMachine l_Sim(qxtest::exampleMachine());
    tooltest::tEnvironment l_Named = tooltest::kNoServices;
    l_Named.push_back({"QXPXI_SIM_MACHINE", l_Sim.path()});
    const json l_Doc = tooltest::runJson({tooltest::toolPath(), "--simulate"}, l_Named, 0);
    EXPECT_EQ(l_Doc["environment"]["machine"], tooltest::resolved(l_Sim.path()));
}

TEST(ToolSimulation, AnUnusableMachineFileIsOneMessageAndExitTwo) {
    qxtest::cTempDir l_Dir;
    json l_UnknownFault = qxtest::exampleMachine();
    l_UnknownFault["faults"] = json::array({{{"function", "QxPciBrd_Nothing"}, {"status", -1}}});
    json l_Fraction = qxtest::exampleMachine();
    l_Fraction["pci"]["bridges"][0]["bus"] = 1.5;
    // A copy of the example machine elsewhere: its relative relocations lead nowhere.
    const std::string l_Copy =
        l_Dir.writeFile("copy/example.json", qxtest::readFile(qxtest::exampleMachinePath()));
    struct tCase {
        std::string path;
        std::string problem;
    } const l_Cases[] = {
        {l_Dir.writeFile("bad.json", "{\"pci\": {\"bridges\": [}"),
         "line 1, column 22: syntax error"},
        {l_Dir.writeFile("empty.json", ""), "is empty"},
        {l_Dir.makeDir("adir"), "is a directory"},
        {l_Dir.writeFile("array.json", "[1, 2]"), "the machine: expected an object"},
        {l_Dir.writeFile("key.json", "{\"pci\": {\"bridge\": []}}"), "pci: unknown key \"bridge\""},
        {l_Dir.writeFile("fault.json", l_UnknownFault.dump()),
         "faults[0].function: no service function \"QxPciBrd_Nothing\""},
        {l_Dir.writeFile("fraction.json", l_Fraction.dump()),
         "pci.bridges[0].bus: expected a whole number without a fraction or an exponent, not 1.5"},
        {l_Dir.writeFile("exponent.json", "{\"pci\": {\"rootBuses\": [1e3]}}"),
         "pci.rootBuses[0]: expected a whole number without a fraction or an exponent, not "},
        {l_Copy,
         "relocations.datadir: no directory " + l_Dir.path() + "/copy/../descriptions/datadir"},
        {l_Dir.file("missing.json"), "No such file or directory"},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.path);
        const qxtest::tChildResult l_Result = tooltest::run(
            {tooltest::toolPath(), "--json", "--simulate", l_rCase.path}, tooltest::kNoServices);
        EXPECT_EQ(l_Result.exitCode, 2);
        EXPECT_TRUE(l_Result.stdOut.empty()) << l_Result.stdOut;
        const std::string l_Start = "pxi-inventory: machine file " + l_rCase.path + ": ";
        EXPECT_EQ(l_Result.stdErr.rfind(l_Start + l_rCase.problem, 0), 0u) << l_Result.stdErr;
        EXPECT_EQ(l_Result.stdErr.find('\n'), l_Result.stdErr.size() - 1) << l_Result.stdErr;
    }
}

TEST(ToolSimulation, MachineFileAfterTheEndOfTheOptions) {
    // "--" ends the options; what follows is the machine file, even one that starts with
    // a dash.
    qxtest::cTempDir l_Dir;
    const std::string l_Machine = l_Dir.writeFile("-m.json", qxtest::exampleMachine().dump());
    const qxtest::tChildResult l_Result =
        tooltest::run({"/bin/sh", "-c",
                       "cd " + l_Dir.path() + " && exec " + tooltest::toolPath() +
                           " --json --simulate -- -m.json"},
                      tooltest::kNoServices);
    ASSERT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
    EXPECT_EQ(json::parse(l_Result.stdOut)["environment"]["machine"],
              tooltest::resolved(l_Machine));
}

}  // namespace
