#include "tools/pxi-inventory/descriptions.h"

#include <dlfcn.h>
#include <glob.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace nQxPxiInventory {

namespace {

std::string trim(const std::string& a_rText) {
    const char* const l_pBlanks = " \t\r\n";
    const size_t l_First = a_rText.find_first_not_of(l_pBlanks);
    if (l_First == std::string::npos) {
        return std::string();
    }
    const size_t l_Last = a_rText.find_last_not_of(l_pBlanks);
    return a_rText.substr(l_First, l_Last - l_First + 1);
}

std::vector<std::string> iniFiles(const std::string& a_rDir) {
    std::vector<std::string> l_Files;
    const std::string l_Pattern = a_rDir + "*.ini";
    glob_t l_Glob{};
    if (glob(l_Pattern.c_str(), 0, nullptr, &l_Glob) == 0) {
        for (size_t l_Index = 0; l_Index < l_Glob.gl_pathc; ++l_Index) {
            l_Files.emplace_back(l_Glob.gl_pathv[l_Index]);
        }
    }
    globfree(&l_Glob);
    return l_Files;
}

// Empty when the description is usable, else why not.
using tIdentityCheck = std::string (*)(tDescription&);

std::vector<tDescription> scan(const std::string& a_rDir, const char* a_pSection,
                               tIdentityCheck a_Check, std::vector<tSkipped>& a_rSkipped) {
    std::vector<tDescription> l_Found;
    std::map<std::pair<std::string, std::string>, std::string> l_Seen;
    for (const std::string& l_rPath : iniFiles(a_rDir)) {
        tDescription l_Description;
        l_Description.path = l_rPath;
        if (!readIni(l_rPath, l_Description.sections)) {
            a_rSkipped.push_back({l_rPath, "cannot be read"});
            continue;
        }
        const std::string* l_pVendor = iniValue(l_Description.sections, a_pSection, "Vendor");
        const std::string* l_pModel = iniValue(l_Description.sections, a_pSection, "Model");
        if (l_pVendor == nullptr || l_pModel == nullptr) {
            a_rSkipped.push_back({l_rPath, std::string("no [") + a_pSection + "] " +
                                               (l_pVendor == nullptr ? "Vendor" : "Model")});
            continue;
        }
        l_Description.vendor = *l_pVendor;
        l_Description.model = *l_pModel;
        const std::string l_Problem = a_Check(l_Description);
        if (!l_Problem.empty()) {
            a_rSkipped.push_back({l_rPath, l_Problem});
            continue;
        }
        const auto l_Known =
            l_Seen.emplace(std::make_pair(l_Description.vendor, l_Description.model), l_rPath);
        if (!l_Known.second) {
            // The first file of an identity, in name order, wins.
            a_rSkipped.push_back({l_rPath, "\"" + l_Description.vendor + " " + l_Description.model +
                                               "\" is described already by " +
                                               l_Known.first->second});
            continue;
        }
        l_Found.push_back(std::move(l_Description));
    }
    std::sort(l_Found.begin(), l_Found.end(),
              [](const tDescription& a_rA, const tDescription& a_rB) {
                  return std::tie(a_rA.vendor, a_rA.model) < std::tie(a_rB.vendor, a_rB.model);
              });
    return l_Found;
}

}  // namespace

bool readIni(const std::string& a_rPath, tIniSections& a_rSections) {
    std::ifstream l_File(a_rPath);
    if (!l_File) {
        return false;
    }
    std::string l_Line;
    std::string l_Section;
    while (std::getline(l_File, l_Line)) {
        const std::string l_Text = trim(l_Line);
        if (l_Text.empty() || l_Text[0] == ';' || l_Text[0] == '#') {
            continue;
        }
        if (l_Text[0] == '[') {
            const size_t l_Close = l_Text.find(']');
            if (l_Close != std::string::npos) {
                l_Section = trim(l_Text.substr(1, l_Close - 1));
                a_rSections[l_Section];
            }
            continue;
        }
        const size_t l_Equals = l_Text.find('=');
        if (l_Equals == std::string::npos) {
            continue;
        }
        std::string l_Value = trim(l_Text.substr(l_Equals + 1));
        if (l_Value.size() >= 2 && l_Value.front() == '"' && l_Value.back() == '"') {
            l_Value = l_Value.substr(1, l_Value.size() - 2);
        }
        a_rSections[l_Section].emplace(trim(l_Text.substr(0, l_Equals)), l_Value);
    }
    return !l_File.bad();
}

