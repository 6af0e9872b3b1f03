// pxi-inventory --record and --replay: a machine recorded into one file and replayed
// through the Linux services shows the same inventory as the machine itself. The
// machines: the recorded topologies of real machines with the SMBIOS tables of real
// machines (tests/data/realworld/, see the README there for their sources and
// licences), the example descriptions and an SMBus adapter in a sysfs tree; and the
// computer running the test.
#include <gtest/gtest.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> filesMatching(const std::string& a_rPattern) {
    std::vector<std::string> l_Files;
    glob_t l_Glob{};
    if (glob((qxtest::sourceDir() + "/" + a_rPattern).c_str(), 0, nullptr, &l_Glob) == 0) {
        l_Files.assign(l_Glob.gl_pathv, l_Glob.gl_pathv + l_Glob.gl_pathc);
    }
    globfree(&l_Glob);
    return l_Files;
}

// A dmidecode --dump-bin file split as Linux exposes it: the entry point at its own
// length, the table at 0x20 at the length the entry point gives; a bare table as it is.
void splitDmi(const std::string& a_rFile, const qxtest::cTempDir& a_rDir, std::string& a_rTable,
              std::string& a_rEntryPoint) {
    const std::string l_Bytes = qxtest::readFile(a_rFile);
    a_rEntryPoint.clear();
    if (l_Bytes.compare(0, 4, "_SM_") == 0) {
        const size_t l_Length =
            static_cast<uint8_t>(l_Bytes[0x16]) + 256u * static_cast<uint8_t>(l_Bytes[0x17]);
        a_rEntryPoint = a_rDir.writeFile("firmware/smbios_entry_point",
                                         l_Bytes.substr(0, static_cast<uint8_t>(l_Bytes[5])));
        a_rTable = a_rDir.writeFile("firmware/DMI", l_Bytes.substr(0x20, l_Length));
    } else {
        a_rTable = a_rDir.writeFile("firmware/DMI", l_Bytes);
    }
}

// What a replay may show otherwise: how the run was made (the environment, where the
// libraries and services were loaded from), and the marks of what comes from the
// recording.
json comparable(json a_Document) {
    a_Document.erase("environment");
    std::function<void(json&)> l_Strip = [&](json& a_rValue) {
        if (a_rValue.is_object()) {
            a_rValue.erase("recorded");
            a_rValue.erase("dumpOf");
            a_rValue.erase("service");
            if (a_rValue.contains("library") && a_rValue["library"].is_object()) {
                a_rValue["library"].erase("path");
            }
        }
        if (a_rValue.is_structured()) {
            for (json& l_rItem : a_rValue) {
                l_Strip(l_rItem);
            }
        }
    };
    l_Strip(a_Document);
    return a_Document;
}

// The tool's JSON, whatever its exit status.
json runForJson(const std::vector<std::string>& a_rArgv, const tooltest::tEnvironment& a_rEnv) {
    std::vector<std::string> l_Argv = a_rArgv;
    l_Argv.push_back("--json");
    const qxtest::tChildResult l_Run = tooltest::run(l_Argv, a_rEnv);
    EXPECT_TRUE(l_Run.exited && (l_Run.exitCode == 0 || l_Run.exitCode == 1)) << l_Run.stdErr;
    const json l_Doc = json::parse(l_Run.stdOut, nullptr, false);
    EXPECT_FALSE(l_Doc.is_discarded()) << l_Run.stdOut << l_Run.stdErr;
    EXPECT_EQ(l_Doc.value("exitStatus", -1), l_Run.exitCode);
    return l_Doc;
}

// Where a_rOlder (an inventory a former tool made) is not within a_rNewer: every member
// of it with the same value; a later tool may add members. Empty when within.
std::string notWithin(const json& a_rNewer, const json& a_rOlder, const std::string& a_rAt) {
    if (a_rOlder.is_object() && a_rNewer.is_object()) {
        for (const auto& l_rItem : a_rOlder.items()) {
            if (!a_rNewer.contains(l_rItem.key())) {
                return a_rAt + "/" + l_rItem.key() + " is missing";
            }
            const std::string l_Where =
                notWithin(a_rNewer[l_rItem.key()], l_rItem.value(), a_rAt + "/" + l_rItem.key());
            if (!l_Where.empty()) {
                return l_Where;
            }
        }
        return std::string();
    }
    if (a_rOlder.is_array() && a_rNewer.is_array() && a_rOlder.size() == a_rNewer.size()) {
        for (size_t l_Index = 0; l_Index < a_rOlder.size(); ++l_Index) {
            const std::string l_Where = notWithin(a_rNewer[l_Index], a_rOlder[l_Index],
                                                  a_rAt + "/" + std::to_string(l_Index));
            if (!l_Where.empty()) {
                return l_Where;
            }
        }
        return std::string();
    }
    return a_rOlder == a_rNewer ? std::string()
                                : a_rAt + ": " + a_rNewer.dump() + " instead of " + a_rOlder.dump();
}

