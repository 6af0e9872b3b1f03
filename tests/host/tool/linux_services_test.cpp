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
#include <set>
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

// The PCI functions of a recording as hwloc records them: PCI devices and PCI-to-PCI
// bridges (with their bus ranges), by "DDDD:BB:DD.F" in lower case.
struct tRecordedFunction {
    std::string address;
    bool bridge = false;
    unsigned secondary = 0, subordinate = 0;
    std::string subsystem;  // "vvvv:ssss"
};

std::vector<tRecordedFunction> recordedFunctions(const std::string& a_rFile) {
    const std::string l_Text = qxtest::readFile(a_rFile);
    const std::regex l_Object(
        "type=\"(PCIDev|Bridge)\"[^>]*?(bridge_pci=\"[0-9a-f]{4}:\\[([0-9a-f]{2})-([0-9a-f]{2})\\]"
        "\""
        "[^>]*?)?pci_busid=\"([0-9a-f]{4}:[0-9a-f]{2}:[0-9a-f]{2}\\.[0-9a-f])\" "
        "pci_type=\"[0-9a-f]{4} "
        "\\[[0-9a-f:]{9}\\] \\[([0-9a-f:]{9})\\]");
    std::vector<tRecordedFunction> l_Out;
    for (auto l_It = std::sregex_iterator(l_Text.begin(), l_Text.end(), l_Object);
         l_It != std::sregex_iterator(); ++l_It) {
        tRecordedFunction l_Function;
        l_Function.address = (*l_It)[5];
        l_Function.bridge = (*l_It)[2].matched;
        if (l_Function.bridge) {
            l_Function.secondary = static_cast<unsigned>(std::stoul((*l_It)[3], nullptr, 16));
            l_Function.subordinate = static_cast<unsigned>(std::stoul((*l_It)[4], nullptr, 16));
        }
        l_Function.subsystem = (*l_It)[6];
        l_Out.push_back(l_Function);
    }
    return l_Out;
}

// Every device listed below a root bus, in lower case as the recordings write them.
void flatten(const json& a_rDevices, std::set<std::string>& a_rOut, bool& a_rAllNamed) {
    for (const json& l_rDevice : a_rDevices) {
        std::string l_Address = "0000:" + l_rDevice["address"].get<std::string>();
        std::transform(l_Address.begin(), l_Address.end(), l_Address.begin(),
                       [](unsigned char a_C) { return static_cast<char>(std::tolower(a_C)); });
        a_rOut.insert(l_Address);
        a_rAllNamed = a_rAllNamed && l_rDevice["vendorName"].is_string();
        flatten(l_rDevice.value("devices", json::array()), a_rOut, a_rAllNamed);
    }
}