const std::string* iniValue(const tIniSections& a_rSections, const std::string& a_rSection,
                            const std::string& a_rKey) {
    const auto l_Section = a_rSections.find(a_rSection);
    if (l_Section == a_rSections.end()) {
        return nullptr;
    }
    const auto l_Key = l_Section->second.find(a_rKey);
    return l_Key == l_Section->second.end() ? nullptr : &l_Key->second;
}

tDirectories resolveDirectories() {
    tDirectories l_Dirs;
    l_Dirs.libdir = "/usr/lib";
    l_Dirs.datadir = "/usr/share";
    void* l_pHandle = dlopen("libqxrelocations.so.0", RTLD_NOW | RTLD_LOCAL);
    if (l_pHandle == nullptr) {
        return l_Dirs;  // no relocation service: the defaults hold
    }
    using tGet = int(const char*, char*, size_t);
    tGet* l_pGet = reinterpret_cast<tGet*>(dlsym(l_pHandle, "get_relocated_dir"));
    if (l_pGet != nullptr) {
        l_Dirs.relocated = true;
        const std::pair<const char*, std::pair<std::string*, int32_t*>> l_Names[] = {
            {"libdir", {&l_Dirs.libdir, &l_Dirs.libdirStatus}},
            {"datadir", {&l_Dirs.datadir, &l_Dirs.datadirStatus}}};
        for (const auto& l_rName : l_Names) {
            char l_Buffer[255] = {};
            const int l_Result = l_pGet(l_rName.first, l_Buffer, sizeof(l_Buffer));
            if (l_Result > 0) {
                l_Buffer[sizeof(l_Buffer) - 1] = '\0';
                char l_Resolved[PATH_MAX];
                *l_rName.second.first =
                    realpath(l_Buffer, l_Resolved) != nullptr ? l_Resolved : l_Buffer;
            } else if (l_Result < 0) {
                *l_rName.second.second = l_Result;
            }
        }
    }
    dlclose(l_pHandle);
    return l_Dirs;
}

std::vector<tDescription> scanChassisDrivers(const std::string& a_rDir,
                                             std::vector<tSkipped>& a_rSkipped) {
    return scan(
        a_rDir, "Chassis", [](tDescription&) { return std::string(); }, a_rSkipped);
}

std::vector<tDescription> scanControllers(const std::string& a_rDir,
                                          std::vector<tSkipped>& a_rSkipped) {
    return scan(
        a_rDir, "Controller", [](tDescription&) { return std::string(); }, a_rSkipped);
}

std::vector<tDescription> scanSystemModules(const std::string& a_rDir,
                                            std::vector<tSkipped>& a_rSkipped) {
    return scan(
        a_rDir, "ModuleId",
        [](tDescription& a_rDescription) {
            const std::string* l_pStyle =
                iniValue(a_rDescription.sections, "ModuleParams", "ModuleStyle");
            if (l_pStyle == nullptr) {
                return std::string("no [ModuleParams] ModuleStyle");
            }
            if (*l_pStyle == "Embedded") {
                a_rDescription.style = "embedded";
            } else if (*l_pStyle == "Remote") {
                a_rDescription.style = "remote";
            } else {
                return "[ModuleParams] ModuleStyle is \"" + *l_pStyle +
                       "\", neither \"Embedded\" nor \"Remote\"";
            }
            return std::string();
        },
        a_rSkipped);
}

uint32_t rootBusLevels(const tDescription& a_rDescription) {
    uint32_t l_Levels = 0;
    while (iniValue(a_rDescription.sections, "RootBusBridges",
                    "Bridge" + std::to_string(l_Levels + 1) + "SubsystemID") != nullptr) {
        ++l_Levels;
    }
    return l_Levels;
}

std::vector<uint32_t> descriptionPorts(const tDescription& a_rDescription, int32_t a_LinkCount) {
    std::vector<uint32_t> l_Ports;
    const std::string* l_pPorts = iniValue(
        a_rDescription.sections, std::to_string(a_LinkCount) + "LinkP2PConnectivity", "Ports");
    if (l_pPorts == nullptr) {
        return l_Ports;
    }
    size_t l_Start = 0;
    while (l_Start <= l_pPorts->size()) {
        size_t l_End = l_pPorts->find(',', l_Start);
        if (l_End == std::string::npos) {
            l_End = l_pPorts->size();
        }
        const std::string l_Piece = trim(l_pPorts->substr(l_Start, l_End - l_Start));
        char* l_pRest = nullptr;
        const unsigned long l_Key = std::strtoul(l_Piece.c_str(), &l_pRest, 16);
        if (!l_Piece.empty() && *l_pRest == '\0' && l_Key <= 0xFFFF) {
            l_Ports.push_back(static_cast<uint32_t>(l_Key));
        }
        l_Start = l_End + 1;
    }
    return l_Ports;
}

}  // namespace nQxPxiInventory