bool isEmptyDirectory(const std::string& a_rDir) {
    return fs::is_empty(a_rDir);
}

class ToolRecordReplay : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string l_Services = qxtest::buildDir() + "/services-linux";
        if (access((l_Services + "/libqxpcibrd.so.1").c_str(), R_OK) != 0) {
            GTEST_SKIP() << "the Linux services are not built";
        }
        // A replay leaves nothing behind in its temporary directory.
        m_Environment = tooltest::kNoServices;
        m_Environment.push_back(
            {"LD_LIBRARY_PATH", l_Services + ":" + qxtest::buildDir() + "/lib"});
        m_Environment.push_back({"TMPDIR", m_Dir.makeDir("tmp")});
        m_Environment.push_back({"QXPXI_DEV_ROOT", m_Dir.makeDir("dev")});
    }

    // Runs original, record and replay; the replay where /run holds no SMBIOS dump, so
    // that only the recorded one can give the libraries their identity.
    void roundTrip(const std::vector<std::string>& a_rMachine, const tooltest::tEnvironment& a_rEnv,
                   const std::string& a_rDump, const std::vector<std::string>& a_rRecordExtra,
                   json& a_rOriginal, json& a_rReplay) {
        const std::string l_Recording = m_Dir.file("machine.tar.gz");
        unlink(l_Recording.c_str());
        auto l_Record = [&]() {
            std::vector<std::string> l_Argv = {tooltest::toolPath()};
            l_Argv.insert(l_Argv.end(), a_rMachine.begin(), a_rMachine.end());
            l_Argv.push_back("--verbose");
            a_rOriginal = runForJson(l_Argv, a_rEnv);
            l_Argv.pop_back();
            l_Argv.insert(l_Argv.end(), {"--record", l_Recording});
            l_Argv.insert(l_Argv.end(), a_rRecordExtra.begin(), a_rRecordExtra.end());
            const qxtest::tChildResult l_Run = tooltest::run(l_Argv, a_rEnv);
            EXPECT_EQ(l_Run.exitCode, 0) << l_Run.stdErr;
            EXPECT_TRUE(
                std::regex_search(l_Run.stdOut, std::regex("\n  topology.xml +the PCI topology")))
                << l_Run.stdOut;
            return ::testing::Test::HasFailure() ? 1 : 0;
        };
        if (a_rDump.empty()) {
            EXPECT_EQ(l_Record(), 0);
        } else {
            // The original is read in a child (private /run): its JSON comes back in a file.
            const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump(a_rDump, [&]() {
                const int l_Failed = l_Record();
                m_Dir.writeFile("original.json", a_rOriginal.dump());
                return l_Failed;
            });
            if (l_Child.skipped) {
                GTEST_SKIP() << l_Child.skipReason;
            }
            ASSERT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
            a_rOriginal = json::parse(qxtest::readFile(m_Dir.file("original.json")));
        }
        const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump("", [&]() {
            a_rReplay = runForJson({tooltest::toolPath(), "--replay", l_Recording, "--verbose"},
                                   m_Environment);
            m_Dir.writeFile("replay.json", a_rReplay.dump());
            return ::testing::Test::HasFailure() ? 1 : 0;
        });
        if (l_Child.skipped) {
            GTEST_SKIP() << l_Child.skipReason;
        }
        ASSERT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
        a_rReplay = json::parse(qxtest::readFile(m_Dir.file("replay.json")));
        EXPECT_TRUE(isEmptyDirectory(m_Dir.file("tmp")));
    }

    qxtest::cTempDir m_Dir;
    tooltest::tEnvironment m_Environment;
};

