// The host example built by the suite; an installation into a temporary prefix (the
// installed tool, the installed stand-ins on their own, a host built with pkg-config);
// the README's main job; and the .deb packages with lintian.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
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

TEST(HostExample, ListsTheExampleMachine) {
    const qxtest::tChildResult l_Result = tooltest::run(
        {qxtest::buildDir() + "/examples/host/qxpxi-host-example"},
        {{"LD_LIBRARY_PATH", qxtest::buildDir() + "/services:" + qxtest::buildDir() + "/lib"},
         {"QXPXI_SIM_MACHINE", qxtest::exampleMachinePath()}});
    EXPECT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
    EXPECT_EQ(l_Result.stdOut, expectedExampleOutput());
}

TEST(HostExample, TheReadmesSnippetBuildsAndChecksTheLoader) {
    // The README's C snippet, as a host copies it: it counts the chassis, and says why
    // when the library cannot be loaded instead of calling through a null pointer.
    const std::string l_Readme = qxtest::readFile(qxtest::sourceDir() + "/README.md");
    const size_t l_Start = l_Readme.find("```c\n");
    ASSERT_NE(l_Start, std::string::npos);
    const size_t l_End = l_Readme.find("```", l_Start + 5);
    qxtest::cTempDir l_Dir;
    const std::string l_Source =
        l_Dir.writeFile("snippet.c", l_Readme.substr(l_Start + 5, l_End - l_Start - 5));
    const std::string l_Binary = l_Dir.file("snippet");
    const qxtest::tChildResult l_Build =
        tooltest::run({"/bin/sh", "-c",
                       std::string(QX_C_COMPILER) + " " + QX_EXAMPLE_CFLAGS + " -Wall -Werror -I" +
                           QX_SOURCE_DIR + "/include " + l_Source + " -ldl -o " + l_Binary});
    ASSERT_EQ(l_Build.exitCode, 0) << l_Build.stdErr;
    tooltest::tEnvironment l_StandIns = tooltest::kNoServices;
    l_StandIns.push_back(
        {"LD_LIBRARY_PATH", qxtest::buildDir() + "/services:" + qxtest::buildDir() + "/lib"});
    EXPECT_EQ(tooltest::run({l_Binary}, l_StandIns).exitCode, 0);
    const qxtest::tChildResult l_Missing = tooltest::run({l_Binary}, tooltest::kNoServices);
    EXPECT_EQ(l_Missing.exitCode, 1);
    EXPECT_NE(l_Missing.stdErr.find("libQXPXIeCDu.so: cannot open shared object file"),
              std::string::npos)
        << l_Missing.stdErr;
}

