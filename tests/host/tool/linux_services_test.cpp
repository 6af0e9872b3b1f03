// pxi-inventory on the Linux services: the recorded topologies of real machines
// (tests/data/realworld/topologies/, hwloc's BSD-3-Clause test data; see the README
// there), compared with the recordings read here with a regular expression; and what
// the tool says a plain machine lacks.
#include <gtest/gtest.h>
#include <glob.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <string>
#include <vector>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;

namespace {

std::string linuxServices() {
    return qxtest::buildDir() + "/services-linux";
}

std::vector<std::string> topologies() {
    std::vector<std::string> l_Files;
    glob_t l_Glob{};
    const std::string l_Pattern = qxtest::sourceDir() + "/tests/data/realworld/topologies/*.xml";
    if (glob(l_Pattern.c_str(), 0, nullptr, &l_Glob) == 0) {
        l_Files.assign(l_Glob.gl_pathv, l_Glob.gl_pathv + l_Glob.gl_pathc);
    }
    globfree(&l_Glob);
    return l_Files;
}

std::string upper(std::string a_Text) {
    std::transform(a_Text.begin(), a_Text.end(), a_Text.begin(),
                   [](unsigned char a_C) { return static_cast<char>(std::toupper(a_C)); });
    return a_Text;
}

struct tRecordedBridge {
    std::string address;  // "BB:DD.F"
    std::string vendor, device, subsystemVendor, subsystem;
};

// The PCI-to-PCI bridges of a recording (hwloc bridge_type "1-1"), by domain.
void recordedBridges(const std::string& a_rFile, std::vector<tRecordedBridge>& a_rDomain0,
                     size_t& a_rOthers) {
    const std::string l_Text = qxtest::readFile(a_rFile);
    const std::regex l_Bridge(
        "type=\"Bridge\"[^>]*bridge_type=\"1-1\"[^>]*pci_busid=\"([0-9a-f]{4}):([0-9a-f]{2}:[0-9a-"
        "f]{2}"
        "\\.[0-9a-f])\" pci_type=\"[0-9a-f]{4} \\[([0-9a-f]{4}):([0-9a-f]{4})\\] \\[([0-9a-f]{4}):"
        "([0-9a-f]{4})\\]");
    a_rOthers = 0;
    for (auto l_It = std::sregex_iterator(l_Text.begin(), l_Text.end(), l_Bridge);
         l_It != std::sregex_iterator(); ++l_It) {
        if ((*l_It)[1] != "0000") {
            ++a_rOthers;
            continue;
        }
        a_rDomain0.push_back({upper((*l_It)[2]), upper((*l_It)[3]), upper((*l_It)[4]),
                              upper((*l_It)[5]), upper((*l_It)[6])});
    }
}

class ToolOnLinuxServices : public ::testing::Test {
protected:
    void SetUp() override {
        if (access((linuxServices() + "/libqxpcibrd.so.1").c_str(), R_OK) != 0) {
            GTEST_SKIP() << "the Linux services are not built";
        }
        // No SMBus adapter, whatever the machine running the test has.
        m_Environment = tooltest::kNoServices;
        m_Environment.push_back(
            {"LD_LIBRARY_PATH", linuxServices() + ":" + qxtest::buildDir() + "/lib"});
        m_Environment.push_back({"QXPXI_SYSFS_ROOT", m_Empty.makeDir("sys")});
        m_Environment.push_back({"QXPXI_DEV_ROOT", m_Empty.makeDir("dev")});
    }
    qxtest::cTempDir m_Empty;
    tooltest::tEnvironment m_Environment;
};

TEST_F(ToolOnLinuxServices, EachRecordedMachineShowsItsBridges) {
    const std::vector<std::string> l_Files = topologies();
    ASSERT_EQ(l_Files.size(), 4u);
    for (const std::string& l_rFile : l_Files) {
        SCOPED_TRACE(l_rFile);
        std::vector<tRecordedBridge> l_Expected;
        size_t l_Others = 0;
        recordedBridges(l_rFile, l_Expected, l_Others);
        ASSERT_FALSE(l_Expected.empty());
        const json l_Doc = tooltest::runJson(
            {tooltest::toolPath(), "--topology", l_rFile, "--bridges"}, m_Environment, 0);
        EXPECT_EQ(l_Doc["environment"]["simulated"], false);
        EXPECT_EQ(l_Doc["environment"]["topology"], tooltest::resolved(l_rFile));
        const json& l_rBridges = l_Doc["pciBridges"]["bridges"];
        ASSERT_EQ(l_rBridges.size(), l_Expected.size()) << l_rBridges.dump(1);
        for (const tRecordedBridge& l_rBridge : l_Expected) {
            const auto l_Found = std::find_if(
                l_rBridges.begin(), l_rBridges.end(),
                [&](const json& a_rB) { return a_rB["address"] == l_rBridge.address; });
            ASSERT_NE(l_Found, l_rBridges.end()) << l_rBridge.address;
            EXPECT_EQ((*l_Found)["vendorId"], l_rBridge.vendor);
            EXPECT_EQ((*l_Found)["deviceId"], l_rBridge.device);
            EXPECT_EQ((*l_Found)["subsystemVendorId"], l_rBridge.subsystemVendor);
            EXPECT_EQ((*l_Found)["subsystemId"], l_rBridge.subsystem);
            EXPECT_TRUE((*l_Found)["slotPath"].is_string());
        }
        EXPECT_EQ(l_Doc["pciBridges"].value("omittedBridges", 0u), l_Others);
        const qxtest::tChildResult l_Tree = tooltest::run(
            {tooltest::toolPath(), "--topology", l_rFile, "--bridges"}, m_Environment);
        EXPECT_EQ(
            l_Tree.stdOut.find("bridge(s) outside PCI domain 0 left out") != std::string::npos,
            l_Others > 0)
            << l_Tree.stdOut;
    }
}

TEST_F(ToolOnLinuxServices, AnUnusableTopologyIsOneMessageAndExitTwo) {
    for (const std::string& l_rText : {std::string("not XML at all\n"),
                                       std::string("<?xml version=\"1.0\"?>\n<topology><object")}) {
        SCOPED_TRACE(l_rText);
        const std::string l_File = m_Empty.writeFile("topology.xml", l_rText);
        const qxtest::tChildResult l_Result =
            tooltest::run({tooltest::toolPath(), "--topology", l_File}, m_Environment);
        EXPECT_EQ(l_Result.exitCode, 2);
        EXPECT_TRUE(l_Result.stdOut.empty()) << l_Result.stdOut;
        EXPECT_EQ(l_Result.stdErr.rfind(
                      "pxi-inventory: topology file " + tooltest::resolved(l_File) + ": ", 0),
                  0u)
            << l_Result.stdErr;
        EXPECT_EQ(l_Result.stdErr.find('\n'), l_Result.stdErr.size() - 1) << l_Result.stdErr;
    }
}

TEST_F(ToolOnLinuxServices, ThePictureOfARecordingIsLabelledWithIt) {
    const std::string l_File = topologies().front();
    const qxtest::tChildResult l_Dot =
        tooltest::run({tooltest::toolPath(), "--topology", l_File, "--dot"}, m_Environment);
    EXPECT_EQ(l_Dot.exitCode, 0) << l_Dot.stdErr;
    const std::string l_Name = l_File.substr(l_File.rfind('/') + 1);
    EXPECT_NE(l_Dot.stdOut.find("label=\"recorded topology " + l_Name + "\""), std::string::npos)
        << l_Dot.stdOut;
    EXPECT_EQ(l_Dot.stdOut.find("this computer"), std::string::npos);
}

TEST_F(ToolOnLinuxServices, APlainMachineSaysWhatItLacks) {
    const std::string l_File = topologies().front();
    // A private /run without an SMBIOS dump.
    const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump("", [&]() {
        const qxtest::tChildResult l_Tree =
            tooltest::run({tooltest::toolPath(), "--topology", l_File}, m_Environment);
        EXPECT_EQ(l_Tree.exitCode, 0) << l_Tree.stdOut << l_Tree.stdErr;
        EXPECT_TRUE(l_Tree.stdErr.empty()) << l_Tree.stdErr;
        for (const char* l_pLine :
             {"PXI inventory of the recorded topology ", "+-PCI bridges: ", ", root buses [00]",
              "SMBus adapters: none", "SMBIOS: no data (/run/qxpxisv/smbios/smbiosdmp",
              "controller not identified: no controller driver on this machine, and no SMBIOS data",
              "controller driver: none, this machine has no controller driver",
              "All calls answered."}) {
            EXPECT_NE(l_Tree.stdOut.find(l_pLine), std::string::npos) << l_pLine << "\n"
                                                                      << l_Tree.stdOut;
        }
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    if (l_Child.skipped) {
        GTEST_SKIP() << l_Child.skipReason;
    }
    EXPECT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
}

// A topology the PCI service cannot load: the tool shows the service's reason, which
// the service keeps for it instead of writing on the tool's standard error.
TEST_F(ToolOnLinuxServices, TheServicesReasonIsShownNotPrinted) {
    const std::string l_Garbage = m_Empty.writeFile("garbage.xml", "<topology><object");
    m_Environment.push_back({"HWLOC_XMLFILE", l_Garbage});
    const qxtest::tChildResult l_Tree =
        tooltest::run({tooltest::toolPath(), "--bridges"}, m_Environment);
    EXPECT_EQ(l_Tree.stdErr.find("qxpcibrd:"), std::string::npos) << l_Tree.stdErr;
    EXPECT_NE(l_Tree.stdOut.find("hwloc cannot"), std::string::npos) << l_Tree.stdOut;
    EXPECT_NE(l_Tree.stdOut.find(l_Garbage), std::string::npos) << l_Tree.stdOut;
}

}  // namespace