TEST_F(ToolRecordReplay, EachSharedRecordingReplaysAsTheMachineShowedIt) {
    const std::vector<std::string> l_Topologies =
        filesMatching("tests/data/realworld/topologies/*.xml");
    std::vector<std::string> l_Dmis = filesMatching("tests/data/realworld/dmi/servers/*.bin");
    l_Dmis.push_back(qxtest::sourceDir() + "/tests/data/realworld/dmi/DMI-upboard");
    ASSERT_EQ(l_Topologies.size(), 4u);
    ASSERT_EQ(l_Dmis.size(), 6u);
    // The example descriptions installed below a prefix, and an SMBus adapter in sysfs.
    const std::string l_Prefix = m_Dir.makeDir("prefix");
    fs::copy(qxtest::sourceDir() + "/examples/descriptions/libdir", m_Dir.makeDir("prefix/lib"),
             fs::copy_options::recursive);
    fs::copy(qxtest::sourceDir() + "/examples/descriptions/datadir", m_Dir.makeDir("prefix/share"),
             fs::copy_options::recursive);
    // A chassis of root ports and switch bridges some of the recorded machines have.
    m_Dir.writeFile("prefix/lib/qxpxihw/pxiechassis/acme-root-ports.ini",
                    "[Chassis]\nVendor=Acme\nModel=Root ports\n\n[RootBusBridges]\n"
                    "Bridge1SubsystemID=8086:0000\nBridge2SubsystemID=1137:012C\n");
    size_t l_WithChassis = 0;
    const std::string l_Pci = "sys/devices/pci0000:00/0000:00:1f.4";
    m_Dir.writeFile(l_Pci + "/class", "0x0c0500\n");
    m_Dir.writeFile(l_Pci + "/vendor", "0x8086\n");
    m_Dir.writeFile(l_Pci + "/device", "0xa323\n");
    m_Dir.writeFile(l_Pci + "/i2c-3/name", "SMBus I801 adapter at efa0\n");
    m_Dir.makeDir("sys/bus/i2c/devices");
    ASSERT_EQ(symlink("../../../devices/pci0000:00/0000:00:1f.4/i2c-3",
                      m_Dir.file("sys/bus/i2c/devices/i2c-3").c_str()),
              0);
    for (size_t l_Index = 0; l_Index < l_Dmis.size(); ++l_Index) {
        const std::string& l_rTopology = l_Topologies[l_Index % l_Topologies.size()];
        SCOPED_TRACE(l_rTopology + " with " + l_Dmis[l_Index]);
        std::string l_Table, l_EntryPoint;
        splitDmi(l_Dmis[l_Index], m_Dir, l_Table, l_EntryPoint);
        // The dump the platform writes at boot, which the original run reads.
        std::vector<std::string> l_Writer = {
            qxtest::buildDir() + "/services-linux/qxpxi-smbios-dump", "--table", l_Table,
            "--output", m_Dir.file("smbiosdmp")};
        if (!l_EntryPoint.empty()) {
            l_Writer.insert(l_Writer.end(), {"--entry-point", l_EntryPoint});
        }
        const qxtest::tChildResult l_Written = qxtest::runCommand(l_Writer);
        ASSERT_EQ(l_Written.exitCode, 0) << l_Written.stdErr;
        tooltest::tEnvironment l_Env = m_Environment;
        l_Env.push_back({"QXPXI_SYSFS_ROOT", m_Dir.file("sys")});
        l_Env.push_back({"QXPXI_INSTALL_PREFIX", l_Prefix});
        l_Env.push_back({"QXPXI_DMI_TABLE", l_Table});
        l_Env.push_back(
            {"QXPXI_DMI_ENTRY_POINT", l_EntryPoint.empty() ? m_Dir.file("none") : l_EntryPoint});
        json l_Original, l_Replay;
        roundTrip({"--topology", l_rTopology}, l_Env, m_Dir.file("smbiosdmp"), {}, l_Original,
                  l_Replay);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(l_Original["smbios"]["status"], 0) << l_Original["smbios"];
        EXPECT_EQ(l_Original["smbusAdapters"]["adapters"].size(), 1u);
        for (const json& l_rModel : l_Original["chassis"]["models"]) {
            l_WithChassis += l_rModel["count"].value("value", 0) > 0 ? 1 : 0;
        }
        EXPECT_EQ(comparable(l_Replay), comparable(l_Original));
        EXPECT_EQ(l_Replay["environment"]["replay"]["smbiosFrom"], "dmi/DMI");
        EXPECT_EQ(l_Replay["smbios"]["dumpOf"], "the recording");
    }
    EXPECT_GT(l_WithChassis, 0u);
}

