#include "tools/pxi-inventory/descriptionCheck.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <tuple>
#include <utility>

#include <nlohmann/json.hpp>

#include "config/pxiHardwareDatabase/cChassisDescIni.h"
#include "config/pxiHardwareDatabase/cPxi1EmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxieChassisDriverDescIni.h"
#include "config/pxiHardwareDatabase/cPxieEmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxieRemoteControllerIni.h"
#include "config/slotpath/cSlotPath.h"
#include "sysmodule/module/tSysModuleValueParsers.h"

namespace nQxPxiInventory {

namespace {

namespace nLib = ::QX_NS;
using tJson = nlohmann::ordered_json;

// The kinds of the description database.
enum eKind : uint32_t {
    kUnknown = 0,
    kController = 2,
    kChassisDriver = 16,
    kEmbeddedModule = 256,
    kRemoteModule = 512,
    kChassisStar = 1024,
    kChassisNoStar = 2048
};

const char* kindName(uint32_t a_Kind) {
    switch (a_Kind) {
        case kController:
            return "PXI embedded controller description";
        case kChassisDriver:
            return "chassis driver description";
        case kEmbeddedModule:
            return "embedded system module description";
        case kRemoteModule:
            return "remote system module description";
        case kChassisStar:
            return "chassis description (star triggers)";
        case kChassisNoStar:
            return "chassis description (no star triggers)";
        default:
            return "no known kind";
    }
}

// The descriptions of one directory of the database: an identity is used once per
// directory (system modules of both styles share theirs, chassis of both kinds too).
uint32_t directoryGroup(uint32_t a_Kind) {
    return a_Kind == kRemoteModule    ? kEmbeddedModule
           : a_Kind == kChassisNoStar ? kChassisStar
                                      : a_Kind;
}

std::string trim(const std::string& a_rText) {
    const char* const l_pBlanks = " \t\r\n\v\f";
    const size_t l_First = a_rText.find_first_not_of(l_pBlanks);
    if (l_First == std::string::npos) {
        return std::string();
    }
    return a_rText.substr(l_First, a_rText.find_last_not_of(l_pBlanks) - l_First + 1);
}

bool sameIgnoringCase(const std::string& a_rA, const std::string& a_rB) {
    return a_rA.size() == a_rB.size() &&
           std::equal(a_rA.begin(), a_rA.end(), a_rB.begin(), [](char a_A, char a_B) {
               return std::tolower(static_cast<unsigned char>(a_A)) ==
                      std::tolower(static_cast<unsigned char>(a_B));
           });
}

// Where each section and key stands in the file, as written: the INI engine keeps no
// line numbers, so the lines are found again here. Values are read through the engine.
struct tEntry {
    std::string section;
    std::string key;  // empty for the section's own line
    std::string value;
    int line = 0;
};

class cLineIndex {
public:
    bool read(const std::string& a_rPath) {
        std::ifstream l_File(a_rPath, std::ios::binary);
        if (!l_File) {
            return false;
        }
        std::string l_Line;
        std::string l_Section;
        bool l_InSection = false;
        for (int l_Number = 1; std::getline(l_File, l_Line); ++l_Number) {
            const std::string l_Text = trim(l_Line);
            if (l_Text.empty() || l_Text[0] == ';' || l_Text[0] == '#') {
                continue;
            }
            if (l_Text[0] == '[') {
                const size_t l_Close = l_Text.find(']');
                l_Section = trim(l_Text.substr(
                    1, l_Close == std::string::npos ? std::string::npos : l_Close - 1));
                l_InSection = true;
                m_Entries.push_back({l_Section, std::string(), std::string(), l_Number});
                continue;
            }
            const size_t l_Equals = l_Text.find('=');
            if (!l_InSection || l_Equals == std::string::npos) {
                continue;
            }
            std::string l_Value = trim(l_Text.substr(l_Equals + 1));
            if (l_Value.size() >= 2 && l_Value.front() == '"' && l_Value.back() == '"') {
                l_Value = l_Value.substr(1, l_Value.size() - 2);
            }
            m_Entries.push_back({l_Section, trim(l_Text.substr(0, l_Equals)), l_Value, l_Number});
        }
        return !l_File.bad();
    }

    const std::vector<tEntry>& entries() const { return m_Entries; }

    // The first line of the section or key, exactly as named; 0 when not there.
    int line(const std::string& a_rSection, const std::string& a_rKey = std::string()) const {
        for (const tEntry& l_rEntry : m_Entries) {
            if (l_rEntry.section == a_rSection && l_rEntry.key == a_rKey) {
                return l_rEntry.line;
            }
        }
        return 0;
    }

