// The inventory: every question the tool asks the four libraries, with every answer and
// every failure, gathered into one JSON document (docs/inventory-json.md). The tree, the
// views and the Graphviz graph are rendered from the same document.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tools/pxi-inventory/launch.h"
#include "tools/pxi-inventory/options.h"

namespace nQxPxiInventory {

using tJson = nlohmann::ordered_json;

// How the run is simulated: the stand-ins' directory and the machine file they serve;
// both empty on real services.
struct tSimulation {
    std::string standIns;
    std::string machine;
    // Whose SMBIOS dump the libraries were given at its path (empty: this computer's),
    // or why another machine's could not be given.
    std::string smbiosOf;
    std::string smbiosProblem;
};

// Loads the libraries (for the inventory; the views ask the platform services only),
// asks them everything and unloads them again. Never throws out of a library call;
// "exitStatus" in the result is 0 when every call answered, else 1. A --chassis or
// --module that names nothing stops the collection: "unknownFilter" then holds the
// message, to be reported instead of the document.
tJson collectInventory(const tOptions& a_rOptions, const tLayout& a_rLayout,
                       const tSimulation& a_rSimulation);

}  // namespace nQxPxiInventory
