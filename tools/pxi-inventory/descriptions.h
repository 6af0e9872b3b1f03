// The description files the tool lists identities from. The libraries keep their
// database to themselves, so the tool resolves the description directories as they do
// (the relocation service, else the built-in defaults) and reads the files with a small
// INI reader of its own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace nQxPxiInventory {

// Sections of one INI file: section -> key -> value (first occurrence wins). Comments
// start with ';' or '#'; blanks around names and values and one pair of quotes around a
// value are dropped.
using tIniSections = std::map<std::string, std::map<std::string, std::string>>;
bool readIni(const std::string& a_rPath, tIniSections& a_rSections);
// The value, or nullptr.
const std::string* iniValue(const tIniSections& a_rSections, const std::string& a_rSection,
                            const std::string& a_rKey);

struct tDirectories {
    std::string libdir;
    std::string datadir;
    int32_t libdirStatus = 0;  // the relocation service's negative answer, if any
    int32_t datadirStatus = 0;
    bool relocated = false;  // the relocation service was bound
    std::string chassisDrivers() const { return libdir + "/qxpxihw/pxiechassis/"; }
    std::string systemModules() const { return libdir + "/qxpxihw/pxiesysmodules/"; }
    std::string controllers() const {
        return datadir + "/qxpxi/hardware_descriptions/controllers/";
    }
};

// Asks libqxrelocations.so.0 for "libdir" and "datadir" (resolved to real paths);
// defaults /usr/lib, /usr/share.
tDirectories resolveDirectories();

struct tDescription {
    std::string vendor;
    std::string model;
    std::string path;
    std::string style;  // system modules: "embedded", "remote" (chassis drivers: empty)
    tIniSections sections;
};

// The "*.ini" files of a directory in name order, one per identity (the first file of
// an identity wins, as in the libraries' database). Chassis drivers are identified by
// [Chassis] Vendor and Model, system modules by [ModuleId] Vendor and Model with
// [ModuleParams] ModuleStyle "Embedded" or "Remote"; other files are skipped.
// Files found but not used are listed in a_rSkipped with the reason.
struct tSkipped {
    std::string path;
    std::string reason;
};
std::vector<tDescription> scanChassisDrivers(const std::string& a_rDir,
                                             std::vector<tSkipped>& a_rSkipped);
std::vector<tDescription> scanSystemModules(const std::string& a_rDir,
                                            std::vector<tSkipped>& a_rSkipped);
// PXI embedded controller descriptions: [Controller] Vendor and Model.
std::vector<tDescription> scanControllers(const std::string& a_rDir,
                                          std::vector<tSkipped>& a_rSkipped);

// [RootBusBridges] Bridge<n>SubsystemID counted from 1 until the first missing key.
uint32_t rootBusLevels(const tDescription& a_rDescription);

// The port keys of [<links>LinkP2PConnectivity] Ports ("0200,0208"): bus * 256 + devfn.
std::vector<uint32_t> descriptionPorts(const tDescription& a_rDescription, int32_t a_LinkCount);

}  // namespace nQxPxiInventory
