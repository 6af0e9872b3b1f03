#include "config/inifile/tIniConversions.h"

#include <cstdio>

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

int hexDigit(char a_C) {
    if (a_C >= '0' && a_C <= '9')
        return a_C - '0';
    if (a_C >= 'a' && a_C <= 'f')
        return a_C - 'a' + 10;
    if (a_C >= 'A' && a_C <= 'F')
        return a_C - 'A' + 10;
    return -1;
}

// Sign and magnitude of a whole value; false when anything but one number is there.
bool parseWholeDecimal(const std::string& a_rText, bool& a_rNegative, uint64_t& a_rMagnitude) {
    const char* l_p = a_rText.data();
    const char* l_pEnd = l_p + a_rText.size();
    trimRange(l_p, l_pEnd);
    a_rNegative = false;
    if (l_p < l_pEnd && (*l_p == '+' || *l_p == '-')) {
        a_rNegative = *l_p == '-';
        ++l_p;
    }
    if (l_p == l_pEnd)
        return false;
    uint64_t l_Value = 0;
    for (; l_p < l_pEnd; ++l_p) {
        if (*l_p < '0' || *l_p > '9')
            return false;
        l_Value = l_Value * 10 + static_cast<uint64_t>(*l_p - '0');
        if (l_Value > 0xFFFFFFFFull)
            return false;
    }
    a_rMagnitude = l_Value;
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
    bool l_Negative = false;
    if (l_p < a_pEnd && (*l_p == '+' || *l_p == '-')) {
        l_Negative = *l_p == '-';
        ++l_p;
    }
    // "0x" counts as a prefix only when a digit follows; otherwise the 0 is the number.
    if (a_pEnd - l_p >= 3 && l_p[0] == '0' && (l_p[1] == 'x' || l_p[1] == 'X') &&
        hexDigit(l_p[2]) >= 0) {
        l_p += 2;
    }
    uint64_t l_Value = 0;
    const char* const l_pDigits = l_p;
    for (; l_p < a_pEnd && hexDigit(*l_p) >= 0; ++l_p) {
        l_Value = (l_Value << 4) | static_cast<uint64_t>(hexDigit(*l_p));
        // A value wider than 32 bits would be cut silently by "%x"; refuse it instead.
        if (l_Value > 0xFFFFFFFFull)
            return kIniUnsignedInvalid;
    }
    if (l_p == l_pDigits)
        return kIniUnsignedInvalid;
    uint32_t l_Result = static_cast<uint32_t>(l_Value);
    if (l_Negative)
        l_Result = 0u - l_Result;
    a_rValue = l_Result;
    return kIniOk;
}

int32_t parseListInt(const char* a_pBegin, const char* a_pEnd, int32_t& a_rValue) {
    const char* l_p = a_pBegin;
    while (l_p < a_pEnd && isIniSpace(*l_p))
        ++l_p;
    bool l_Negative = false;
    if (l_p < a_pEnd && (*l_p == '+' || *l_p == '-')) {
        l_Negative = *l_p == '-';
        ++l_p;
    }
    uint64_t l_Magnitude = 0;
    const char* const l_pDigits = l_p;
    for (; l_p < a_pEnd && *l_p >= '0' && *l_p <= '9'; ++l_p) {
        l_Magnitude = l_Magnitude * 10 + static_cast<uint64_t>(*l_p - '0');
        if (l_Magnitude > 0x80000000ull)
            return kIniSignedInvalid;
    }
    if (l_p == l_pDigits)
        return kIniSignedInvalid;
    if (!l_Negative && l_Magnitude > 0x7FFFFFFFull)
        return kIniSignedInvalid;
    a_rValue = static_cast<int32_t>(l_Negative ? -static_cast<int64_t>(l_Magnitude)
                                               : static_cast<int64_t>(l_Magnitude));
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
