// The inventory document as a Graphviz graph: the controller, the system modules with
// their links, the chassis with their PCI root buses, and the peer-to-peer routes between
// an embedded module's ports (pxi-inventory --dot | dot -Tsvg).
#pragma once

#include <string>

#include "tools/pxi-inventory/inventory.h"

namespace nQxPxiInventory {

std::string renderDot(const tJson& a_rDocument);

}  // namespace nQxPxiInventory