// A chassis driver description whose pair is the subsystem of the first bridge of domain
// 0: under each chassis found, exactly the recorded functions within the bus range of
// its root bus, with their names from the PCI ID database.
TEST_F(ToolOnLinuxServices, EachRecordedMachineShowsTheDevicesBelowEachChassis) {
    for (const std::string& l_rFile : topologies()) {
        SCOPED_TRACE(l_rFile);
        const std::vector<tRecordedFunction> l_Recorded = recordedFunctions(l_rFile);
        const auto l_First =
            std::find_if(l_Recorded.begin(), l_Recorded.end(), [](const tRecordedFunction& a_rF) {
                return a_rF.bridge && a_rF.address.compare(0, 5, "0000:") == 0;
            });
        ASSERT_NE(l_First, l_Recorded.end());
        qxtest::cTempDir l_Prefix;
        l_Prefix.writeFile("lib/qxpxihw/pxiechassis/recorded.ini",
                           "[Chassis]\nVendor=Test\nModel=Recorded\n[RootBusBridges]\n"
                           "Bridge1SubsystemID=" +
                               l_First->subsystem + "\n");
        tooltest::tEnvironment l_Environment = m_Environment;
        l_Environment.push_back({"QXPXI_INSTALL_PREFIX", l_Prefix.path()});
        const json l_Doc = tooltest::runJson(
            {tooltest::toolPath(), "--topology", l_rFile, "--chassis", "Recorded"},
            l_Environment, 0);
        const json& l_rModels = l_Doc["chassis"]["models"];
        ASSERT_EQ(l_rModels.size(), 1u) << l_Doc.dump(1);
        ASSERT_FALSE(l_rModels[0]["chassis"].empty());
        size_t l_Listed = 0;
        for (const json& l_rChassis : l_rModels[0]["chassis"]) {
            const unsigned l_Bus = l_rChassis["rootBuses"][0]["bus"];
            SCOPED_TRACE(l_Bus);
            std::set<std::string> l_Devices;
            bool l_AllNamed = true;
            flatten(l_rChassis["rootBuses"][0]["devices"], l_Devices, l_AllNamed);
            const auto l_Bridge = std::find_if(l_Recorded.begin(), l_Recorded.end(),
                                               [&](const tRecordedFunction& a_rF) {
                                                   return a_rF.bridge && a_rF.secondary == l_Bus &&
                                                          a_rF.address.compare(0, 5, "0000:") == 0;
                                               });
            ASSERT_NE(l_Bridge, l_Recorded.end());
            std::set<std::string> l_Expected;
            for (const tRecordedFunction& l_rFunction : l_Recorded) {
                const unsigned l_FunctionBus = static_cast<unsigned>(
                    std::stoul(l_rFunction.address.substr(5, 2), nullptr, 16));
                if (l_rFunction.address.compare(0, 5, "0000:") == 0 &&
                    l_FunctionBus >= l_Bridge->secondary &&
                    l_FunctionBus <= l_Bridge->subordinate) {
                    l_Expected.insert(l_rFunction.address);
                }
            }
            EXPECT_EQ(l_Devices, l_Expected);
            EXPECT_TRUE(l_AllNamed) << l_rChassis.dump(1);
            l_Listed += l_Devices.size();
        }
        EXPECT_GT(l_Listed, 0u);
    }
}

// The PCI bridge service leaves out the bridges outside domain 0; a description pair
// that matches some is told, with their domains, in --bridges and in the chassis tree.
TEST_F(ToolOnLinuxServices, PairsMatchingBridgesOutsideDomain0AreNamedWithTheirDomain) {
    const std::string l_File =
        qxtest::sourceDir() + "/tests/data/realworld/topologies/192em64t-12gr2n8c2t.xml";
    json l_Expected = json::array();
    for (const tRecordedFunction& l_rFunction : recordedFunctions(l_File)) {
        if (l_rFunction.bridge && l_rFunction.address.compare(0, 5, "0000:") != 0 &&
            l_rFunction.subsystem == "0000:0000") {
            l_Expected.push_back(upper(l_rFunction.address));
        }
    }
    ASSERT_GE(l_Expected.size(), 2u);
    qxtest::cTempDir l_Prefix;
    l_Prefix.writeFile("lib/qxpxihw/pxiechassis/domains.ini",
                       "[Chassis]\nVendor=Test\nModel=Domains\n[RootBusBridges]\n"
                       "Bridge1SubsystemID=0000:0000\n");
    tooltest::tEnvironment l_Environment = m_Environment;
    l_Environment.push_back({"QXPXI_INSTALL_PREFIX", l_Prefix.path()});
    const json l_Doc = tooltest::runJson(
        {tooltest::toolPath(), "--topology", l_File, "--bridges"}, l_Environment, 0);
    const json& l_rPair = l_Doc["chassisBridgePairs"][0]["bridgePairs"][0];
    EXPECT_EQ(l_rPair["otherDomains"], l_Expected) << l_rPair.dump(1);
    EXPECT_EQ(l_Doc["pciBridges"]["outsideDomain0"].size(),
              l_Doc["pciBridges"]["omittedBridges"].get<size_t>());
    const std::string l_Line =
        "outside PCI domain 0, not seen by the libraries: domain 0001: 00:03.0 domain 0002: "
        "00:03.0, 01:00.0, 02:01.0, 02:02.0 domain 0004: 00:03.0";
    for (const char* l_pView : {"--bridges", "--chassis"}) {
        std::vector<std::string> l_Argv = {tooltest::toolPath(), "--topology", l_File, l_pView};
        if (std::string(l_pView) == "--chassis") {
            l_Argv.push_back("Domains");
        }
        const qxtest::tChildResult l_Run = tooltest::run(l_Argv, l_Environment);
        EXPECT_NE(l_Run.stdOut.find(l_Line), std::string::npos) << l_Run.stdOut;
    }
}

