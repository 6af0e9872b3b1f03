// Slot-path text from anywhere (descriptions, the controller driver, the PCI bridge
// service): the input is cut at its first newline into two texts, each parsed as a slot
// path. A path that parses must print as text that parses back to the same text, and
// the comparisons between the two paths must agree with each other.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/slotpath/cSlotPath.h"

using namespace QX_NS;
using nQxPxiDriverTools_1_0::cSlotPath;

namespace {

// Parses a_rText; true when it is a slot path. Its printed form must read back alike.
bool parseAndRoundTrip(const std::string& a_rText, cSlotPath& a_rPath) {
    tStatusRecord l_Status;
    a_rPath.parse(a_rText.c_str(), &l_Status);
    if (l_Status.isError())
        return false;
    std::string l_Printed;
    a_rPath.toString(l_Printed, &l_Status);
    if (l_Status.isError())
        return false;
    cSlotPath l_Again;
    tStatusRecord l_AgainStatus;
    l_Again.parse(l_Printed.c_str(), &l_AgainStatus);
    std::string l_Reprinted;
    l_Again.toString(l_Reprinted, &l_AgainStatus);
    if (l_AgainStatus.isError() || l_Reprinted != l_Printed)
        std::abort();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* a_pData, size_t a_Size) {
    const std::string l_Input(reinterpret_cast<const char*>(a_pData), a_Size);
    const size_t l_Newline = l_Input.find('\n');
    // The parser takes C texts: a NUL ends a text where it stands.
    const std::string l_TextA = l_Input.substr(0, l_Newline).c_str();
    const std::string l_TextB =
        l_Newline == std::string::npos ? std::string() : l_Input.substr(l_Newline + 1).c_str();
    cSlotPath l_A;
    cSlotPath l_B;
    const bool l_HasA = parseAndRoundTrip(l_TextA, l_A);
    const bool l_HasB = parseAndRoundTrip(l_TextB, l_B);
    if (!l_HasA || !l_HasB)
        return 0;
    // The distance is symmetric, and no path lies behind a path that lies behind it.
    tStatusRecord l_Status;
    const uint32_t l_AB = l_A.hopDistance(l_B, &l_Status);
    const uint32_t l_BA = l_B.hopDistance(l_A, &l_Status);
    if (!l_Status.isError() && l_AB != l_BA)
        std::abort();
    if (l_A.isUpstreamOf(l_B) && l_B.isUpstreamOf(l_A))
        std::abort();
    // Taking a path apart hop by hop ends with an empty path.
    for (int l_Guard = 0; !l_A.isEmpty(); ++l_Guard) {
        tStatusRecord l_HopStatus;
        l_A.getFirstHop(&l_HopStatus);
        l_A.removeFirstHop();
        if (l_Guard > static_cast<int>(a_Size) + 1)
            std::abort();
    }
    cSlotPath l_Copy;
    l_Copy.assign(l_B, &l_Status);
    return 0;
}