TEST_F(ToolRecordReplay, ThisComputerReplaysAsItShowedItself) {
    // hwloc's plugins, loaded to discover a real machine, leave allocations behind that
    // LeakSanitizer reports (and take minutes under it); hwloc's own Linux discovery
    // needs none of them.
    tooltest::tEnvironment l_Env = m_Environment;
    l_Env.push_back({"HWLOC_PLUGINS_PATH", m_Dir.makeDir("no-plugins")});
    json l_Original, l_Replay;
    roundTrip({}, l_Env, "", {}, l_Original, l_Replay);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(comparable(l_Replay), comparable(l_Original));
    EXPECT_EQ(l_Replay["environment"]["replay"]["topologyFrom"], "this computer");
    const qxtest::tChildResult l_Tree = tooltest::run(
        {tooltest::toolPath(), "--replay", m_Dir.file("machine.tar.gz")}, m_Environment);
    EXPECT_EQ(l_Tree.stdOut.rfind("PXI inventory of the RECORDING ", 0), 0u) << l_Tree.stdOut;
    EXPECT_NE(l_Tree.stdOut.find("SMBus transactions are not replayed"), std::string::npos);
    EXPECT_NE(l_Tree.stdErr.find("REPLAY of the recording"), std::string::npos) << l_Tree.stdErr;
    const qxtest::tChildResult l_Dot = tooltest::run(
        {tooltest::toolPath(), "--replay", m_Dir.file("machine.tar.gz"), "--dot"}, m_Environment);
    EXPECT_NE(l_Dot.stdOut.find("label=\"recording machine.tar.gz\""), std::string::npos)
        << l_Dot.stdOut;
}

// The recordings kept in tests/data/recordings/ (see the README there): each replays as
// its inventory.json shows it, but for "calls", which lists the calls the tool of that
// day made, in its words.
TEST_F(ToolRecordReplay, EveryKeptRecordingReplaysAsItWasRecorded) {
    const std::vector<std::string> l_Recordings = filesMatching("tests/data/recordings/*.tar.gz");
    ASSERT_FALSE(l_Recordings.empty());
    for (const std::string& l_rRecording : l_Recordings) {
        SCOPED_TRACE(l_rRecording);
        const qxtest::tChildResult l_Inventory =
            qxtest::runCommand({"/bin/sh", "-c", "tar -xzOf \"$0\" inventory.json", l_rRecording});
        ASSERT_EQ(l_Inventory.exitCode, 0) << l_Inventory.stdErr;
        const json l_Recorded = json::parse(l_Inventory.stdOut);
        const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump("", [&]() {
            const json l_Replay = runForJson(
                {tooltest::toolPath(), "--replay", l_rRecording, "--verbose"}, m_Environment);
            json l_Older = comparable(l_Recorded);
            l_Older.erase("calls");
            const std::string l_Where = notWithin(comparable(l_Replay), l_Older, "");
            EXPECT_TRUE(l_Where.empty()) << l_Where;
            return ::testing::Test::HasFailure() ? 1 : 0;
        });
        if (l_Child.skipped) {
            GTEST_SKIP() << l_Child.skipReason;
        }
        EXPECT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
    }
}

TEST_F(ToolRecordReplay, AnonymisedSerialNumbersArePlaceholdersEverywhere) {
    const std::string l_Topology = filesMatching("tests/data/realworld/topologies/*.xml").front();
    std::string l_Table, l_EntryPoint;
    splitDmi(qxtest::sourceDir() + "/tests/data/realworld/dmi/servers/dell_r630_smbios.bin", m_Dir,
             l_Table, l_EntryPoint);
    const qxtest::tChildResult l_Written = qxtest::runCommand(
        {qxtest::buildDir() + "/services-linux/qxpxi-smbios-dump", "--table", l_Table,
         "--entry-point", l_EntryPoint, "--output", m_Dir.file("dump")});
    ASSERT_EQ(l_Written.exitCode, 0) << l_Written.stdErr;
    tooltest::tEnvironment l_Env = m_Environment;
    l_Env.push_back({"QXPXI_SYSFS_ROOT", m_Dir.makeDir("sys")});
    l_Env.push_back({"QXPXI_DMI_TABLE", l_Table});
    l_Env.push_back({"QXPXI_DMI_ENTRY_POINT", l_EntryPoint});
    json l_Original, l_Replay;
    roundTrip({"--topology", l_Topology}, l_Env, m_Dir.file("dump"), {"--anonymise"}, l_Original,
              l_Replay);
    ASSERT_FALSE(HasFatalFailure());
    for (const char* l_pSerial : {"serialNumber", "chassisSerialNumber"}) {
        const std::string l_Serial = l_Original["smbios"][l_pSerial].get<std::string>();
        ASSERT_FALSE(l_Serial.empty());
        EXPECT_EQ(l_Replay["smbios"][l_pSerial], std::string(l_Serial.size(), 'X'));
        l_Original["smbios"][l_pSerial] = std::string(l_Serial.size(), 'X');
        // Nowhere in the recording, raw table and dump included.
        const qxtest::tChildResult l_Content =
            qxtest::runCommand({"/bin/sh", "-c", "gzip -dc \"$0\" | grep -c -F \"$1\"",
                                m_Dir.file("machine.tar.gz"), l_Serial});
        EXPECT_EQ(l_Content.stdOut, "0\n") << l_Serial;
    }
    EXPECT_EQ(comparable(l_Replay), comparable(l_Original));
    EXPECT_EQ(l_Replay["environment"]["replay"]["anonymised"], true);
}

