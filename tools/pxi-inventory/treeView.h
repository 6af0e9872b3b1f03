// The inventory document drawn as text: the tree in the manner of lspci -tv, and the
// views of the PCI bridges, the SMBus adapters and the SMBIOS identity.
#pragma once

#include <string>

#include "tools/pxi-inventory/inventory.h"
#include "tools/pxi-inventory/options.h"

namespace nQxPxiInventory {

std::string renderView(const tJson& a_rDocument, const tOptions& a_rOptions);

}  // namespace nQxPxiInventory