    // The entry of a section (a_rKey empty) or key named so, ignoring letter case.
    const tEntry* findIgnoringCase(const std::string& a_rSection, const std::string& a_rKey) const {
        for (const tEntry& l_rEntry : m_Entries) {
            if (sameIgnoringCase(l_rEntry.section, a_rSection) &&
                (a_rKey.empty() ? l_rEntry.key.empty() : sameIgnoringCase(l_rEntry.key, a_rKey))) {
                return &l_rEntry;
            }
        }
        return nullptr;
    }

private:
    std::vector<tEntry> m_Entries;
};

struct tProblem {
    bool error = true;
    int line = 0;
    std::string section;
    std::string key;
    std::string message;
};

struct tFileReport {
    std::string path;
    uint32_t kind = kUnknown;
    std::vector<uint32_t> loadsAs;
    std::string vendor;
    std::string model;
    bool identified = false;
    std::vector<tProblem> problems;

    bool usable() const {
        return kind != kUnknown &&
               std::none_of(problems.begin(), problems.end(),
                            [](const tProblem& a_rProblem) { return a_rProblem.error; });
    }
};

std::string hex4(uint32_t a_Value) {
    char l_Text[16];
    std::snprintf(l_Text, sizeof(l_Text), "%04X", a_Value);
    return l_Text;
}

// A section the libraries read (a pattern, e.g. "DownstreamPort.+") with its keys.
struct tKnownSection {
    std::string section;
    std::string name;  // as shown to the user
    std::vector<std::string> keys;
};

// The checks of one file of a known kind, with the description loaded by its class.
class cFileCheck {
public:
    cFileCheck(const cLineIndex& a_rIndex, const nLib::iPxiDeviceIni& a_rIni,
               tFileReport& a_rReport)
        : m_rIndex(a_rIndex), m_rIni(a_rIni), m_rReport(a_rReport) {}

    void problem(bool a_Error, const std::string& a_rSection, const std::string& a_rKey,
                 const std::string& a_rMessage) {
        int l_Line = m_rIndex.line(a_rSection, a_rKey);
        if (l_Line == 0) {
            l_Line = m_rIndex.line(a_rSection);  // a missing key: its section's line
        }
        m_rReport.problems.push_back({a_Error, l_Line, a_rSection, a_rKey, a_rMessage});
    }

    bool has(const std::string& a_rSection, const std::string& a_rKey) const {
        nLib::tStatusRecord l_Status;
        return m_rIni.hasKey(a_rSection.c_str(), a_rKey.c_str(), &l_Status);
    }

    // The value as the libraries read it; false when the key is not there.
    bool value(const std::string& a_rSection, const std::string& a_rKey,
               std::string& a_rValue) const {
        nLib::tStatusRecord l_Status;
        a_rValue.clear();
        m_rIni.getString(a_rSection.c_str(), a_rKey.c_str(), a_rValue, &l_Status);
        return !l_Status.isError();
    }

    // A key the kind needs: missing is an error; a key of another letter case is named.
    bool require(const std::string& a_rSection, const std::string& a_rKey, std::string& a_rValue,
                 const std::string& a_rWhy = std::string()) {
        if (value(a_rSection, a_rKey, a_rValue)) {
            return true;
        }
        const tEntry* l_pNear = m_rIndex.findIgnoringCase(a_rSection, a_rKey);
        std::string l_Message = "missing (required" + (a_rWhy.empty() ? "" : ": " + a_rWhy) + ")";
        if (l_pNear != nullptr) {
            l_Message += "; line " + std::to_string(l_pNear->line) + " has [" + l_pNear->section +
                         "] " + l_pNear->key +
                         ", which the libraries do not read: names are "
                         "case-sensitive";
            m_Reported.insert(l_pNear->line);
        } else if (m_rIndex.line(a_rSection) == 0 && m_rIndex.findIgnoringCase(a_rSection, "")) {
            l_Message += "; the section is written [" +
                         m_rIndex.findIgnoringCase(a_rSection, "")->section + "]";
        }
        problem(true, a_rSection, a_rKey, l_Message);
        return false;
    }

