// The inventory document drawn as a tree, in the manner of lspci -tv.
#pragma once

#include <string>

#include "tools/pxi-inventory/inventory.h"

namespace nQxPxiInventory {

std::string renderTree(const tJson& a_rDocument, bool a_Verbose);

}  // namespace nQxPxiInventory
