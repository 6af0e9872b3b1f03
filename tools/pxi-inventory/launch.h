// Where the tool finds the libraries, the stand-in services and the example machine, and
// the switch onto the stand-ins when no outside platform services are installed.
#pragma once

#include <string>

namespace nQxPxiInventory {

struct tLayout {
    bool buildTree = false;      // running from <build>/tools, not from an installation
    std::string libDir;          // the four libraries beside the tool
    std::string servicesDir;     // the stand-in services
    std::string exampleMachine;  // the bundled example machine file
};

// Derived from the tool's own location (/proc/self/exe).
tLayout findLayout();

// Set in the environment of the re-executed tool: the stand-ins' directory.
constexpr const char* kStandInsEnv = "QXPXI_INVENTORY_STANDINS";
constexpr const char* kMachineEnv = "QXPXI_SIM_MACHINE";

// When the PCI bridge service cannot be found by the loader's normal search and the
// stand-ins exist, re-executes the tool with LD_LIBRARY_PATH pointing at them (and at the
// libraries) and QXPXI_SIM_MACHINE naming the example machine unless one is named
// already. Returns only when no re-execution took place.
void switchToStandInsIfNeeded(const tLayout& a_rLayout, char** a_ppArgv);

}  // namespace nQxPxiInventory
