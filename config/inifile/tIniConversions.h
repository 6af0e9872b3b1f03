// Text helpers of the INI engine: white space, number conversions, list splitting and
// value escaping. Pure functions; the ones that append may throw std::bad_alloc, which
// their callers catch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/inifile/tIniResult.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

// Space, tab, vertical tab, form feed, and the line ends (never inside a read line).
inline bool isIniSpace(char a_C) {
    return a_C == ' ' || a_C == '\t' || a_C == '\v' || a_C == '\f' || a_C == '\r' || a_C == '\n';
}

// Narrows [a_rBegin, a_rEnd) to its text without surrounding white space.
inline void trimRange(const char*& a_rBegin, const char*& a_rEnd) {
    while (a_rBegin < a_rEnd && isIniSpace(*a_rBegin))
        ++a_rBegin;
    while (a_rEnd > a_rBegin && isIniSpace(a_rEnd[-1]))
        --a_rEnd;
}

bool isBlank(const std::string& a_rText);

// Whole-value decimal conversions: optional surrounding white space, one optional sign,
// at least one digit, nothing else. kIniSignedInvalid / kIniUnsignedInvalid otherwise.
int32_t parseInt32(const std::string& a_rText, int32_t& a_rValue);
int32_t parseUInt32(const std::string& a_rText, uint32_t& a_rValue);
// "%x"-style: leading white space, optional sign, optional 0x, hexadecimal digits up to the
// first other character. No digit, or more than 32 bits: kIniUnsignedInvalid.
int32_t parseHex32(const char* a_pBegin, const char* a_pEnd, uint32_t& a_rValue);
// "%d"-style list item: leading white space, optional sign, digits up to the first other
// character. No digit, or outside the 32-bit range: kIniSignedInvalid.
int32_t parseListInt(const char* a_pBegin, const char* a_pEnd, int32_t& a_rValue);

// Cuts a value at every comma and appends the items (untrimmed): an empty value gives no
// item and a trailing comma adds no empty item.
void splitList(const std::string& a_rValue, std::vector<std::string>& a_rItems);
// Calls a_Item(begin, end) for every item of the same split; stops when it returns false.
template <typename tFunction>
void forEachListItem(const std::string& a_rValue, tFunction a_Item) {
    const char* l_pBegin = a_rValue.data();
    const char* const l_pEnd = l_pBegin + a_rValue.size();
    while (l_pBegin < l_pEnd) {
        const char* l_pComma = l_pBegin;
        while (l_pComma < l_pEnd && *l_pComma != ',')
            ++l_pComma;
        if (!a_Item(l_pBegin, l_pComma))
            return;
        l_pBegin = l_pComma + 1;
    }
}

// Escapes tab, line feed, double quote, backslash and other control characters.
void escapeValue(const char* a_pText, std::string& a_rEscaped);

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
