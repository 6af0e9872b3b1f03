// Converters for the values of system module descriptions. Description files are
// untrusted text: every converter reads only within the text it is given, bounds every
// number, and runs in time linear in the text. Stateless; safe from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/qxns.h"

namespace QX_NS {

// The four identifiers of a PCI bridge (a SwitchID value or a "swid:" link step).
struct tPciBridgeIds {
    uint16_t vendorId = 0;
    uint16_t deviceId = 0;
    uint16_t subsystemVendorId = 0;
    uint16_t subsystemId = 0;
};

// The kinds of step of a link path.
enum class tLinkStepKind { smbus, pop, push, swid, unknown };

// One step of a link path.
struct tLinkStep {
    tLinkStepKind kind = tLinkStepKind::unknown;
    // push: the device/function byte was given (device * 8 + function).
    bool hasValue = false;
    uint32_t devFn = 0;
    // swid: all four identifiers were given.
    tPciBridgeIds ids;
};

// "%4hx:%4hx:%4hx:%4hx": returns the number of identifiers converted (4 when complete).
// Text after the fourth number is ignored.
int parsePciBridgeIds(const char* a_pText, tPciBridgeIds& a_rIds);

// "%x": one hexadecimal number (SMBUSVIDPID). False when no number is there.
bool parseHexNumber(const char* a_pText, uint32_t& a_rValue);

// "%d,%d,%d,%d,%d,%d" into up to a_Count values: returns the number converted; the
// values converted before a failure are stored.
int parseDecimalList(const char* a_pText, int32_t* a_pValues, int a_Count);

// A hexadecimal list: the text is cut at every ","; each piece is read as at most four
// hexadecimal digits after optional white space ("%04X"). Pieces that hold no number
// are skipped. The values are appended to a_rValues in order.
void parseHexList(const std::string& a_rText, std::vector<uint32_t>& a_rValues);

// Recognises one link path step by how it begins ("smbus", "pop", "push", "swi") and
// reads its argument. A_Length is the step's length (the text up to the next ",").
tLinkStep parseLinkStep(const char* a_pStep, size_t a_Length);

}  // namespace QX_NS
