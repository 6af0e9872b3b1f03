// Whether this user can reach the i2c-dev node of each SMBus adapter the SMBus service
// lists, and what to do when not. Looked at with stat() and access() only: the node is
// never opened, so looking changes nothing on the bus nor in what the service answers.
#pragma once

#include <string>

#include "tools/pxi-inventory/inventory.h"

namespace nQxPxiInventory {

// Adds "deviceNode" to every adapter of a collectSmbusAdapters() answer: {"path",
// "exists", "characterDevice", "readWrite", "group", "advice"}, or null where the
// service names no node (the Linux service ends an adapter's description with
// "(<node>)"; the stand-ins name none).
void addI2cNodeAccess(tJson& a_rSmbusAdapters);

// One line for the --smbus view: "node /dev/i2c-3: read-write", or what is wrong and
// what to do; empty when the adapter has no node.
std::string i2cNodeLine(const tJson& a_rAdapter);

}  // namespace nQxPxiInventory
