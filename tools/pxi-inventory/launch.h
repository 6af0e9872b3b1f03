// Where the tool finds the libraries, the stand-in services and the example machine; the
// switch onto the stand-ins when a simulation is asked for; and which platform services
// the loader finds.
#pragma once

#include <string>
#include <vector>

namespace nQxPxiInventory {

struct tLayout {
    bool buildTree = false;      // running from <build>/tools, not from an installation
    std::string libDir;          // the four libraries beside the tool
    std::string servicesDir;     // the stand-in services
    std::string exampleMachine;  // the bundled example machine file
};

// Derived from the tool's own location (/proc/self/exe); paths resolved.
tLayout findLayout();

// Set in the environment of the re-executed tool: the stand-ins' directory.
constexpr const char* kStandInsEnv = "QXPXI_INVENTORY_STANDINS";
constexpr const char* kMachineEnv = "QXPXI_SIM_MACHINE";

// The four platform services, by the file names the libraries bind.
extern const char* const kServiceFiles[4];
constexpr const char* kPciBridgeServiceFile = "libqxpcibrd.so.1";

// The service files the loader's normal search does not find, each with the loader's
// message.
std::vector<std::pair<std::string, std::string>> missingServices();

// Re-executes the tool with LD_LIBRARY_PATH pointing at the stand-ins (and at the
// libraries) and QXPXI_SIM_MACHINE naming a_rMachine. Returns only when that failed (or
// when the tool already is the re-executed one, with an empty message); a_rError then
// says why.
void switchToStandIns(const tLayout& a_rLayout, const std::string& a_rMachine, char** a_ppArgv,
                      std::string& a_rError);

// The directory of the stand-in services when the PCI bridge service the loader finds is
// one of them (the tool switched, or LD_LIBRARY_PATH points at them); else empty.
std::string standInServicesInUse(const tLayout& a_rLayout);

// realpath(), or the path unchanged when it cannot be resolved.
std::string resolvedPath(const std::string& a_rPath);

}  // namespace nQxPxiInventory
