#include "tools/pxi-inventory/recording.h"

#include <dirent.h>
#include <fcntl.h>
#include <hwloc.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "services/common/environment.h"
#include "tools/pxi-inventory/anonymise.h"
#include "tools/pxi-inventory/privateSmbios.h"
#include "tools/pxi-inventory/recordingArchive.h"

#ifndef QXINV_VERSION
#error "QXINV_VERSION must give the package version"
#endif

namespace nQxPxiInventory {

const char* const kLibdirDescriptionDirs[2] = {"qxpxihw/pxiechassis", "qxpxihw/pxiesysmodules"};
const char* const kDatadirDescriptionDirs[2] = {"qxpxi/hardware_descriptions/controllers",
                                                "pxisa/chassis"};

namespace {

constexpr size_t kMaxFile = 16 * 1024 * 1024;

// The whole of a regular file (sysfs attributes report a size they do not have, so the
// file is read to its end); empty with the reason on failure.
std::string readWhole(const std::string& a_rPath, std::string& a_rContent) {
    a_rContent.clear();
    const int l_Fd = open(a_rPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (l_Fd < 0) {
        return std::strerror(errno);
    }
    struct stat l_Stat;
    if (fstat(l_Fd, &l_Stat) != 0 || !S_ISREG(l_Stat.st_mode)) {
        close(l_Fd);
        return "not a regular file";
    }
    char l_Buffer[65536];
    while (true) {
        const ssize_t l_Read = read(l_Fd, l_Buffer, sizeof(l_Buffer));
        if (l_Read < 0 && errno == EINTR) {
            continue;
        }
        if (l_Read < 0) {
            const std::string l_Problem = std::strerror(errno);
            close(l_Fd);
            return l_Problem;
        }
        if (l_Read == 0) {
            break;
        }
        a_rContent.append(l_Buffer, static_cast<size_t>(l_Read));
        if (a_rContent.size() > kMaxFile) {
            close(l_Fd);
            return "larger than any file of its kind";
        }
    }
    close(l_Fd);
    return std::string();
}

// Read as the services read them.
std::string environmentPath(const char* a_pVariable, const char* a_pDefault) {
    return nQxSim::environmentValue(a_pVariable, a_pDefault);
}

// One line of the list --record prints.
struct tListed {
    std::string member;
    std::string what;
};

class cRecorder {
public:
    cRecorder(const tOptions& a_rOptions) : m_Options(a_rOptions) {}

    void topology();
    void firmware();
    void sysfs(const tJson& a_rInventory);
    void descriptions(const tJson& a_rInventory);
    void eeproms(tJson& a_rInventory);
    std::string write(const tJson& a_rInventory);
    std::string list() const;

private:
    void add(const std::string& a_rMember, std::string a_Content, const std::string& a_rWhat) {
        m_Members[a_rMember] = std::move(a_Content);
        if (!a_rWhat.empty()) {
            m_Listed.push_back({a_rMember, a_rWhat});
        }
    }
    void missing(const std::string& a_rWhat) { m_Missing.push_back(a_rWhat); }

    const tOptions& m_Options;
    tMembers m_Members;
    tJson m_Manifest;
    std::vector<tListed> m_Listed;
    std::vector<std::string> m_Missing;
};

void cRecorder::topology() {
    // What the PCI bridge service reads: the XML file hwloc is pointed at, as it is, or
    // this machine as hwloc discovers it.
    const std::string l_XmlFile = nQxSim::environmentValue("HWLOC_XMLFILE");
    const char* l_pXml = l_XmlFile.c_str();
    if (!l_XmlFile.empty()) {
        std::string l_Xml;
        const std::string l_Problem = readWhole(l_pXml, l_Xml);
        if (!l_Problem.empty()) {
            missing(std::string("the PCI topology (") + l_pXml + ": " + l_Problem + ")");
            return;
        }
        m_Manifest["topology"] = {{"from", l_pXml}};
        add(kTopologyMember, m_Options.anonymise ? anonymiseTopology(l_Xml) : l_Xml,
            std::string("the PCI topology, the recording ") + l_pXml);
        return;
    }
    hwloc_topology_t l_Topology = nullptr;
    char* l_pBuffer = nullptr;
    int l_Length = 0;
    if (hwloc_topology_init(&l_Topology) != 0) {
        missing("the PCI topology (hwloc could not start)");
        return;
    }
    hwloc_topology_set_io_types_filter(l_Topology, HWLOC_TYPE_FILTER_KEEP_IMPORTANT);
    hwloc_topology_set_type_filter(l_Topology, HWLOC_OBJ_BRIDGE, HWLOC_TYPE_FILTER_KEEP_ALL);
    hwloc_topology_set_type_filter(l_Topology, HWLOC_OBJ_PCI_DEVICE, HWLOC_TYPE_FILTER_KEEP_ALL);
    if (hwloc_topology_load(l_Topology) != 0 ||
        hwloc_topology_export_xmlbuffer(l_Topology, &l_pBuffer, &l_Length, 0) != 0 ||
        l_Length <= 0) {
        missing("the PCI topology (hwloc could not discover or export it)");
        hwloc_topology_destroy(l_Topology);
        return;
    }
    // The length counts the closing NUL.
    std::string l_Xml(l_pBuffer, static_cast<size_t>(l_Length - 1));
    hwloc_free_xmlbuffer(l_Topology, l_pBuffer);
    hwloc_topology_destroy(l_Topology);
    m_Manifest["topology"] = {{"from", "this computer"}};
    add(kTopologyMember, m_Options.anonymise ? anonymiseTopology(l_Xml) : l_Xml,
        "the PCI topology of this computer, exported by hwloc");
}

void cRecorder::firmware() {
    const std::string l_TablePath =
        environmentPath("QXPXI_DMI_TABLE", "/sys/firmware/dmi/tables/DMI");
    const std::string l_EntryPath =
        environmentPath("QXPXI_DMI_ENTRY_POINT", "/sys/firmware/dmi/tables/smbios_entry_point");
    std::string l_Table;
    std::string l_Problem = readWhole(l_TablePath, l_Table);
    if (l_Problem.empty()) {
        std::vector<uint8_t> l_Bytes(l_Table.begin(), l_Table.end());
        if (m_Options.anonymise) {
            anonymiseSmbiosTable(l_Bytes);
        }
        add(kDmiTableMember, std::string(l_Bytes.begin(), l_Bytes.end()),
            "the SMBIOS table, from " + l_TablePath);
        std::string l_Entry;
        const std::string l_EntryProblem = readWhole(l_EntryPath, l_Entry);
        if (l_EntryProblem.empty()) {
            add(kDmiEntryPointMember, l_Entry, "its entry point, from " + l_EntryPath);
        } else {
            missing("the SMBIOS entry point (" + l_EntryPath + ": " + l_EntryProblem + ")");
        }
    } else {
        missing("the SMBIOS table (" + l_TablePath + ": " + l_Problem +
                (geteuid() != 0 ? "; only root may read it" : "") + ")");
    }
    // The dump the libraries read, written from the table at boot: a replay uses it
    // where the table could not be read (it is readable by every user).
    std::string l_Dump;
    l_Problem = readWhole(smbiosDumpPath(), l_Dump);
    if (l_Problem.empty()) {
        const size_t l_End = l_Dump.find('\0');
        if (m_Options.anonymise && l_End != std::string::npos && l_End + 3 <= l_Dump.size()) {
            std::vector<uint8_t> l_Bytes(l_Dump.begin() + static_cast<std::ptrdiff_t>(l_End + 3),
                                         l_Dump.end());
            anonymiseSmbiosTable(l_Bytes);
            l_Dump.resize(l_End + 3);
            l_Dump.append(l_Bytes.begin(), l_Bytes.end());
        }
        add(kSmbiosDumpMember, l_Dump,
            std::string("the SMBIOS dump the libraries read, ") + smbiosDumpPath());
    } else {
        missing(std::string("the SMBIOS dump (") + smbiosDumpPath() + ": " + l_Problem + ")");
    }
}

void cRecorder::sysfs(const tJson& a_rInventory) {
    const std::string l_RootSet = nQxSim::environmentValue("QXPXI_SYSFS_ROOT");
    const std::string l_Xml = nQxSim::environmentValue("HWLOC_XMLFILE");
    const std::string l_Root = !l_RootSet.empty() ? l_RootSet : std::string("/sys");
    // The device directory only names the adapters' nodes: nothing below it is recorded.
    tJson l_Sysfs = {{"root", l_Root}, {"devRoot", environmentPath("QXPXI_DEV_ROOT", "/dev")}};
    // The PCI bridge service reads link widths below the sysfs root, and on a recorded
    // topology only when the root is moved (this machine's widths are not the recording's).
    size_t l_Widths = 0;
    if (!l_RootSet.empty() || l_Xml.empty()) {
        for (const auto& l_rBridge : a_rInventory["pciBridges"].value("bridges", tJson::array())) {
            std::string l_Address = l_rBridge.value("address", "");
            std::transform(l_Address.begin(), l_Address.end(), l_Address.begin(),
                           [](unsigned char a_C) { return static_cast<char>(std::tolower(a_C)); });
            const std::string l_File = "bus/pci/devices/0000:" + l_Address + "/current_link_width";
            std::string l_Width;
            if (isPlainRelativePath(l_File) && readWhole(l_Root + "/" + l_File, l_Width).empty()) {
                add(kSysfsPrefix + l_File, l_Width, "");
                ++l_Widths;
            }
        }
    }
    l_Sysfs["linkWidths"] = l_Widths;
    // The SMBus adapters as the SMBus service finds them: bus/i2c/devices/i2c-N leads to
    // the adapter's directory inside its parent device's.
    tJson l_Adapters = tJson::array();
    const std::string l_Devices = l_Root + "/bus/i2c/devices";
    char* l_pRealRoot = realpath(l_Root.c_str(), nullptr);
    const std::string l_RealRoot = l_pRealRoot != nullptr ? l_pRealRoot : l_Root;
    std::free(l_pRealRoot);
    if (DIR* l_pDir = opendir(l_Devices.c_str())) {
        std::vector<std::string> l_Names;
        while (const dirent* l_pEntry = readdir(l_pDir)) {
            unsigned l_Number = 0;
            char l_Tail = 0;
            if (std::sscanf(l_pEntry->d_name, "i2c-%u%c", &l_Number, &l_Tail) == 1) {
                l_Names.push_back(l_pEntry->d_name);
            }
        }
        closedir(l_pDir);
        std::sort(l_Names.begin(), l_Names.end());
        for (const std::string& l_rName : l_Names) {
            char* l_pReal = realpath((l_Devices + "/" + l_rName).c_str(), nullptr);
            const std::string l_Real = l_pReal != nullptr ? l_pReal : "";
            std::free(l_pReal);
            if (l_Real.compare(0, l_RealRoot.size() + 1, l_RealRoot + "/") != 0) {
                missing("the SMBus adapter " + l_rName + " (it leads outside " + l_Root + ")");
                continue;
            }
            const std::string l_Path = l_Real.substr(l_RealRoot.size() + 1);
            const std::string l_Parent = l_Path.substr(0, l_Path.rfind('/'));
            std::string l_Content;
            if (readWhole(l_Real + "/name", l_Content).empty()) {
                add(kSysfsPrefix + l_Path + "/name", l_Content, "");
            }
            for (const char* l_pFile :
                 {"class", "vendor", "device", "subsystem_vendor", "subsystem_device"}) {
                if (readWhole(l_RealRoot + "/" + l_Parent + "/" + l_pFile, l_Content).empty()) {
                    add(kSysfsPrefix + l_Parent + "/" + l_pFile, l_Content, "");
                }
            }
            l_Adapters.push_back({{"node", l_rName}, {"path", l_Path}});
        }
    }
    l_Sysfs["i2cAdapters"] = l_Adapters;
    m_Manifest["sysfs"] = l_Sysfs;
    m_Listed.push_back({kSysfsPrefix, "below " + l_Root + ": the link widths of " +
                                          std::to_string(l_Widths) + " PCI bridge(s), " +
                                          std::to_string(l_Adapters.size()) +
                                          " SMBus adapter(s) with their parent devices"});
}

void cRecorder::descriptions(const tJson& a_rInventory) {
    const tJson& l_rDirs = a_rInventory["descriptionDirectories"];
    const std::string l_Libdir = l_rDirs.value("libdir", "/usr/lib");
    const std::string l_Datadir = l_rDirs.value("datadir", "/usr/share");
    m_Manifest["descriptions"] = {{"libdir", l_Libdir}, {"datadir", l_Datadir}};
    size_t l_Count = 0;
    auto l_Scan = [&](const std::string& a_rBase, const char* a_pPrefix, const char* a_pDir) {
        const std::string l_Dir = a_rBase + "/" + a_pDir;
        DIR* l_pDir = opendir(l_Dir.c_str());
        if (l_pDir == nullptr) {
            return;
        }
        while (const dirent* l_pEntry = readdir(l_pDir)) {
            const std::string l_Name = l_pEntry->d_name;
            std::string l_Content;
            if (l_Name.size() > 4 && l_Name.compare(l_Name.size() - 4, 4, ".ini") == 0 &&
                readWhole(l_Dir + "/" + l_Name, l_Content).empty()) {
                add(std::string(a_pPrefix) + a_pDir + "/" + l_Name, l_Content, "");
                ++l_Count;
            }
        }
        closedir(l_pDir);
    };
    for (const char* l_pDir : kLibdirDescriptionDirs) {
        l_Scan(l_Libdir, kLibdirPrefix, l_pDir);
    }
    for (const char* l_pDir : kDatadirDescriptionDirs) {
        l_Scan(l_Datadir, kDatadirPrefix, l_pDir);
    }
    m_Listed.push_back({"descriptions/", std::to_string(l_Count) + " description file(s) below " +
                                             l_Libdir + " and " + l_Datadir});
}

// Serial numbers out of an EEPROM object ("raw" included) of the inventory; a_pImage
// receives the image when there is one.
bool takeEeprom(tJson& a_rEeprom, bool a_Anonymise, tEepromImage* a_pImage) {
    tEepromImage l_Image{};
    if (!a_rEeprom.is_object() || !eepromFromRaw(a_rEeprom.value("raw", tJson()), l_Image)) {
        return false;
    }
    if (a_Anonymise) {
        anonymiseEeprom(l_Image);
        const tJson l_Decoded = decodeEeprom(l_Image, true);
        for (const auto& l_rItem : l_Decoded.items()) {
            a_rEeprom[l_rItem.key()] = l_rItem.value();
        }
    }
    if (a_pImage != nullptr) {
        *a_pImage = l_Image;
    }
    return true;
}

void cRecorder::eeproms(tJson& a_rInventory) {
    tJson l_List = tJson::array();
    tJson& l_rIdentities = a_rInventory["systemModules"]["identities"];
    for (auto& l_rIdentity : l_rIdentities) {
        for (auto& l_rModule : l_rIdentity["modules"]) {
            tEepromImage l_Image{};
            if (l_rModule.contains("eeprom") && l_rModule["eeprom"].value("status", -1) >= 0 &&
                takeEeprom(l_rModule["eeprom"], m_Options.anonymise, &l_Image)) {
                const std::string l_Member =
                    kEepromPrefix + std::to_string(l_List.size() + 1) + ".bin";
                const std::string l_Name = l_rModule.value("name", "");
                l_List.push_back({{"module", l_Name},
                                  {"resourceList", l_rModule.value("resourceList", "")},
                                  {"member", l_Member}});
                add(l_Member, std::string(l_Image.begin(), l_Image.end()),
                    "the chassis EEPROM the system module library read for " + l_Name);
            }
            if (l_rModule.contains("eeprom") &&
                l_rModule["eeprom"].contains("throughSmbusService")) {
                takeEeprom(l_rModule["eeprom"]["throughSmbusService"], m_Options.anonymise,
                           nullptr);
            }
        }
    }
    m_Manifest["eeproms"] = l_List;
}

std::string cRecorder::write(const tJson& a_rInventory) {
    tJson l_Inventory = a_rInventory;
    if (m_Options.anonymise) {
        anonymiseJson(l_Inventory);
    }
    const std::time_t l_Now = std::time(nullptr);
    char l_Time[32];
    std::strftime(l_Time, sizeof(l_Time), "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&l_Now));
    tJson l_Manifest = {{"format", kRecordingFormat},
                        {"recordedBy", "pxi-inventory (qxpxi) " QXINV_VERSION},
                        {"recordedAt", l_Time},
                        {"anonymised", m_Options.anonymise}};
    for (const auto& l_rItem : m_Manifest.items()) {
        l_Manifest[l_rItem.key()] = l_rItem.value();
    }
    l_Manifest["notRecorded"] = m_Missing;
    m_Members[kInventoryMember] =
        l_Inventory.dump(2, ' ', false, tJson::error_handler_t::replace) + "\n";
    m_Members[kManifestMember] =
        l_Manifest.dump(2, ' ', false, tJson::error_handler_t::replace) + "\n";
    return writeRecordingArchive(m_Options.record, m_Members, static_cast<long>(l_Now));
}

std::string cRecorder::list() const {
    std::vector<tListed> l_Listed = {
        {kManifestMember, "what was recorded, and by which version of the tool"},
        {kInventoryMember, "the inventory this run showed (--json --verbose)"}};
    l_Listed.insert(l_Listed.end(), m_Listed.begin(), m_Listed.end());
    size_t l_Width = 0;
    for (const tListed& l_rItem : l_Listed) {
        l_Width = std::max(l_Width, l_rItem.member.size());
    }
    std::string l_Out = "Recorded into " + m_Options.record + ":\n";
    for (const tListed& l_rItem : l_Listed) {
        l_Out += "  " + l_rItem.member + std::string(l_Width + 2 - l_rItem.member.size(), ' ') +
                 l_rItem.what + "\n";
    }
    if (!m_Missing.empty()) {
        l_Out += "Not recorded:\n";
        for (const std::string& l_rWhat : m_Missing) {
            l_Out += "  " + l_rWhat + "\n";
        }
    }
    if (m_Options.anonymise) {
        l_Out += "Serial numbers, UUIDs and the host name are replaced by placeholders.\n";
    }
    l_Out += "See what it shows with: pxi-inventory --replay " + m_Options.record + "\n";
    return l_Out;
}

}  // namespace

std::string recordReplayProblem(const tOptions& a_rOptions, int a_Views, int a_Formats) {
    const bool l_Filtered = !a_rOptions.chassisFilter.empty() || !a_rOptions.moduleFilter.empty();
    if (!a_rOptions.record.empty() && !a_rOptions.replay.empty()) {
        return "--record and --replay exclude each other";
    }
    if (a_rOptions.anonymise && a_rOptions.record.empty()) {
        return "--anonymise goes with --record";
    }
    if (!a_rOptions.record.empty()) {
        if (a_rOptions.simulate) {
            return "--record records a real machine; a simulated one is its machine file";
        }
        if (a_Views > 0 || a_Formats > 0 || l_Filtered || !a_rOptions.output.empty()) {
            return "--record records the whole machine: it takes no view, filter, format or "
                   "--output";
        }
    }
    if (!a_rOptions.replay.empty() && (a_rOptions.simulate || !a_rOptions.topology.empty())) {
        return "--replay runs over the recording's machine: it takes neither --simulate nor "
               "--topology";
    }
    return std::string();
}

bool eepromFromRaw(const tJson& a_rRaw, tEepromImage& a_rImage) {
    if (!a_rRaw.is_array() || a_rRaw.size() != 16) {
        return false;
    }
    size_t l_Index = 0;
    for (const auto& l_rLine : a_rRaw) {
        if (!l_rLine.is_string()) {
            return false;
        }
        const std::string l_Text = l_rLine.get<std::string>();
        for (size_t l_At = 0; l_At < l_Text.size(); l_At += 3) {
            unsigned l_Byte = 0;
            if (l_Index >= a_rImage.size() ||
                std::sscanf(l_Text.c_str() + l_At, "%2x", &l_Byte) != 1) {
                return false;
            }
            a_rImage[l_Index++] = static_cast<uint8_t>(l_Byte);
        }
    }
    return l_Index == a_rImage.size();
}

int recordMachine(const tOptions& a_rOptions, const tLayout& a_rLayout) {
    struct stat l_Stat;
    if (lstat(a_rOptions.record.c_str(), &l_Stat) == 0 && !S_ISREG(l_Stat.st_mode)) {
        std::fprintf(stderr, "pxi-inventory: recording %s: exists and is not a regular file\n",
                     a_rOptions.record.c_str());
        return kExitUsage;
    }
    tOptions l_Options = a_rOptions;
    l_Options.verbose = true;
    l_Options.format = eFormat::json;
    l_Options.view = eView::inventory;
    tJson l_Inventory = collectInventory(l_Options, a_rLayout, tSimulation{});
    cRecorder l_Recorder(a_rOptions);
    l_Recorder.topology();
    l_Recorder.firmware();
    l_Recorder.sysfs(l_Inventory);
    l_Recorder.descriptions(l_Inventory);
    l_Recorder.eeproms(l_Inventory);
    const std::string l_Problem = l_Recorder.write(l_Inventory);
    if (!l_Problem.empty()) {
        std::fprintf(stderr, "pxi-inventory: recording %s: %s\n", a_rOptions.record.c_str(),
                     l_Problem.c_str());
        return kExitOutputFailed;
    }
    const std::string l_List = l_Recorder.list();
    return std::fwrite(l_List.data(), 1, l_List.size(), stdout) == l_List.size() &&
                   std::fflush(stdout) == 0
               ? kExitAnswered
               : kExitOutputFailed;
}

}  // namespace nQxPxiInventory