TEST(Install, ToolAndStandInsWorkFromTheInstalledTreeAlone) {
    qxtest::cTempDir l_Dir;
    const std::string l_Prefix = tooltest::resolved(l_Dir.path()) + "/prefix";
    const qxtest::tChildResult l_Install =
        tooltest::run({QX_CMAKE_COMMAND, "--install", qxtest::buildDir(), "--prefix", l_Prefix});
    ASSERT_EQ(l_Install.exitCode, 0) << l_Install.stdOut << l_Install.stdErr;

    for (const char* l_pFile :
         {"lib/libQXPXIeSMu.so", "lib/libQXPXIeCDu.so", "lib/libqx7402.so", "lib/libqxpxiecf.so",
          "include/qxpxi/QXPXIeSMu.h", "include/qxpxi/qxstatus.h", "lib/pkgconfig/qxpxi.pc",
          "bin/pxi-inventory", "share/man/man1/pxi-inventory.1.gz",
          "share/bash-completion/completions/pxi-inventory", "share/doc/qxpxi/copyright",
          "lib/qxpxi/sim/libqxpcibrd.so.1", "share/qxpxi/examples/machines/example-machine.json",
          "share/qxpxi/examples/descriptions/libdir/qxpxihw/pxiechassis/qx-pxie-1092.ini"}) {
        EXPECT_EQ(access((l_Prefix + "/" + l_pFile).c_str(), R_OK), 0) << l_pFile;
    }
    // The metrics timer, with the Linux services: its service runs the installed tool,
    // and systemd takes both units.
    const std::string l_Units = l_Prefix + "/lib/systemd/system/";
    if (access((l_Units + "qxpxi-smbios-dump.service").c_str(), F_OK) == 0) {
        EXPECT_NE(qxtest::readFile(l_Units + "qxpxi-metrics.service")
                      .find("\nExecStart=" + l_Prefix +
                            "/bin/pxi-inventory --metrics --output "
                            "/var/lib/prometheus/node-exporter/qxpxi.prom\n"),
                  std::string::npos);
        if (access("/usr/bin/systemd-analyze", X_OK) == 0) {
            const qxtest::tChildResult l_Verify =
                tooltest::run({"/usr/bin/systemd-analyze", "verify", "--man=no",
                               l_Units + "qxpxi-metrics.service", l_Units + "qxpxi-metrics.timer"});
            EXPECT_EQ(l_Verify.exitCode, 0) << l_Verify.stdOut << l_Verify.stdErr;
        }
    }
    // Example descriptions in the live directories would pass for real hardware.
    for (const char* l_pDir : {"lib/qxpxihw", "share/pxisa", "share/qxpxi/hardware_descriptions"}) {
        EXPECT_NE(access((l_Prefix + "/" + l_pDir).c_str(), F_OK), 0) << l_pDir;
    }

    // Not asked to simulate, and no services: it says so.
    const std::string l_Tool = l_Prefix + "/bin/pxi-inventory";
    // Every document the help and the man page point at is installed.
    const std::string l_Pointers =
        tooltest::run({l_Tool, "--help"}).stdOut +
        std::regex_replace(qxtest::readFile(qxtest::sourceDir() + "/docs/pxi-inventory.1"),
                           std::regex(R"(\\-)"), "-");
    const std::regex l_Document("/usr/share/doc/qxpxi/([A-Za-z0-9.-]+)");
    size_t l_Documents = 0;
    for (auto l_It = std::sregex_iterator(l_Pointers.begin(), l_Pointers.end(), l_Document);
         l_It != std::sregex_iterator(); ++l_It, ++l_Documents) {
        EXPECT_EQ(access((l_Prefix + "/share/doc/qxpxi/" + (*l_It)[1].str()).c_str(), R_OK), 0)
            << (*l_It)[0];
    }
    EXPECT_GE(l_Documents, 3u);
    EXPECT_EQ(l_Pointers.find("docs/"), std::string::npos) << "a path only the source tree has";
    EXPECT_EQ(tooltest::run({l_Tool}, tooltest::kNoServices).exitCode, 3);
    const json l_Doc = tooltest::runJson({l_Tool, "--simulate"}, tooltest::kNoServices, 0);
    EXPECT_TRUE(l_Doc["failures"].empty()) << l_Doc["failures"].dump(2);
    EXPECT_EQ(l_Doc["environment"]["standInServices"], l_Prefix + "/lib/qxpxi/sim");
    const std::string l_Machine = l_Prefix + "/share/qxpxi/examples/machines/example-machine.json";
    EXPECT_EQ(l_Doc["environment"]["machine"], l_Machine);
    EXPECT_EQ(l_Doc["descriptionDirectories"]["libdir"],
              l_Prefix + "/share/qxpxi/examples/descriptions/libdir");
    EXPECT_EQ(l_Doc["chassis"]["library"]["path"], l_Prefix + "/lib/libQXPXIeCDu.so");
    EXPECT_EQ(l_Doc["chassis"]["models"][0]["count"]["value"], 2);
    EXPECT_EQ(l_Doc["systemModules"]["identities"].size(), 2u);

    // The installed stand-ins serve the installed example by default, not the source
    // tree's: a mark in the installed copy shows through.
    json l_Marked = json::parse(qxtest::readFile(l_Machine));
    l_Marked["smbus"]["adapters"][0]["devices"]["0xA4"]["chassisEeprom"]["serialNumber"] =
        "INSTALLED";
    std::ofstream(l_Machine) << l_Marked.dump(2);
    tooltest::tEnvironment l_StandIns = tooltest::kNoServices;
    l_StandIns.push_back({"LD_LIBRARY_PATH", l_Prefix + "/lib/qxpxi/sim:" + l_Prefix + "/lib"});
    const json l_Served = tooltest::runJson({l_Tool}, l_StandIns, 0);
    EXPECT_EQ(l_Served["systemModules"]["identities"][1]["modules"][0]["eeprom"]["serialNumber"],
              "INSTALLED");

    // A host's build: pkg-config for the flags, the installed headers, libdl.
    const std::string l_Binary = l_Dir.file("host-example");
    const qxtest::tChildResult l_Build = tooltest::run(
        {"/bin/sh", "-c",
         std::string(QX_C_COMPILER) + " " + QX_EXAMPLE_CFLAGS + " " + QX_SOURCE_DIR +
             "/examples/host/qxpxi-host-example.c $(pkg-config --cflags --libs qxpxi) -o " +
             l_Binary},
        {{"PKG_CONFIG_PATH", l_Prefix + "/lib/pkgconfig"}});
    ASSERT_EQ(l_Build.exitCode, 0) << l_Build.stdErr;
    const qxtest::tChildResult l_Run = tooltest::run({l_Binary}, l_StandIns);
    EXPECT_EQ(l_Run.exitCode, 0) << l_Run.stdErr;
    EXPECT_EQ(l_Run.stdOut, expectedExampleOutput());
}

