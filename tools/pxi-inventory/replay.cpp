#include "tools/pxi-inventory/replay.h"

#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <regex>
#include <vector>

#include "services/common/environment.h"
#include "services/linux/smbiosdump/dmiTable.h"
#include "services/smbiosdump/smbiosDump.h"
#include "tools/pxi-inventory/eeprom.h"
#include "tools/pxi-inventory/privateSmbios.h"
#include "tools/pxi-inventory/recording.h"
#include "tools/pxi-inventory/recordingArchive.h"

namespace nQxPxiInventory {

namespace {

// No recording comes near this; a larger archive is refused before it fills the memory.
constexpr size_t kMaxRecording = 512u * 1024 * 1024;

constexpr const char* kNotReplayed =
    "SMBus transactions are not replayed: the SMBus adapters are the recorded ones, but "
    "every transaction on them fails; chassis EEPROM images are the ones recorded";

bool startsWith(const std::string& a_rText, const std::string& a_rPrefix) {
    return a_rText.compare(0, a_rPrefix.size(), a_rPrefix) == 0;
}

std::string failed(const std::string& a_rWhat) {
    return a_rWhat + ": " + std::strerror(errno);
}

// Creates the directories of a_rRelative below a_rBase (which exists); names come from
// the recording and are checked to be plain before they get here.
std::string makeParents(const std::string& a_rBase, const std::string& a_rRelative) {
    for (size_t l_Slash = a_rRelative.find('/'); l_Slash != std::string::npos;
         l_Slash = a_rRelative.find('/', l_Slash + 1)) {
        const std::string l_Dir = a_rBase + "/" + a_rRelative.substr(0, l_Slash);
        if (mkdir(l_Dir.c_str(), 0755) != 0 && errno != EEXIST) {
            return failed("cannot create " + l_Dir);
        }
    }
    return std::string();
}

// Writes a file the recording holds at a_rRelative below a_rBase; never follows a link
// and never writes over what exists.
std::string writeBelow(const std::string& a_rBase, const std::string& a_rRelative,
                       const std::string& a_rContent) {
    if (!isPlainRelativePath(a_rRelative)) {
        return "the recording names a file \"" + a_rRelative + "\"";
    }
    std::string l_Problem = makeParents(a_rBase, a_rRelative);
    if (!l_Problem.empty()) {
        return l_Problem;
    }
    const std::string l_Path = a_rBase + "/" + a_rRelative;
    const int l_Fd =
        open(l_Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (l_Fd < 0) {
        return failed("cannot create " + l_Path);
    }
    const bool l_Written = write(l_Fd, a_rContent.data(), a_rContent.size()) ==
                           static_cast<ssize_t>(a_rContent.size());
    if (close(l_Fd) != 0 || !l_Written) {
        return failed("cannot write " + l_Path);
    }
    return std::string();
}

int removeOne(const char* a_pPath, const struct stat*, int a_Flag, struct FTW*) {
    if (a_Flag == FTW_DP) {
        rmdir(a_pPath);
    } else {
        unlink(a_pPath);
    }
    return 0;
}

void removeTree(const std::string& a_rDir) {
    nftw(a_rDir.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

// The dump the libraries read: written from the recorded DMI table as the dump writer
// writes it at boot, else the recorded dump itself. a_rFrom names the source.
bool smbiosDumpOf(const tMembers& a_rMembers, std::vector<uint8_t>& a_rDump, std::string& a_rFrom,
                  std::string& a_rProblem) {
    const auto l_Table = a_rMembers.find(kDmiTableMember);
    if (l_Table != a_rMembers.end()) {
        const auto l_Entry = a_rMembers.find(kDmiEntryPointMember);
        const std::vector<uint8_t> l_Raw(l_Table->second.begin(), l_Table->second.end());
        const std::vector<uint8_t> l_EntryPoint =
            l_Entry == a_rMembers.end()
                ? std::vector<uint8_t>()
                : std::vector<uint8_t>(l_Entry->second.begin(), l_Entry->second.end());
        try {
            const nQxLinux::tEntryPoint l_Read = nQxLinux::readEntryPoint(l_EntryPoint);
            // The dump holds a table of at most 65535 bytes (its length field).
            const nQxLinux::tTable l_Checked = nQxLinux::checkedTable(l_Raw, l_Read, 0xFFFF);
            a_rDump = nQxSim::smbiosDumpOf(l_Read.header, l_Checked.bytes);
            a_rFrom = kDmiTableMember;
            if (l_Checked.leftOutStructures > 0) {
                a_rProblem = std::to_string(l_Checked.leftOutStructures) +
                             " structure(s) beyond what a dump holds left out, as the dump "
                             "writer does";
            }
            return true;
        } catch (const std::exception& l_rError) {
            a_rProblem = std::string("the recorded SMBIOS table cannot be written as a dump: ") +
                         l_rError.what();
        }
    }
    const auto l_Dump = a_rMembers.find(kSmbiosDumpMember);
    if (l_Dump != a_rMembers.end()) {
        a_rDump.assign(l_Dump->second.begin(), l_Dump->second.end());
        a_rFrom = kSmbiosDumpMember;
        return true;
    }
    return false;
}

// The recording, laid out below a_rDir for the services; the manifest gets what the
// replay made of it.
std::string layOut(const tMembers& a_rMembers, const std::string& a_rDir, tJson& a_rManifest) {
    std::string l_Problem;
    auto l_Write = [&](const std::string& a_rRelative, const std::string& a_rContent) {
        if (l_Problem.empty()) {
            l_Problem = writeBelow(a_rDir, a_rRelative, a_rContent);
        }
    };
    for (const char* l_pDir : {"/sys", "/dev", "/prefix", "/prefix/lib", "/prefix/share"}) {
        if (mkdir((a_rDir + l_pDir).c_str(), 0755) != 0) {
            return failed("cannot create " + a_rDir + l_pDir);
        }
    }
    for (const auto& l_rMember : a_rMembers) {
        const std::string& l_rName = l_rMember.first;
        if (l_rName == kTopologyMember || l_rName == kInventoryMember) {
            l_Write(l_rName, l_rMember.second);
        } else if (startsWith(l_rName, kSysfsPrefix)) {
            l_Write("sys/" + l_rName.substr(std::strlen(kSysfsPrefix)), l_rMember.second);
        } else if (startsWith(l_rName, kLibdirPrefix)) {
            l_Write("prefix/lib/" + l_rName.substr(std::strlen(kLibdirPrefix)), l_rMember.second);
        } else if (startsWith(l_rName, kDatadirPrefix)) {
            l_Write("prefix/share/" + l_rName.substr(std::strlen(kDatadirPrefix)),
                    l_rMember.second);
        } else if (startsWith(l_rName, kEepromPrefix) && l_rMember.second.size() == 256) {
            l_Write(l_rName, l_rMember.second);
        }
    }
    // bus/i2c/devices/i2c-N leads to the adapter's directory, as in sysfs.
    static const std::regex s_Node("i2c-[0-9]{1,6}");
    const tJson l_Adapters = a_rManifest["sysfs"].value("i2cAdapters", tJson::array());
    for (const auto& l_rAdapter : l_Adapters) {
        const std::string l_Node = l_rAdapter.value("node", "");
        const std::string l_Path = l_rAdapter.value("path", "");
        if (!l_Problem.empty()) {
            break;
        }
        if (!std::regex_match(l_Node, s_Node) || !isPlainRelativePath(l_Path) ||
            !startsWith(l_Path, "devices/")) {
            return "the recording names an SMBus adapter \"" + l_Node + "\" at \"" + l_Path + "\"";
        }
        l_Problem = makeParents(a_rDir + "/sys", l_Path + "/");
        const std::string l_Link = "bus/i2c/devices/" + l_Node;
        if (l_Problem.empty()) {
            l_Problem = makeParents(a_rDir + "/sys", l_Link);
        }
        if (l_Problem.empty() && symlink((a_rDir + "/sys/" + l_Path).c_str(),
                                         (a_rDir + "/sys/" + l_Link).c_str()) != 0) {
            l_Problem = failed("cannot link " + l_Link);
        }
    }
    std::vector<uint8_t> l_Dump;
    std::string l_From;
    std::string l_DumpProblem;
    if (l_Problem.empty() && smbiosDumpOf(a_rMembers, l_Dump, l_From, l_DumpProblem)) {
        l_Write("smbiosdmp", std::string(l_Dump.begin(), l_Dump.end()));
    }
    a_rManifest["replay"] = {{"smbiosFrom", l_From.empty() ? tJson(nullptr) : tJson(l_From)},
                             {"smbiosProblem", l_DumpProblem}};
    l_Write("replay.json", a_rManifest.dump(2) + "\n");
    return l_Problem;
}

// Where the Linux services are: beside the build tree's stand-ins, or installed with the
// libraries.
std::string linuxServicesDir(const tLayout& a_rLayout) {
    if (a_rLayout.buildTree) {
        return resolvedPath(a_rLayout.servicesDir + "/../services-linux");
    }
    return a_rLayout.libDir;
}

int runOver(const std::string& a_rDir, const tLayout& a_rLayout, const std::string& a_rServices,
            char** a_ppArgv) {
    // The run over the recording is interrupted with the tool; the directory is removed
    // here afterwards.
    struct sigaction l_Ignore {};
    l_Ignore.sa_handler = SIG_IGN;
    struct sigaction l_OldInt {};
    struct sigaction l_OldQuit {};
    sigaction(SIGINT, &l_Ignore, &l_OldInt);
    sigaction(SIGQUIT, &l_Ignore, &l_OldQuit);
    std::fflush(nullptr);
    const pid_t l_Child = fork();
    if (l_Child == 0) {
        sigaction(SIGINT, &l_OldInt, nullptr);
        sigaction(SIGQUIT, &l_OldQuit, nullptr);
        std::string l_Path = a_rServices + ":" + a_rLayout.libDir;
        const std::string l_Old = nQxSim::environmentValue("LD_LIBRARY_PATH");
        if (!l_Old.empty()) {
            l_Path += ":" + l_Old;
        }
        setenv("LD_LIBRARY_PATH", l_Path.c_str(), 1);
        setenv("HWLOC_XMLFILE", (a_rDir + "/" + kTopologyMember).c_str(), 1);
        setenv("QXPXI_SYSFS_ROOT", (a_rDir + "/sys").c_str(), 1);
        setenv("QXPXI_DEV_ROOT", (a_rDir + "/dev").c_str(), 1);
        setenv("QXPXI_INSTALL_PREFIX", (a_rDir + "/prefix").c_str(), 1);
        setenv(kReplayEnv, a_rDir.c_str(), 1);
        unsetenv(kStandInsEnv);
        unsetenv(kMachineEnv);
        execv("/proc/self/exe", a_ppArgv);
        std::fprintf(stderr, "pxi-inventory: cannot run the tool over the recording: %s\n",
                     std::strerror(errno));
        _exit(kExitFailures);
    }
    int l_Status = 0;
    const bool l_Waited = l_Child > 0 && waitpid(l_Child, &l_Status, 0) == l_Child;
    const int l_Errno = errno;
    sigaction(SIGINT, &l_OldInt, nullptr);
    sigaction(SIGQUIT, &l_OldQuit, nullptr);
    removeTree(a_rDir);
    if (!l_Waited) {
        std::fprintf(stderr, "pxi-inventory: cannot run the tool over the recording: %s\n",
                     std::strerror(l_Errno));
        return kExitFailures;
    }
    return WIFEXITED(l_Status) ? WEXITSTATUS(l_Status) : 128 + WTERMSIG(l_Status);
}

int replayError(const std::string& a_rFile, const std::string& a_rProblem, int a_Status) {
    std::fprintf(stderr, "pxi-inventory: recording %s: %s\n", a_rFile.c_str(), a_rProblem.c_str());
    return a_Status;
}

// Every text of the document that begins with a_rFrom begins with a_rTo instead.
void mapPaths(tJson& a_rValue, const std::vector<std::pair<std::string, std::string>>& a_rMap) {
    if (a_rValue.is_string()) {
        std::string l_Text = a_rValue.get<std::string>();
        for (const auto& l_rPair : a_rMap) {
            for (size_t l_At = l_Text.find(l_rPair.first); l_At != std::string::npos;
                 l_At = l_Text.find(l_rPair.first, l_At + l_rPair.second.size())) {
                l_Text.replace(l_At, l_rPair.first.size(), l_rPair.second);
            }
        }
        a_rValue = l_Text;
    } else if (a_rValue.is_structured()) {
        for (auto& l_rItem : a_rValue) {
            mapPaths(l_rItem, a_rMap);
        }
    }
}

}  // namespace

int startReplay(const tOptions& a_rOptions, const tLayout& a_rLayout, char** a_ppArgv,
                tReplay& a_rReplay, tSimulation& a_rSimulation) {
    const std::string l_Inner = nQxSim::environmentValue(kReplayEnv);
    if (!l_Inner.empty()) {
        a_rReplay.active = true;
        a_rReplay.directory = l_Inner;
        std::string l_Text;
        {
            FILE* l_pFile = std::fopen((a_rReplay.directory + "/replay.json").c_str(), "rb");
            char l_Buffer[4096];
            size_t l_Read = 0;
            while (l_pFile != nullptr &&
                   (l_Read = std::fread(l_Buffer, 1, sizeof(l_Buffer), l_pFile)) > 0) {
                l_Text.append(l_Buffer, l_Read);
            }
            if (l_pFile != nullptr) {
                std::fclose(l_pFile);
            }
        }
        a_rReplay.manifest = tJson::parse(l_Text, nullptr, false);
        if (a_rReplay.manifest.is_discarded()) {
            return replayError(a_rOptions.replay, "the laid-out recording cannot be read",
                               kExitFailures);
        }
        std::vector<uint8_t> l_Dump;
        bool l_HasDump = false;
        if (FILE* l_pDump = std::fopen((a_rReplay.directory + "/smbiosdmp").c_str(), "rb")) {
            int l_Byte = 0;
            while ((l_Byte = std::fgetc(l_pDump)) != EOF) {
                l_Dump.push_back(static_cast<uint8_t>(l_Byte));
            }
            std::fclose(l_pDump);
            l_HasDump = true;
        }
        std::fprintf(stderr,
                     "pxi-inventory: REPLAY of the recording %s, not this computer's hardware\n",
                     a_rReplay.manifest.value("file", "").c_str());
        a_rSimulation.smbiosOf = "the recording";
        a_rSimulation.smbiosProblem = providePrivateSmbios(l_Dump, l_HasDump);
        return -1;
    }

    tMembers l_Members;
    std::string l_Problem = readRecordingArchive(a_rOptions.replay, kMaxRecording, l_Members);
    if (!l_Problem.empty()) {
        return replayError(a_rOptions.replay, l_Problem, kExitUsage);
    }
    const auto l_Manifest = l_Members.find(kManifestMember);
    tJson l_Parsed = l_Manifest == l_Members.end()
                         ? tJson(nullptr)
                         : tJson::parse(l_Manifest->second, nullptr, false);
    if (!l_Parsed.is_object() || l_Parsed.value("format", "") != kRecordingFormat) {
        return replayError(a_rOptions.replay,
                           std::string("is not a recording of pxi-inventory --record (no ") +
                               kManifestMember + " of format " + kRecordingFormat + ")",
                           kExitUsage);
    }
    if (l_Members.count(kTopologyMember) == 0) {
        return replayError(a_rOptions.replay, "holds no PCI topology to replay", kExitUsage);
    }
    if (!l_Parsed.contains("sysfs") || !l_Parsed["sysfs"].is_object()) {
        l_Parsed["sysfs"] = tJson::object();
    }
    const std::string l_Services = linuxServicesDir(a_rLayout);
    if (access((l_Services + "/" + kPciBridgeServiceFile).c_str(), R_OK) != 0) {
        return replayError(a_rOptions.replay,
                           "a replay needs the Linux services (package qxpxi-linux), and " +
                               l_Services + "/" + kPciBridgeServiceFile + " is not there",
                           kExitNoServices);
    }
    const std::string l_Tmp = nQxSim::environmentValue("TMPDIR");
    std::string l_Dir = (!l_Tmp.empty() && l_Tmp[0] == '/' ? l_Tmp : std::string("/tmp")) +
                        "/pxi-inventory-replay.XXXXXX";
    if (mkdtemp(&l_Dir[0]) == nullptr) {
        return replayError(a_rOptions.replay,
                           failed("cannot create a directory to replay it in (" + l_Dir + ")"),
                           kExitFailures);
    }
    l_Dir = resolvedPath(l_Dir);
    l_Parsed["file"] = resolvedPath(a_rOptions.replay);
    l_Problem = layOut(l_Members, l_Dir, l_Parsed);
    if (!l_Problem.empty()) {
        removeTree(l_Dir);
        return replayError(a_rOptions.replay, l_Problem, kExitUsage);
    }
    return runOver(l_Dir, a_rLayout, l_Services, a_ppArgv);
}

std::string replayHeader(const tJson& a_rReplay) {
    auto l_Text = [&a_rReplay](const char* a_pKey) {
        return a_rReplay.contains(a_pKey) && a_rReplay[a_pKey].is_string()
                   ? a_rReplay[a_pKey].get<std::string>()
                   : std::string("?");
    };
    std::string l_Out = " of the RECORDING " + l_Text("file") + " (made by " +
                        l_Text("recordedBy") + ", " + l_Text("recordedAt") + ")\n";
    l_Out += "Replayed through the Linux services; " + l_Text("notReplayed") + ".\n";
    return l_Out;
}

void finishReplay(const tReplay& a_rReplay, tJson& a_rDocument) {
    const tJson& l_rManifest = a_rReplay.manifest;
    const std::string& l_rDir = a_rReplay.directory;
    const tJson l_Descriptions = l_rManifest.value("descriptions", tJson::object());
    const tJson l_Sysfs = l_rManifest.value("sysfs", tJson::object());
    const tJson l_Topology = l_rManifest.value("topology", tJson::object());
    mapPaths(a_rDocument,
             {{l_rDir + "/prefix/lib", l_Descriptions.value("libdir", "/usr/lib")},
              {l_rDir + "/prefix/share", l_Descriptions.value("datadir", "/usr/share")},
              {l_rDir + "/sys", l_Sysfs.value("root", "/sys")},
              {l_rDir + "/dev", l_Sysfs.value("devRoot", "/dev")},
              {l_rDir + "/" + kTopologyMember, l_Topology.value("from", "the recorded topology")}});

    // The chassis EEPROMs: SMBus is not replayed, so the library's reads fail; the images
    // it read on the recorded machine stand in their place, and their failures go.
    std::vector<std::string> l_Replaced;
    for (const auto& l_rImage : l_rManifest.value("eeproms", tJson::array())) {
        const std::string l_Member = l_rImage.value("member", "");
        tEepromImage l_Bytes{};
        FILE* l_pFile = isPlainRelativePath(l_Member)
                            ? std::fopen((l_rDir + "/" + l_Member).c_str(), "rb")
                            : nullptr;
        if (l_pFile == nullptr) {
            continue;
        }
        const bool l_Read =
            std::fread(l_Bytes.data(), 1, l_Bytes.size(), l_pFile) == l_Bytes.size();
        std::fclose(l_pFile);
        if (!l_Read) {
            continue;
        }
        if (!a_rDocument.contains("systemModules") ||
            !a_rDocument["systemModules"].contains("identities")) {
            break;
        }
        tJson& l_rIdentities = a_rDocument["systemModules"]["identities"];
        for (auto& l_rIdentity : l_rIdentities) {
            for (auto& l_rModule : l_rIdentity["modules"]) {
                if (l_rModule.value("name", "") != l_rImage.value("module", "") ||
                    l_rModule.value("resourceList", "") != l_rImage.value("resourceList", "")) {
                    continue;
                }
                const bool l_Verbose = a_rDocument.contains("calls");
                tJson l_Eeprom = {{"status", 0}, {"recorded", true}};
                const tJson l_Decoded = decodeEeprom(l_Bytes, l_Verbose);
                for (const auto& l_rItem : l_Decoded.items()) {
                    l_Eeprom[l_rItem.key()] = l_rItem.value();
                }
                l_Replaced.push_back("PXISA_SystemModule_GetChassisEEPROM(\"" +
                                     l_rModule.value("name", "") + "\", \"" +
                                     l_rModule.value("resourceList", "") + "\")");
                l_rModule["eeprom"] = l_Eeprom;
            }
        }
    }
    if (!l_Replaced.empty() && a_rDocument.contains("failures")) {
        tJson l_Kept = tJson::array();
        for (const auto& l_rFailure : a_rDocument["failures"]) {
            const std::string l_Call = l_rFailure.value("call", "");
            bool l_Gone = false;
            for (const std::string& l_rReplaced : l_Replaced) {
                l_Gone = l_Gone || l_Call == l_rReplaced;
            }
            if (!l_Gone) {
                l_Kept.push_back(l_rFailure);
            }
        }
        a_rDocument["failures"] = l_Kept;
        if (l_Kept.empty()) {
            a_rDocument["exitStatus"] = kExitAnswered;
        }
    }

    const tJson l_Replay = l_rManifest.value("replay", tJson::object());
    a_rDocument["environment"]["replay"] = {
        {"file", l_rManifest.value("file", "")},
        {"recordedBy", l_rManifest.value("recordedBy", "")},
        {"recordedAt", l_rManifest.value("recordedAt", "")},
        {"anonymised", l_rManifest.value("anonymised", false)},
        {"topologyFrom", l_Topology.value("from", "")},
        {"smbiosFrom", l_Replay.value("smbiosFrom", tJson(nullptr))},
        {"notRecorded", l_rManifest.value("notRecorded", tJson::array())},
        {"notReplayed", kNotReplayed}};
}

}  // namespace nQxPxiInventory
