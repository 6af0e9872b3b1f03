// Slot paths as the services exchange them: "MR" + root bus + ":" + hops, the device
// named first and the device on the root bus last, all in upper-case hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nQxSim {

// Text form of a slot path: "MR" + bus + ":" + hops, upper-case hex, comma-separated.
std::string formatSlotPath(uint8_t a_RootBus, const std::vector<uint8_t>& a_rHops);
// Accepts "MRbb:hh,hh" (bus of 1 or 2 hex digits), "<decimal bus>:hh,hh" (1 to 3 digits,
// at most 255) and a bare hop list (bus 0); each hop is 1 or 2 hex digits, hops are
// separated by single commas. Anything else, a trailing comma included, is refused (false).
bool parseSlotPath(const std::string& a_rText, uint8_t& a_rBus, std::vector<uint8_t>& a_rHops);

}  // namespace nQxSim