TEST(Install, TheReadmesMainJobPrintsJsonAndASecondRunRebuildsNothing) {
    // Build progress goes to standard error, the document alone to standard output; the
    // second run finds nothing to re-link.
    tooltest::tEnvironment l_Environment = tooltest::kNoServices;
    l_Environment.push_back({"QX_EXAMPLE_BUILD_DIR", qxtest::buildDir()});
    for (int l_Run = 1; l_Run <= 2; ++l_Run) {
        SCOPED_TRACE(l_Run);
        const qxtest::tChildResult l_Result =
            tooltest::run({"/bin/bash", qxtest::sourceDir() + "/scripts/run-example.sh", "--json"},
                          l_Environment);
        ASSERT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
        const json l_Doc = json::parse(l_Result.stdOut);
        EXPECT_EQ(l_Doc["environment"]["simulated"], true);
        EXPECT_TRUE(l_Doc["failures"].empty());
        if (l_Run == 2) {
            EXPECT_NE(l_Result.stdErr.find("ninja: no work to do."), std::string::npos)
                << l_Result.stdErr;
        }
    }
}

std::string command(const std::string& a_rCommand) {
    const qxtest::tChildResult l_Result = tooltest::run({"/bin/sh", "-c", a_rCommand});
    EXPECT_EQ(l_Result.exitCode, 0) << a_rCommand << "\n" << l_Result.stdErr;
    return l_Result.stdOut;
}

