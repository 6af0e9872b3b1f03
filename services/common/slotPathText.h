// Slot paths as the services exchange them: "MR" + root bus + ":" + hops, the device
// named first and the device on the root bus last, all in upper-case hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nQxSim {

// Text form of a slot path: "MR" + bus + ":" + hops, upper-case hex, comma-separated.
std::string formatSlotPath(uint8_t a_RootBus, const std::vector<uint8_t>& a_rHops);
// Accepts "MRbb:hh,hh", "<decimal bus>:hh,hh" and a bare hop list; false when a hop
// does not convert.
bool parseSlotPath(const std::string& a_rText, uint8_t& a_rBus, std::vector<uint8_t>& a_rHops);

}  // namespace nQxSim
