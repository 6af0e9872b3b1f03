// The inventory: every question the tool asks the four libraries, with every answer and
// every failure, gathered into one JSON document (docs/inventory-json.md). The tree view
// is rendered from the same document.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tools/pxi-inventory/launch.h"

namespace nQxPxiInventory {

using tJson = nlohmann::ordered_json;

struct tOptions {
    bool json = false;
    bool verbose = false;
};

// Loads the libraries, asks them everything and unloads them again. Never throws out of
// a library call; "exitStatus" in the result is 0 when every call answered, else 1.
tJson collectInventory(const tOptions& a_rOptions, const tLayout& a_rLayout);

}  // namespace nQxPxiInventory