TEST(Package, DebPackagesAsDescribedAndLintianClean) {
    if (std::string(QX_EXAMPLE_CFLAGS).find("sanitize") != std::string::npos) {
        GTEST_SKIP() << "the packages are built from the normal configuration";
    }
    qxtest::cTempDir l_Dir;
    command("cd " + l_Dir.path() + " && cpack -G DEB --config " + qxtest::buildDir() +
            "/CPackConfig.cmake -B " + l_Dir.path() +
            " > cpack.log 2>&1 || (cat cpack.log >&2; false)");
    const std::string l_Debs = command("cd " + l_Dir.path() + " && ls *.deb");
    for (const char* l_pPackage : {"qxpxi_", "qxpxi-dev_", "qxpxi-sim_", "python3-qxpxi_"}) {
        EXPECT_NE(l_Debs.find(l_pPackage), std::string::npos) << l_Debs;
    }
    // Each package its own synopsis, and a body of lines with one leading space (" ."
    // for an empty one), as Debian renders them.
    std::set<std::string> l_Synopses;
    std::istringstream l_DebList(l_Debs);
    for (std::string l_File; std::getline(l_DebList, l_File);) {
        SCOPED_TRACE(l_File);
        std::istringstream l_Description(
            command("dpkg-deb -f " + l_Dir.path() + "/" + l_File + " Description"));
        std::string l_Synopsis;
        std::getline(l_Description, l_Synopsis);
        EXPECT_TRUE(std::regex_match(l_Synopsis, std::regex("[^ ].*"))) << l_Synopsis;
        EXPECT_TRUE(l_Synopses.insert(l_Synopsis).second) << l_Synopsis;
        for (std::string l_Line; std::getline(l_Description, l_Line);) {
            EXPECT_TRUE(std::regex_match(l_Line, std::regex(" (\\.|[^ ].*)")))
                << "[" << l_Line << "]";
        }
    }
    std::string l_Deb = command("cd " + l_Dir.path() + " && ls qxpxi_*.deb");
    l_Deb = l_Dir.path() + "/" + l_Deb.substr(0, l_Deb.find('\n'));
    const std::string l_Info = command("dpkg-deb -I " + l_Deb);
    for (const char* l_pField : {"Maintainer: qxpxi developers", "libgcc-s1",
                                 "libc6 (>= ", "libstdc++6 (>= ", "Section: libs"}) {
        EXPECT_NE(l_Info.find(l_pField), std::string::npos) << l_pField << "\n" << l_Info;
    }
    const std::string l_Contents =
        command("cd " + l_Dir.path() + " && for d in *.deb; do dpkg-deb -c $d; done");
    for (const char* l_pFile :
         {"./usr/bin/pxi-inventory", "./usr/share/man/man1/pxi-inventory.1.gz",
          "./usr/share/doc/qxpxi/copyright", "./usr/share/doc/qxpxi/changelog.gz",
          "./usr/share/doc/qxpxi-sim/copyright", "./usr/include/qxpxi/QXPXIeSMu.h",
          "./usr/lib/qxpxi/sim/libqxpcibrd.so.1",
          // The Python package with its pytest entry point and the header it reads.
          "./usr/lib/python3/dist-packages/qxpxi/__init__.py",
          "./usr/lib/python3/dist-packages/qxpxi/qxstatus.h",
          "./usr/lib/python3/dist-packages/qxpxi-" QX_PACKAGE_VERSION ".dist-info/entry_points.txt",
          "./usr/share/doc/python3-qxpxi/copyright"}) {
        EXPECT_NE(l_Contents.find(l_pFile), std::string::npos) << l_pFile;
    }
    // The Linux services, when the tree builds them: in the loader's search, with the
    // dump writer and its unit.
    if (l_Debs.find("qxpxi-linux_") != std::string::npos) {
        for (const char* l_pFile :
             {"./usr/lib/libqxpcibrd.so.1", "./usr/lib/libqxsmbus.so.2",
              "./usr/sbin/qxpxi-smbios-dump", "/systemd/system/qxpxi-smbios-dump.service",
              "./usr/share/man/man8/qxpxi-smbios-dump.8.gz",
              "/systemd/system/qxpxi-metrics.service", "/systemd/system/qxpxi-metrics.timer",
              "./usr/share/doc/qxpxi-linux/copyright"}) {
            EXPECT_NE(l_Contents.find(l_pFile), std::string::npos) << l_pFile;
        }
    }
    EXPECT_EQ(l_Contents.find("./usr/lib/qxpxihw"), std::string::npos);
    EXPECT_EQ(l_Contents.find("./usr/share/pxisa"), std::string::npos);
    // Stripped, with the debug symbols in -dbgsym packages.
    const std::string l_Files = command("cd " + l_Dir.path() + " && dpkg-deb -x " + l_Deb +
                                        " x && file x/usr/bin/pxi-inventory && ls *.ddeb");
    EXPECT_NE(l_Files.find(", stripped"), std::string::npos) << l_Files;
    EXPECT_NE(l_Files.find("qxpxi-dbgsym_"), std::string::npos) << l_Files;
    const qxtest::tChildResult l_Lintian = tooltest::run(
        {"/bin/sh", "-c", "cd " + l_Dir.path() + " && lintian --fail-on error *.deb"});
    EXPECT_EQ(l_Lintian.exitCode, 0) << l_Lintian.stdOut << l_Lintian.stdErr;
    EXPECT_FALSE(std::regex_search(l_Lintian.stdOut, std::regex("^E: ", std::regex::multiline)))
        << l_Lintian.stdOut;
    EXPECT_EQ(l_Lintian.stdOut.find("no-manual-page"), std::string::npos) << l_Lintian.stdOut;
}

}  // namespace