    // Sections and keys the libraries do not read: names that differ from known ones
    // only by letter case are errors (their values are silently lost), others warnings.
    void unknownNames(const std::vector<tKnownSection>& a_rKnown) {
        std::set<std::string> l_SectionsSeen;
        for (const tEntry& l_rEntry : m_rIndex.entries()) {
            if (m_Reported.count(l_rEntry.line) != 0) {
                continue;
            }
            const tKnownSection* l_pSection = nullptr;
            const tKnownSection* l_pNearSection = nullptr;
            for (const tKnownSection& l_rKnown : a_rKnown) {
                if (std::regex_match(l_rEntry.section, std::regex(l_rKnown.section))) {
                    l_pSection = &l_rKnown;
                } else if (std::regex_match(l_rEntry.section,
                                            std::regex(l_rKnown.section, std::regex::icase))) {
                    l_pNearSection = &l_rKnown;
                }
            }
            if (l_rEntry.key.empty()) {
                if (l_pSection == nullptr && l_SectionsSeen.insert(l_rEntry.section).second) {
                    problem(l_pNearSection != nullptr, l_rEntry.section, std::string(),
                            l_pNearSection != nullptr
                                ? "differs from the section [" + l_pNearSection->name +
                                      "] only by letter case: names are case-sensitive, so the "
                                      "libraries do not read it"
                                : std::string("a section the libraries do not read"));
                }
                continue;
            }
            if (l_pSection == nullptr) {
                continue;  // named once, at the section's line
            }
            bool l_Known = false;
            std::string l_Near;
            for (const std::string& l_rPattern : l_pSection->keys) {
                if (std::regex_match(l_rEntry.key, std::regex(l_rPattern))) {
                    l_Known = true;
                } else if (std::regex_match(l_rEntry.key,
                                            std::regex(l_rPattern, std::regex::icase))) {
                    l_Near = l_rPattern;
                }
            }
            if (l_Known) {
                continue;
            }
            problem(!l_Near.empty(), l_rEntry.section, l_rEntry.key,
                    !l_Near.empty() ? "differs from the key " + l_Near +
                                          " only by letter case: names are case-sensitive, so "
                                          "the libraries do not read it"
                                    : std::string("a key the libraries do not read"));
        }
    }

private:
    const cLineIndex& m_rIndex;
    const nLib::iPxiDeviceIni& m_rIni;
    tFileReport& m_rReport;
    std::set<int> m_Reported;  // lines named already by a missing key
};

const std::vector<tKnownSection>& knownSections(uint32_t a_Kind) {
    static const std::vector<tKnownSection> s_ChassisDriver = {
        {"Chassis", "Chassis", {"Vendor", "Model"}},
        {"RootBusBridges", "RootBusBridges", {"Bridge[0-9]+SubsystemID"}}};
    static const std::vector<tKnownSection> s_Chassis = {
        {"Chassis", "Chassis", {"Vendor", "Model", "TriggerBusList", "StarSystemTimingSetList"}}};
    static const std::vector<tKnownSection> s_Controller = {
        {"Controller",
         "Controller",
         {"Type", "Vendor", "Model", "SMBIOSProduct", "SMBIOSProductExact", "IsUnknownController",
          "GPIBPortSlotPath"}},
        {"Embedded", "Embedded", {"PCISlotPath"}}};
    static const std::vector<tKnownSection> s_Module = {
        {"ModuleId",
         "ModuleId",
         {"Vendor", "Model", "SMBIOSProduct", "SwitchID", "SMBUSVIDPID", "OrderablePartNumber",
          "GPIBPortSlotPath"}},
        {"ModuleParams",
         "ModuleParams",
         {"ModuleStyle", "SMBUSFixedResName", "MaximumLinkWidths", "Integrated", "DownstreamPorts",
          "Labels", "LinkWidthPerLabel"}},
        {"2LinkBusNumbers", "2LinkBusNumbers", {"Link[12]"}},
        {"4LinkBusNumbers", "4LinkBusNumbers", {"Link[1-4]"}},
        {"[24]LinkP2PConnectivity", "2LinkP2PConnectivity", {"Ports", "[0-9A-F]{4}"}},
        {"UpstreamPort", "UpstreamPort", {"TraversalMap"}},
        {"DownstreamPort.+", "DownstreamPort<name>", {"TraversalMap"}}};
    switch (a_Kind) {
        case kChassisDriver:
            return s_ChassisDriver;
        case kChassisStar:
        case kChassisNoStar:
            return s_Chassis;
        case kController:
            return s_Controller;
        default:
            return s_Module;
    }
}

// Two hexadecimal numbers of at most four digits, as "1093:7A10".
const std::regex& bridgePairPattern() {
    static const std::regex s_Pattern("\\s*([0-9A-Fa-f]+)\\s*:\\s*([0-9A-Fa-f]+)\\s*");
    return s_Pattern;
}

void checkChassisDriver(cFileCheck& a_rCheck, const cLineIndex& a_rIndex) {
    std::string l_Value;
    a_rCheck.require("Chassis", "Vendor", l_Value);
    a_rCheck.require("Chassis", "Model", l_Value);
    uint32_t l_Count = 0;
    for (;; ++l_Count) {
        const std::string l_Key = "Bridge" + std::to_string(l_Count + 1) + "SubsystemID";
        if (!a_rCheck.value("RootBusBridges", l_Key, l_Value)) {
            break;
        }
        std::smatch l_Match;
        unsigned l_Vendor = 0, l_Id = 0;
        if (std::sscanf(l_Value.c_str(), "%x:%x", &l_Vendor, &l_Id) != 2) {
            a_rCheck.problem(true, "RootBusBridges", l_Key,
                             "\"" + l_Value +
                                 "\" is not a bridge pair: subsystem vendor ID and subsystem ID, "
                                 "hexadecimal, separated by a colon (like 1093:7A10)");
        } else if (!std::regex_match(l_Value, l_Match, bridgePairPattern())) {
            a_rCheck.problem(
                true, "RootBusBridges", l_Key,
                "\"" + l_Value + "\" is not a bridge pair: text follows the two numbers");
        } else if (l_Match[1].length() > 4 || l_Match[2].length() > 4) {
            a_rCheck.problem(true, "RootBusBridges", l_Key,
                             "\"" + l_Value +
                                 "\" is out of range: PCI IDs have at most four hexadecimal "
                                 "digits (the libraries would use " +
                                 hex4(l_Vendor & 0xFFFF) + ":" + hex4(l_Id & 0xFFFF) + ")");
        }
    }
    if (l_Count == 0) {
        a_rCheck.require("RootBusBridges", "Bridge1SubsystemID", l_Value,
                         "without it no chassis of this model is ever found");
    }
    // Pairs past a gap in the numbers are never read.
    const std::regex l_BridgeKey("Bridge([0-9]+)SubsystemID");
    for (const tEntry& l_rEntry : a_rIndex.entries()) {
        std::smatch l_Match;
        if (l_rEntry.section == "RootBusBridges" &&
            std::regex_match(l_rEntry.key, l_Match, l_BridgeKey) &&
            std::strtoul(l_Match[1].str().c_str(), nullptr, 10) > l_Count) {
            a_rCheck.problem(true, l_rEntry.section, l_rEntry.key,
                             "never read: the pairs are read from Bridge1SubsystemID up to the "
                             "first missing number (Bridge" +
                                 std::to_string(l_Count + 1) + "SubsystemID)");
        }
    }
}

void checkIntList(cFileCheck& a_rCheck, const nLib::iPxiDeviceIni& a_rIni, const char* a_pKey) {
    std::string l_Value;
    if (!a_rCheck.value("Chassis", a_pKey, l_Value)) {
        return;
    }
    std::vector<int32_t> l_Numbers;
    nLib::tStatusRecord l_Status;
    a_rIni.getIntList("Chassis", a_pKey, l_Numbers, &l_Status);
    if (l_Status.isError()) {
        a_rCheck.problem(true, "Chassis", a_pKey,
                         "\"" + l_Value + "\" is not a list of numbers separated by commas");
        return;
    }
    for (int32_t l_Number : l_Numbers) {
        if (l_Number < 0 || l_Number > 31) {
            a_rCheck.problem(true, "Chassis", a_pKey,
                             std::to_string(l_Number) + " is out of range (0 to 31)");
        }
    }
}

void checkChassis(cFileCheck& a_rCheck, const nLib::iPxiDeviceIni& a_rIni) {
    std::string l_Value;
    a_rCheck.require("Chassis", "Vendor", l_Value);
    a_rCheck.require("Chassis", "Model", l_Value);
    a_rCheck.require("Chassis", "TriggerBusList", l_Value);
    checkIntList(a_rCheck, a_rIni, "TriggerBusList");
    checkIntList(a_rCheck, a_rIni, "StarSystemTimingSetList");
}

void checkSlotPath(cFileCheck& a_rCheck, const std::string& a_rSection, const std::string& a_rKey,
                   const std::string& a_rValue) {
    nLib::nQxPxiDriverTools_1_0::cSlotPath l_Path;
    nLib::tStatusRecord l_Status;
    l_Path.parse(a_rValue.c_str(), &l_Status);
    if (l_Status.isError() || a_rValue.empty()) {
        a_rCheck.problem(true, a_rSection, a_rKey,
                         "\"" + a_rValue +
                             "\" is not a PCI slot path (like MR00:08,E0: root bus, then one "
                             "hexadecimal device * 8 + function per bridge)");
    }
}

void checkController(cFileCheck& a_rCheck) {
    std::string l_Value;
    if (a_rCheck.require("Controller", "Type", l_Value) && l_Value != "Embedded") {
        a_rCheck.problem(true, "Controller", "Type",
                         "\"" + l_Value + "\": the libraries read only \"Embedded\" controllers");
    }
    a_rCheck.require("Controller", "Vendor", l_Value);
    a_rCheck.require("Controller", "Model", l_Value);
    if (a_rCheck.require("Embedded", "PCISlotPath", l_Value)) {
        checkSlotPath(a_rCheck, "Embedded", "PCISlotPath", l_Value);
    }
    if (a_rCheck.value("Controller", "IsUnknownController", l_Value) && l_Value != "Yes" &&
        l_Value != "No") {
        a_rCheck.problem(false, "Controller", "IsUnknownController",
                         "\"" + l_Value + "\" is read as No: only \"Yes\" counts");
    }
}

void checkLinkPaths(cFileCheck& a_rCheck) {
    bool l_Any = false;
    std::string l_Value;
    for (const int l_Links : {2, 4}) {
        const std::string l_Section = std::to_string(l_Links) + "LinkBusNumbers";
        bool l_Present = false;
        for (int l_Link = 1; l_Link <= l_Links; ++l_Link) {
            l_Present = l_Present || a_rCheck.has(l_Section, "Link" + std::to_string(l_Link));
        }
        if (!l_Present) {
            continue;
        }
        l_Any = true;
        for (int l_Link = 1; l_Link <= l_Links; ++l_Link) {
            const std::string l_Key = "Link" + std::to_string(l_Link);
            if (!a_rCheck.require(l_Section, l_Key, l_Value)) {
                continue;
            }
            size_t l_Start = 0;
            while (l_Start < l_Value.size()) {
                size_t l_End = l_Value.find(',', l_Start);
                l_End = l_End == std::string::npos ? l_Value.size() : l_End;
                const std::string l_StepText = l_Value.substr(l_Start, l_End - l_Start);
                const nLib::tLinkStep l_Step =
                    nLib::parseLinkStep(l_StepText.c_str(), l_StepText.size());
                std::string l_Wrong;
                if (l_Step.kind == nLib::tLinkStepKind::unknown) {
                    l_Wrong =
                        "is not a step (smbus, pop, push<device*8+function>, "
                        "swid:<vendor>:<device>:<subsystem vendor>:<subsystem>)";
                } else if (l_Step.kind == nLib::tLinkStepKind::swid && !l_Step.hasValue) {
                    l_Wrong = "needs four hexadecimal IDs: swid:VVVV:DDDD:SSSS:IIII";
                } else if (l_Step.kind == nLib::tLinkStepKind::push && l_Step.hasValue &&
                           l_Step.devFn > 0xFF) {
                    l_Wrong = "is out of range: device * 8 + function is at most FF";
                }
                if (!l_Wrong.empty()) {
                    a_rCheck.problem(true, l_Section, l_Key,
                                     "step \"" + l_StepText + "\" " + l_Wrong);
                }
                l_Start = l_End + 1;
            }
        }
    }
    if (!l_Any) {
        a_rCheck.require("2LinkBusNumbers", "Link1", l_Value,
                         "the links of the module are found through [2LinkBusNumbers] and "
                         "[4LinkBusNumbers]");
    }
}

void checkP2P(cFileCheck& a_rCheck) {
    std::string l_Value;
    for (const int l_Links : {2, 4}) {
        const std::string l_Section = std::to_string(l_Links) + "LinkP2PConnectivity";
        if (!a_rCheck.has(l_Section, "Ports")) {
            continue;
        }
        a_rCheck.value(l_Section, "Ports", l_Value);
        std::vector<uint32_t> l_Ports;
        nLib::parseHexList(l_Value, l_Ports);
        const std::set<uint32_t> l_Known(l_Ports.begin(), l_Ports.end());
        for (const uint32_t l_Port : l_Ports) {
            const std::string l_Key = hex4(l_Port);
            if (!a_rCheck.require(l_Section, l_Key, l_Value, "a port listed in Ports")) {
                continue;
            }
            std::vector<uint32_t> l_Targets;
            nLib::parseHexList(l_Value, l_Targets);
            for (const uint32_t l_Target : l_Targets) {
                if (l_Known.count(l_Target) == 0) {
                    a_rCheck.problem(true, l_Section, l_Key,
                                     "port " + hex4(l_Target) + " is not one of Ports");
                }
            }
        }
    }
}

void checkModule(cFileCheck& a_rCheck, uint32_t a_Kind) {
    std::string l_Value;
    if (a_rCheck.require("ModuleParams", "ModuleStyle", l_Value) && l_Value != "Embedded" &&
        l_Value != "Remote") {
        a_rCheck.problem(true, "ModuleParams", "ModuleStyle",
                         "\"" + l_Value + "\" is neither \"Embedded\" nor \"Remote\"");
    }
    a_rCheck.require("ModuleId", "Vendor", l_Value);
    a_rCheck.require("ModuleId", "Model", l_Value);
    if (a_rCheck.value("ModuleId", "SwitchID", l_Value)) {
        nLib::tPciBridgeIds l_Ids;
        if (nLib::parsePciBridgeIds(l_Value.c_str(), l_Ids) != 4) {
            a_rCheck.problem(true, "ModuleId", "SwitchID",
                             "\"" + l_Value +
                                 "\" is not four hexadecimal IDs (vendor:device:subsystem "
                                 "vendor:subsystem)");
        }
        a_rCheck.require("ModuleParams", "SMBUSFixedResName", l_Value,
                         "a module found by its switch reaches its chassis through this adapter");
    } else if (a_rCheck.require("ModuleId", "SMBUSVIDPID", l_Value,
                                "without SwitchID the module is found by its SMBus adapter")) {
        uint32_t l_Number = 0;
        if (!nLib::parseHexNumber(l_Value.c_str(), l_Number)) {
            a_rCheck.problem(
                true, "ModuleId", "SMBUSVIDPID",
                "\"" + l_Value + "\" is not a hexadecimal number (vendor ID, then product ID)");
        }
    }
    if (a_rCheck.require("ModuleParams", "MaximumLinkWidths", l_Value)) {
        int32_t l_Widths[6] = {};
        if (nLib::parseDecimalList(l_Value.c_str(), l_Widths, 6) != 6) {
            a_rCheck.problem(true, "ModuleParams", "MaximumLinkWidths",
                             "\"" + l_Value + "\" is not six numbers separated by commas");
        } else {
            for (const int32_t l_Width : l_Widths) {
                if (l_Width != 0 && l_Width != 1 && l_Width != 2 && l_Width != 4 && l_Width != 8 &&
                    l_Width != 12 && l_Width != 16 && l_Width != 32) {
                    a_rCheck.problem(true, "ModuleParams", "MaximumLinkWidths",
                                     std::to_string(l_Width) +
                                         " is out of range: a PCI Express link is 1, 2, 4, 8, "
                                         "12, 16 or 32 lanes wide (0: none)");
                }
            }
        }
    }
    checkLinkPaths(a_rCheck);
    checkP2P(a_rCheck);
    if (a_Kind != kRemoteModule) {
        return;
    }
    a_rCheck.require("UpstreamPort", "TraversalMap", l_Value);
    if (a_rCheck.value("ModuleParams", "Integrated", l_Value) && l_Value != "Yes" &&
        l_Value != "No") {
        a_rCheck.problem(true, "ModuleParams", "Integrated",
                         "\"" + l_Value + "\" is neither \"Yes\" nor \"No\"");
    }
    if (a_rCheck.value("ModuleParams", "DownstreamPorts", l_Value)) {
        size_t l_Start = 0;
        while (l_Start <= l_Value.size()) {
            size_t l_End = l_Value.find(',', l_Start);
            l_End = l_End == std::string::npos ? l_Value.size() : l_End;
            const std::string l_Port = l_Value.substr(l_Start, l_End - l_Start);
            if (!l_Port.empty()) {
                std::string l_Map;
                a_rCheck.require("DownstreamPort" + l_Port, "TraversalMap", l_Map,
                                 "port " + l_Port + " of DownstreamPorts");
            }
            l_Start = l_End + 1;
        }
        a_rCheck.require("ModuleParams", "Labels", l_Value, "with DownstreamPorts");
    }
    if (a_rCheck.value("ModuleParams", "LinkWidthPerLabel", l_Value)) {
        const std::string l_Width = trim(l_Value);
        if (l_Width != "1" && l_Width != "4" && l_Width != "8" && l_Width != "16") {
            a_rCheck.problem(true, "ModuleParams", "LinkWidthPerLabel",
                             "\"" + l_Value + "\" is out of range: 1, 4, 8 or 16");
        }
    }
}

// The kind a file is meant to be, from its sections (of any letter case, so that a
// misspelt name is still checked as the kind it was meant for) and its directory.
uint32_t intendedKind(const cLineIndex& a_rIndex, const std::string& a_rPath) {
    const auto l_Has = [&](const char* a_pSection, const char* a_pKey) {
        return a_rIndex.findIgnoringCase(a_pSection, a_pKey) != nullptr;
    };
    const size_t l_Slash = a_rPath.rfind('/');
    const std::string l_Dir =
        l_Slash == std::string::npos ? std::string() : a_rPath.substr(0, l_Slash);
    const std::string l_DirName = l_Dir.substr(l_Dir.rfind('/') + 1);
    if (l_Has("Controller", "")) {
        return kController;
    }
    if (l_Has("ModuleParams", "") || l_Has("ModuleId", "")) {
        const tEntry* l_pStyle = a_rIndex.findIgnoringCase("ModuleParams", "ModuleStyle");
        return l_pStyle != nullptr && sameIgnoringCase(l_pStyle->value, "Remote") ? kRemoteModule
                                                                                  : kEmbeddedModule;
    }
    if (l_Has("RootBusBridges", "") || l_DirName == "pxiechassis") {
        return kChassisDriver;
    }
    if (l_Has("Chassis", "")) {
        if (!l_Has("Chassis", "TriggerBusList") && l_DirName != "chassis") {
            return kChassisDriver;
        }
        return l_Has("Chassis", "StarSystemTimingSetList") ? kChassisStar : kChassisNoStar;
    }
    return kUnknown;
}

// Loads the file with the class of a kind, as the database does; the status of the load.
std::unique_ptr<nLib::iPxiDeviceIni> loadAs(uint32_t a_Kind, const std::string& a_rPath,
                                            nLib::tStatusRecord& a_rStatus) {
    std::unique_ptr<nLib::iPxiDeviceIni> l_pIni;
    switch (a_Kind) {
        case kController:
            l_pIni = std::make_unique<nLib::cPxi1EmbeddedControllerIni>();
            break;
        case kChassisDriver:
            l_pIni = std::make_unique<nLib::cPxieChassisDriverDescIni>();
            break;
        case kEmbeddedModule:
            l_pIni = std::make_unique<nLib::cPxieEmbeddedControllerIni>();
            break;
        case kRemoteModule:
            l_pIni = std::make_unique<nLib::cPxieRemoteControllerIni>();
            break;
        default:
            l_pIni = std::make_unique<nLib::cChassisDescIni>();
            break;
    }
    l_pIni->open(a_rPath.c_str(), 0, &a_rStatus);
    if (a_Kind == kChassisStar || a_Kind == kChassisNoStar) {
        static_cast<const nLib::cChassisDescIni&>(*l_pIni).checkKind(a_Kind, &a_rStatus);
    }
    return l_pIni;
}

tFileReport checkFile(const std::string& a_rPath) {
    tFileReport l_Report;
    l_Report.path = a_rPath;
    cLineIndex l_Index;
    if (!l_Index.read(a_rPath)) {
        l_Report.problems.push_back({true, 0, std::string(), std::string(),
                                     std::string("cannot be read: ") + std::strerror(errno)});
        return l_Report;
    }
    for (const uint32_t l_Kind : {kController, kChassisDriver, kEmbeddedModule, kRemoteModule,
                                  kChassisStar, kChassisNoStar}) {
        nLib::tStatusRecord l_Status;
        loadAs(l_Kind, a_rPath, l_Status);
        if (!l_Status.isError()) {
            l_Report.loadsAs.push_back(l_Kind);
        }
    }
    l_Report.kind = intendedKind(l_Index, a_rPath);
    if (l_Report.kind == kUnknown) {
        l_Report.problems.push_back(
            {true, 0, std::string(), std::string(),
             "not a description: it has none of the sections [Chassis], [Controller], "
             "[ModuleId] and [ModuleParams]"});
        return l_Report;
    }
    nLib::tStatusRecord l_LoadStatus;
    const std::unique_ptr<nLib::iPxiDeviceIni> l_pIni =
        loadAs(l_Report.kind, a_rPath, l_LoadStatus);
    cFileCheck l_Check(l_Index, *l_pIni, l_Report);
    switch (l_Report.kind) {
        case kChassisDriver:
            checkChassisDriver(l_Check, l_Index);
            break;
        case kChassisStar:
        case kChassisNoStar:
            checkChassis(l_Check, *l_pIni);
            break;
        case kController:
            checkController(l_Check);
            break;
        default:
            checkModule(l_Check, l_Report.kind);
            break;
    }
    l_Check.unknownNames(knownSections(l_Report.kind));
    if (l_LoadStatus.isError()) {
        if (l_Report.usable()) {
            // Refused for a reason the checks above do not name.
            l_Report.problems.push_back({true, 0, std::string(), std::string(),
                                         "the libraries refuse it as a " +
                                             std::string(kindName(l_Report.kind)) + " (status " +
                                             std::to_string(l_LoadStatus.code) + ")"});
        }
    } else {
        nLib::tStatusRecord l_Status;
        l_pIni->getVendor(l_Report.vendor, &l_Status);
        l_pIni->getModel(l_Report.model, &l_Status);
        l_Report.identified = !l_Status.isError();
    }
    std::stable_sort(
        l_Report.problems.begin(), l_Report.problems.end(),
        [](const tProblem& a_rA, const tProblem& a_rB) { return a_rA.line < a_rB.line; });
    return l_Report;
}

// The files a path names: itself, or the "*.ini" files of a directory in name order,
// as the libraries scan their directories.
std::vector<std::string> filesOf(const std::string& a_rPath,
                                 std::vector<tFileReport>& a_rUnreadable) {
    struct stat l_Stat {};
    if (stat(a_rPath.c_str(), &l_Stat) != 0) {
        tFileReport l_Report;
        l_Report.path = a_rPath;
        l_Report.problems.push_back({true, 0, std::string(), std::string(),
                                     std::string("cannot be read: ") + std::strerror(errno)});
        a_rUnreadable.push_back(l_Report);
        return {};
    }
    if (S_ISREG(l_Stat.st_mode)) {
        return {a_rPath};
    }
    if (!S_ISDIR(l_Stat.st_mode)) {
        // A device or a pipe could block the reading or never end.
        tFileReport l_Report;
        l_Report.path = a_rPath;
        l_Report.problems.push_back({true, 0, std::string(), std::string(),
                                     "not a regular file: the libraries read only regular files"});
        a_rUnreadable.push_back(l_Report);
        return {};
    }
    std::vector<std::string> l_Files;
    DIR* l_pDir = opendir(a_rPath.c_str());
    if (l_pDir == nullptr) {
        tFileReport l_Report;
        l_Report.path = a_rPath;
        l_Report.problems.push_back({true, 0, std::string(), std::string(),
                                     std::string("cannot be read: ") + std::strerror(errno)});
        a_rUnreadable.push_back(l_Report);
        return {};
    }
    const std::string l_Dir = a_rPath.back() == '/' ? a_rPath : a_rPath + "/";
    while (const dirent* l_pEntry = readdir(l_pDir)) {
        const std::string l_Name = l_pEntry->d_name;
        struct stat l_Entry {};
        if (l_Name.size() > 4 && l_Name.compare(l_Name.size() - 4, 4, ".ini") == 0 &&
            stat((l_Dir + l_Name).c_str(), &l_Entry) == 0 && S_ISREG(l_Entry.st_mode)) {
            l_Files.push_back(l_Dir + l_Name);
        }
    }
    closedir(l_pDir);
    std::sort(l_Files.begin(), l_Files.end());
    return l_Files;
}

// "line 8: [RootBusBridges] Bridge1SubsystemID: ..." (line and names where known).
std::string problemText(const tProblem& a_rProblem) {
    std::string l_Text = a_rProblem.error ? "" : "warning: ";
    if (a_rProblem.line > 0) {
        l_Text += "line " + std::to_string(a_rProblem.line) + ": ";
    }
    if (!a_rProblem.section.empty()) {
        l_Text += "[" + a_rProblem.section + "]" +
                  (a_rProblem.key.empty() ? std::string() : " " + a_rProblem.key) + ": ";
    }
    return l_Text + a_rProblem.message;
}

tJson problemJson(const tProblem& a_rProblem) {
    tJson l_Out;
    l_Out["severity"] = a_rProblem.error ? "error" : "warning";
    l_Out["line"] = a_rProblem.line > 0 ? tJson(a_rProblem.line) : tJson(nullptr);
    l_Out["section"] = a_rProblem.section.empty() ? tJson(nullptr) : tJson(a_rProblem.section);
    l_Out["key"] = a_rProblem.key.empty() ? tJson(nullptr) : tJson(a_rProblem.key);
    l_Out["message"] = a_rProblem.message;
    return l_Out;
}

}  // namespace

tCheckOutput checkDescriptions(const std::vector<std::string>& a_rPaths, bool a_Json) {
    std::vector<tFileReport> l_Reports;
    for (const std::string& l_rPath : a_rPaths) {
        std::vector<tFileReport> l_Unreadable;
        for (const std::string& l_rFile : filesOf(l_rPath, l_Unreadable)) {
            l_Reports.push_back(checkFile(l_rFile));
        }
        l_Reports.insert(l_Reports.end(), l_Unreadable.begin(), l_Unreadable.end());
    }
    // An identity is used once per directory of the database: the first file in name
    // order wins and the others are never read.
    std::map<std::tuple<uint32_t, std::string, std::string>, std::string> l_First;
    for (tFileReport& l_rReport : l_Reports) {
        if (!l_rReport.identified) {
            continue;
        }
        const auto l_Known = l_First.emplace(
            std::make_tuple(directoryGroup(l_rReport.kind), l_rReport.vendor, l_rReport.model),
            l_rReport.path);
        if (!l_Known.second) {
            l_rReport.problems.push_back(
                {true, 0, std::string(), std::string(),
                 "duplicate identity: \"" + l_rReport.vendor + " " + l_rReport.model +
                     "\" is described already by " + l_Known.first->second +
                     "; in one directory the libraries use the first file in name order and "
                     "never read the others"});
        }
    }

    size_t l_Usable = 0;
    tJson l_Files = tJson::array();
    std::string l_Text;
    for (const tFileReport& l_rReport : l_Reports) {
        const bool l_IsUsable = l_rReport.usable();
        l_Usable += l_IsUsable ? 1 : 0;
        tJson l_File;
        l_File["file"] = l_rReport.path;
        l_File["kind"] =
            l_rReport.kind == kUnknown ? tJson(nullptr) : tJson(kindName(l_rReport.kind));
        l_File["kindNumber"] = l_rReport.kind;
        l_File["loadsAs"] = tJson::array();
        for (const uint32_t l_Kind : l_rReport.loadsAs) {
            l_File["loadsAs"].push_back(kindName(l_Kind));
        }
        l_File["vendor"] = l_rReport.identified ? tJson(l_rReport.vendor) : tJson(nullptr);
        l_File["model"] = l_rReport.identified ? tJson(l_rReport.model) : tJson(nullptr);
        l_File["usable"] = l_IsUsable;
        l_File["problems"] = tJson::array();
        l_Text += l_rReport.path + ": " + kindName(l_rReport.kind);
        if (l_rReport.identified) {
            l_Text += " \"" + l_rReport.vendor + " " + l_rReport.model + "\"";
        }
        l_Text += l_IsUsable ? ": usable\n" : ": NOT usable\n";
        for (const tProblem& l_rProblem : l_rReport.problems) {
            l_File["problems"].push_back(problemJson(l_rProblem));
            l_Text += "  " + l_rReport.path + ":" +
                      (l_rProblem.line > 0 ? std::to_string(l_rProblem.line) + ": " : " ") +
                      problemText(tProblem{l_rProblem.error, 0, l_rProblem.section, l_rProblem.key,
                                           l_rProblem.message}) +
                      "\n";
        }
        l_Files.push_back(l_File);
    }
    tCheckOutput l_Out;
    l_Out.status = l_Usable == l_Reports.size() && !l_Reports.empty() ? 0 : 1;
    if (a_Json) {
        tJson l_Doc;
        l_Doc["schema"] = "pxi-inventory-check/1";
        l_Doc["files"] = l_Files;
        l_Doc["usable"] = l_Usable;
        l_Doc["notUsable"] = l_Reports.size() - l_Usable;
        l_Doc["exitStatus"] = l_Out.status;
        l_Out.text = l_Doc.dump(2, ' ', false, tJson::error_handler_t::replace) + "\n";
        return l_Out;
    }
    l_Text += std::to_string(l_Reports.size()) +
              " description file(s) checked: " + std::to_string(l_Usable) + " usable, " +
              std::to_string(l_Reports.size() - l_Usable) + " not usable.\n";
    l_Out.text = l_Text;
    return l_Out;
}

}  // namespace nQxPxiInventory