// --smbus says for each adapter whether its i2c-dev node is there and usable, and what
// to do when not, without changing what the service answers: a node that is missing, one
// that is a plain file, and one that reaches a character device (a link to /dev/null).
TEST_F(ToolOnLinuxServices, SmbusViewTellsWhetherEachDeviceNodeCanBeOpened) {
    qxtest::cTempDir l_Tree;
    const std::string l_Pci = "sys/devices/pci0000:00/0000:00:1f.4";
    l_Tree.writeFile(l_Pci + "/class", "0x0c0500\n");
    l_Tree.writeFile(l_Pci + "/vendor", "0x8086\n");
    l_Tree.writeFile(l_Pci + "/device", "0xa323\n");
    l_Tree.writeFile(l_Pci + "/subsystem_vendor", "0x1028\n");
    l_Tree.writeFile(l_Pci + "/subsystem_device", "0x0869\n");
    l_Tree.makeDir("sys/bus/i2c/devices");
    l_Tree.makeDir("dev");
    for (const int l_Number : {3, 5, 6}) {
        const std::string l_Name = "i2c-" + std::to_string(l_Number);
        l_Tree.writeFile(l_Pci + "/" + l_Name + "/name", "SMBus I801 adapter\n");
        ASSERT_EQ(symlink(("../../../devices/pci0000:00/0000:00:1f.4/" + l_Name).c_str(),
                          l_Tree.file("sys/bus/i2c/devices/" + l_Name).c_str()),
                  0);
    }
    l_Tree.writeFile("dev/i2c-5", "not a device");
    ASSERT_EQ(symlink("/dev/null", l_Tree.file("dev/i2c-6").c_str()), 0);
    tooltest::tEnvironment l_Environment = m_Environment;
    l_Environment.push_back({"QXPXI_SYSFS_ROOT", l_Tree.file("sys")});
    l_Environment.push_back({"QXPXI_DEV_ROOT", l_Tree.file("dev")});
    const std::vector<std::string> l_Argv = {tooltest::toolPath(), "--smbus", "--topology",
                                             topologies().front()};

    const json l_Doc = tooltest::runJson(l_Argv, l_Environment, 0);
    const json& l_rAdapters = l_Doc["smbusAdapters"]["adapters"];
    ASSERT_EQ(l_rAdapters.size(), 3u) << l_Doc.dump(1);
    const struct {
        int number;
        bool exists, character, readWrite;
        const char* advice;  // a part of it, or null when usable
    } l_Cases[] = {{3, false, false, false, "sudo modprobe i2c-dev"},
                   {5, true, false, true, "not a character device"},
                   {6, true, true, true, nullptr}};
    for (size_t l_Index = 0; l_Index < 3; ++l_Index) {
        const json& l_rAdapter = l_rAdapters[l_Index];
        const json& l_rNode = l_rAdapter["deviceNode"];
        SCOPED_TRACE(l_rAdapter.dump());
        // What the service answers stays as it was.
        EXPECT_EQ(l_rAdapter["usable"], true);
        EXPECT_EQ(l_rNode["path"],
                  l_Tree.file("dev/i2c-" + std::to_string(l_Cases[l_Index].number)));
        EXPECT_EQ(l_rNode["exists"], l_Cases[l_Index].exists);
        EXPECT_EQ(l_rNode["characterDevice"], l_Cases[l_Index].character);
        EXPECT_EQ(l_rNode["readWrite"], l_Cases[l_Index].readWrite);
        if (l_Cases[l_Index].advice == nullptr) {
            EXPECT_TRUE(l_rNode["advice"].is_null());
        } else {
            EXPECT_NE(l_rNode["advice"].get<std::string>().find(l_Cases[l_Index].advice),
                      std::string::npos);
        }
    }
    const qxtest::tChildResult l_View = tooltest::run(l_Argv, l_Environment);
    EXPECT_EQ(l_View.exitCode, 0) << l_View.stdErr;
    for (const std::string& l_Line :
         {"    node " + l_Tree.file("dev/i2c-3") + ": the node is missing: load the i2c-dev",
          "    node " + l_Tree.file("dev/i2c-6") + ": can be opened read-write by this user"}) {
        EXPECT_NE(l_View.stdOut.find(l_Line), std::string::npos) << l_Line << "\n" << l_View.stdOut;
    }
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
