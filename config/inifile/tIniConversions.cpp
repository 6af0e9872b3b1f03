#include "config/inifile/tIniConversions.h"

#include <cstdio>

#include "runtime/text/numberScan.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

// Sign and magnitude of a whole value; false when anything but one number is there.
bool parseWholeDecimal(const std::string& a_rText, bool& a_rNegative, uint64_t& a_rMagnitude) {
    const char* l_p = a_rText.data();
    const char* l_pEnd = l_p + a_rText.size();
    trimRange(l_p, l_pEnd);
    tScannedNumber l_Number;
    if (!scanNumber(l_p, l_pEnd, 10, l_Number) || l_p != l_pEnd || l_Number.isWide())
        return false;
    a_rNegative = l_Number.negative;
    a_rMagnitude = l_Number.magnitude;
    return true;
}

}  // namespace

bool isBlank(const std::string& a_rText) {
    for (char l_C : a_rText) {
        if (!isIniSpace(l_C))
            return false;
    }
    return true;
}

int32_t parseInt32(const std::string& a_rText, int32_t& a_rValue) {
    bool l_Negative = false;
    uint64_t l_Magnitude = 0;
    if (!parseWholeDecimal(a_rText, l_Negative, l_Magnitude))
        return kIniSignedInvalid;
    if (l_Negative ? l_Magnitude > 0x80000000ull : l_Magnitude > 0x7FFFFFFFull) {
        return kIniSignedInvalid;
    }
    const int64_t l_Value =
        l_Negative ? -static_cast<int64_t>(l_Magnitude) : static_cast<int64_t>(l_Magnitude);
    a_rValue = static_cast<int32_t>(l_Value);
    return kIniOk;
}

int32_t parseUInt32(const std::string& a_rText, uint32_t& a_rValue) {
    bool l_Negative = false;
    uint64_t l_Magnitude = 0;
    if (!parseWholeDecimal(a_rText, l_Negative, l_Magnitude) || l_Negative) {
        return kIniUnsignedInvalid;
    }
    a_rValue = static_cast<uint32_t>(l_Magnitude);
    return kIniOk;
}

int32_t parseHex32(const char* a_pBegin, const char* a_pEnd, uint32_t& a_rValue) {
    const char* l_p = a_pBegin;
    while (l_p < a_pEnd && isIniSpace(*l_p))
        ++l_p;
    tScannedNumber l_Number;
    // A value wider than 32 bits would be cut silently by "%x"; refuse it instead.
    if (!scanNumber(l_p, a_pEnd, 16, l_Number) || l_Number.isWide())
        return kIniUnsignedInvalid;
    a_rValue = l_Number.negative ? 0u - l_Number.low32 : l_Number.low32;
    return kIniOk;
}

int32_t parseListInt(const char* a_pBegin, const char* a_pEnd, int32_t& a_rValue) {
    const char* l_p = a_pBegin;
    while (l_p < a_pEnd && isIniSpace(*l_p))
        ++l_p;
    tScannedNumber l_Number;
    if (!scanNumber(l_p, a_pEnd, 10, l_Number))
        return kIniSignedInvalid;
    if (l_Number.magnitude > (l_Number.negative ? 0x80000000ull : 0x7FFFFFFFull))
        return kIniSignedInvalid;
    a_rValue = static_cast<int32_t>(l_Number.negative ? -static_cast<int64_t>(l_Number.magnitude)
                                                      : static_cast<int64_t>(l_Number.magnitude));
    return kIniOk;
}

void splitList(const std::string& a_rValue, std::vector<std::string>& a_rItems) {
    forEachListItem(a_rValue, [&](const char* a_pBegin, const char* a_pEnd) {
        a_rItems.emplace_back(a_pBegin, a_pEnd);
        return true;
    });
}

void escapeValue(const char* a_pText, std::string& a_rEscaped) {
    a_rEscaped.clear();
    if (a_pText == nullptr)
        return;
    for (const char* l_p = a_pText; *l_p != '\0'; ++l_p) {
        const unsigned char l_C = static_cast<unsigned char>(*l_p);
        switch (l_C) {
            case '\t':
                a_rEscaped += "\\t";
                break;
            case '\n':
                a_rEscaped += "\\n";
                break;
            case '"':
                a_rEscaped += "\\\"";
                break;
            case '\\':
                a_rEscaped += "\\\\";
                break;
            default:
                if (l_C < 0x20 || l_C == 0x7F) {
                    char l_Hex[8];
                    std::snprintf(l_Hex, sizeof(l_Hex), "\\x%02x", l_C);
                    a_rEscaped += l_Hex;
                } else {
                    a_rEscaped += static_cast<char>(l_C);
                }
        }
    }
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
