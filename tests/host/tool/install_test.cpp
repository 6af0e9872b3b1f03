// The host example built by the suite, and an installation into a temporary prefix: the
// installed tool runs on the installed stand-ins and example machine by itself, and a
// host compiles the example with the installed pkg-config file and headers.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <string>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;

namespace {

const char* const kExampleOutput[] = {
    "Quarrix QX PXIe-1092: 2 chassis\n", "  chassis 1: root buses 0x04 0x09\n",
    "  chassis 2: root buses 0x13 0x19\n", "Quarrix PXIe-8881: 1 system module(s)\n",
    "  Quarrix PXIe-8881 (QXSMBUS::0::31::3::0), resources "
    "QXSMBUS::0::31::3::0;PXI0::0-31.3::INSTR\n"};

std::string expectedExampleOutput() {
    std::string l_Text;
    for (const char* l_pLine : kExampleOutput) {
        l_Text += l_pLine;
    }
    return l_Text;
}

std::string realPath(const std::string& a_rPath) {
    char l_Buffer[PATH_MAX];
    return realpath(a_rPath.c_str(), l_Buffer) != nullptr ? l_Buffer : a_rPath;
}

TEST(HostExample, ListsTheExampleMachine) {
    const qxtest::tChildResult l_Result = tooltest::run(
        {qxtest::buildDir() + "/examples/host/qxpxi-host-example"},
        {{"LD_LIBRARY_PATH", qxtest::buildDir() + "/services:" + qxtest::buildDir() + "/lib"},
         {"QXPXI_SIM_MACHINE", qxtest::exampleMachinePath()}});
    EXPECT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
    EXPECT_EQ(l_Result.stdOut, expectedExampleOutput());
}

TEST(Install, ToolRunsFromTheInstalledTreeAndHostsBuildAgainstIt) {
    qxtest::cTempDir l_Dir;
    const std::string l_Prefix = realPath(l_Dir.path()) + "/prefix";
    const qxtest::tChildResult l_Install =
        tooltest::run({QX_CMAKE_COMMAND, "--install", qxtest::buildDir(), "--prefix", l_Prefix,
                       "--component", "qxpxi"});
    ASSERT_EQ(l_Install.exitCode, 0) << l_Install.stdOut << l_Install.stdErr;

    // The libraries' default search paths under the prefix.
    for (const char* l_pFile :
         {"lib/libQXPXIeSMu.so", "lib/libQXPXIeCDu.so", "lib/libqx7402.so", "lib/libqxpxiecf.so",
          "include/qxpxi/QXPXIeSMu.h", "include/qxpxi/qxstatus.h", "lib/pkgconfig/qxpxi.pc",
          "lib/qxpxihw/pxiechassis/qx-pxie-1092.ini",
          "lib/qxpxihw/pxiesysmodules/quarrix-pxie-8881.ini",
          "share/qxpxi/hardware_descriptions/controllers/quarrix-pxie-8881.ini",
          "share/pxisa/chassis/qx-pxie-1092.ini", "lib/qxpxi/sim/libqxpcibrd.so.1"}) {
        EXPECT_EQ(access((l_Prefix + "/" + l_pFile).c_str(), R_OK), 0) << l_pFile;
    }

    // Nothing points the installed tool anywhere: it finds its stand-ins and machine.
    const tooltest::tEnvironment l_Clean = {{"LD_LIBRARY_PATH", std::nullopt},
                                            {"QXPXI_SIM_MACHINE", std::nullopt},
                                            {"QXPXI_SIM_CALL_LOG", std::nullopt},
                                            {"QXPXI_INVENTORY_STANDINS", std::nullopt}};
    const json l_Doc = tooltest::runJson({l_Prefix + "/bin/pxi-inventory"}, l_Clean, 0);
    EXPECT_TRUE(l_Doc["failures"].empty()) << l_Doc["failures"].dump(2);
    EXPECT_EQ(l_Doc["environment"]["standInServices"], l_Prefix + "/lib/qxpxi/sim");
    EXPECT_EQ(l_Doc["environment"]["machine"],
              l_Prefix + "/share/qxpxi/machines/example-machine.json");
    EXPECT_EQ(realPath(l_Doc["descriptionDirectories"]["libdir"]), l_Prefix + "/lib");
    EXPECT_EQ(l_Doc["chassis"]["library"]["path"], l_Prefix + "/lib/libQXPXIeCDu.so");
    EXPECT_EQ(l_Doc["chassis"]["models"][0]["count"]["value"], 2);
    EXPECT_EQ(l_Doc["systemModules"]["identities"].size(), 2u);

    // A host's build: pkg-config for the flags, the installed headers, libdl.
    const std::string l_Binary = l_Dir.file("host-example");
    const qxtest::tChildResult l_Build = tooltest::run(
        {"/bin/sh", "-c",
         std::string(QX_C_COMPILER) + " " + QX_EXAMPLE_CFLAGS + " " + QX_SOURCE_DIR +
             "/examples/host/qxpxi-host-example.c $(pkg-config --cflags --libs qxpxi) -o " +
             l_Binary},
        {{"PKG_CONFIG_PATH", l_Prefix + "/lib/pkgconfig"}});
    ASSERT_EQ(l_Build.exitCode, 0) << l_Build.stdErr;
    const qxtest::tChildResult l_Run = tooltest::run(
        {l_Binary},
        {{"LD_LIBRARY_PATH", l_Prefix + "/lib/qxpxi/sim:" + l_Prefix + "/lib"},
         {"QXPXI_SIM_MACHINE", l_Prefix + "/share/qxpxi/machines/example-machine.json"}});
    EXPECT_EQ(l_Run.exitCode, 0) << l_Run.stdErr;
    EXPECT_EQ(l_Run.stdOut, expectedExampleOutput());
}

}  // namespace
