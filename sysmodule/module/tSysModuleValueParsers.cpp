#include "sysmodule/module/tSysModuleValueParsers.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include <boost/algorithm/string/split.hpp>

#include "runtime/text/numberScan.h"

namespace QX_NS {

namespace {

bool isSpace(char a_Char) {
    return std::isspace(static_cast<unsigned char>(a_Char)) != 0;
}

// Reads a hexadecimal number as "%x" would (white space, a sign, an optional "0x"),
// keeping the low 32 bits of an overlong number. Moves a_rpText past what was read.
bool scanHex(const char*& a_rpText, uint32_t& a_rValue) {
    const char* l_p = a_rpText;
    while (isSpace(*l_p))
        ++l_p;
    tScannedNumber l_Number;
    if (!scanNumber(l_p, l_p + std::strlen(l_p), 16, l_Number))
        return false;
    a_rValue = l_Number.negative ? 0u - l_Number.low32 : l_Number.low32;
    a_rpText = l_p;
    return true;
}

// Reads a signed decimal number as "%d" would; an out-of-range number is clamped.
bool scanDecimal(const char*& a_rpText, int32_t& a_rValue) {
    const char* l_p = a_rpText;
    while (isSpace(*l_p))
        ++l_p;
    tScannedNumber l_Number;
    if (!scanNumber(l_p, l_p + std::strlen(l_p), 10, l_Number))
        return false;
    // The magnitude is held at 2^32, which clamps as any wider number does.
    int64_t l_Value = static_cast<int64_t>(l_Number.magnitude);
    if (l_Number.negative)
        l_Value = -l_Value;
    if (l_Value > INT32_MAX)
        l_Value = INT32_MAX;
    if (l_Value < INT32_MIN)
        l_Value = INT32_MIN;
    a_rValue = static_cast<int32_t>(l_Value);
    a_rpText = l_p;
    return true;
}

}  // namespace

int parsePciBridgeIds(const char* a_pText, tPciBridgeIds& a_rIds) {
    if (a_pText == nullptr) {
        return 0;
    }
    unsigned short l_Ids[4] = {};
    // The widths bound every number to four digits.
    const int l_Converted =
        sscanf(a_pText, "%4hx:%4hx:%4hx:%4hx", &l_Ids[0], &l_Ids[1], &l_Ids[2], &l_Ids[3]);
    const int l_Count = l_Converted < 0 ? 0 : l_Converted;
    if (l_Count > 0)
        a_rIds.vendorId = l_Ids[0];
    if (l_Count > 1)
        a_rIds.deviceId = l_Ids[1];
    if (l_Count > 2)
        a_rIds.subsystemVendorId = l_Ids[2];
    if (l_Count > 3)
        a_rIds.subsystemId = l_Ids[3];
    return l_Count;
}

bool parseHexNumber(const char* a_pText, uint32_t& a_rValue) {
    if (a_pText == nullptr) {
        return false;
    }
    return scanHex(a_pText, a_rValue);
}

int parseDecimalList(const char* a_pText, int32_t* a_pValues, int a_Count) {
    if (a_pText == nullptr || a_pValues == nullptr) {
        return 0;
    }
    const char* l_p = a_pText;
    for (int l_Index = 0; l_Index < a_Count; ++l_Index) {
        // Each comma must follow the number before it.
        if (l_Index > 0) {
            if (*l_p != ',') {
                return l_Index;
            }
            ++l_p;
        }
        int32_t l_Value = 0;
        if (!scanDecimal(l_p, l_Value)) {
            return l_Index;
        }
        a_pValues[l_Index] = l_Value;
    }
    return a_Count;
}

void parseHexList(const std::string& a_rText, std::vector<uint32_t>& a_rValues) {
    std::vector<std::string> l_Pieces;
    boost::algorithm::split(l_Pieces, a_rText, [](char a_Char) { return a_Char == ','; });
    for (const std::string& l_rPiece : l_Pieces) {
        unsigned int l_Value = 0;
        if (sscanf(l_rPiece.c_str(), "%4X", &l_Value) == 1) {
            a_rValues.push_back(l_Value);
        }
    }
}

tLinkStep parseLinkStep(const char* a_pStep, size_t a_Length) {
    tLinkStep l_Step;
    if (a_pStep == nullptr) {
        return l_Step;
    }
    // Work on a copy that ends where the step ends, so no scan runs into the next step.
    const std::string l_Text(a_pStep, strnlen(a_pStep, a_Length));
    if (l_Text.compare(0, 5, "smbus") == 0) {
        l_Step.kind = tLinkStepKind::smbus;
    } else if (l_Text.compare(0, 3, "pop") == 0) {
        l_Step.kind = tLinkStepKind::pop;
    } else if (l_Text.compare(0, 4, "push") == 0) {
        l_Step.kind = tLinkStepKind::push;
        const char* l_p = l_Text.c_str() + 4;
        l_Step.hasValue = scanHex(l_p, l_Step.devFn);
    } else if (l_Text.compare(0, 3, "swi") == 0) {
        l_Step.kind = tLinkStepKind::swid;
        l_Step.hasValue = l_Text.compare(0, 5, "swid:") == 0 &&
                          parsePciBridgeIds(l_Text.c_str() + 5, l_Step.ids) == 4;
    }
    return l_Step;
}

}  // namespace QX_NS