TEST_F(ToolRecordReplay, WhatIsNoRecordingOrNoPlaceForOneIsRefused) {
    // Archives no recording is: not an archive, a member outside the archive's own
    // tree, a member that is a link, no description of what was recorded.
    const std::string l_Files = m_Dir.makeDir("files");
    m_Dir.writeFile("files/recording.json", R"({"format": "qxpxi-recording/1"})");
    m_Dir.writeFile("files/topology.xml", "<topology/>");
    ASSERT_EQ(symlink("/etc/passwd", m_Dir.file("files/link.xml").c_str()), 0);
    auto l_Tar = [&](const std::string& a_rName, const std::string& a_rMembers) {
        const qxtest::tChildResult l_Made =
            qxtest::runCommand({"/bin/sh", "-c", "cd \"$0\" && tar -czPf \"$1\" " + a_rMembers,
                                l_Files, m_Dir.file(a_rName)});
        EXPECT_EQ(l_Made.exitCode, 0) << l_Made.stdErr;
        return m_Dir.file(a_rName);
    };
    const std::string l_Text = m_Dir.writeFile("text.tar.gz", "not an archive");
    const std::string l_Absolute = l_Tar("absolute.tar.gz", "recording.json \"$0/topology.xml\"");
    const std::string l_Link = l_Tar("link.tar.gz", "recording.json link.xml");
    const std::string l_NoManifest = l_Tar("bare.tar.gz", "topology.xml");
    struct tCase {
        std::vector<std::string> args;
        const char* message;
    } const l_Cases[] = {
        {{"--replay", l_Text}, "is not a gzip-compressed tar archive"},
        {{"--replay", l_Absolute}, "which no recording has"},
        {{"--replay", l_Link}, "is not a regular file"},
        {{"--replay", l_NoManifest}, "is not a recording of pxi-inventory --record"},
        {{"--replay", m_Dir.file("missing.tar.gz")}, "cannot be read"},
        {{"--record", "/dev/null"}, "exists and is not a regular file"},
        {{"--record", m_Dir.path()}, "exists and is not a regular file"},
        {{"--record", m_Dir.file("r.tar.gz"), "--json"},
         "it takes no view, filter, format or --output"},
        {{"--anonymise"}, "--anonymise goes with --record"},
        {{"--replay", l_Text, "--simulate"}, "it takes neither --simulate nor --topology"},
        {{"--record", m_Dir.file("r.tar.gz"), "--replay", l_Text}, "exclude each other"},
    };
    for (const tCase& l_rCase : l_Cases) {
        std::vector<std::string> l_Argv = {tooltest::toolPath()};
        l_Argv.insert(l_Argv.end(), l_rCase.args.begin(), l_rCase.args.end());
        SCOPED_TRACE(l_rCase.message);
        const qxtest::tChildResult l_Run = tooltest::run(l_Argv, m_Environment);
        EXPECT_EQ(l_Run.exitCode, 2) << l_Run.stdErr;
        EXPECT_NE(l_Run.stdErr.find(l_rCase.message), std::string::npos) << l_Run.stdErr;
        EXPECT_TRUE(l_Run.stdOut.empty()) << l_Run.stdOut;
    }
    struct stat l_Null;
    ASSERT_EQ(stat("/dev/null", &l_Null), 0);
    EXPECT_TRUE(S_ISCHR(l_Null.st_mode));
    EXPECT_TRUE(isEmptyDirectory(m_Dir.file("tmp")));
}

}  // namespace
