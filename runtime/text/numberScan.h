// The hexadecimal and decimal numbers of description texts: an optional sign, then
// digits; in hexadecimal an optional "0x" or "0X", which is a prefix only when a
// hexadecimal digit follows it (else the 0 is the number). White space, what may follow
// a number and what a too wide number means stay the caller's rules.
#pragma once

#include <cstdint>

#include "runtime/qxns.h"

namespace QX_NS {

// The value of a hexadecimal digit, or -1.
inline int hexDigitValue(char a_C) {
    if (a_C >= '0' && a_C <= '9')
        return a_C - '0';
    if (a_C >= 'a' && a_C <= 'f')
        return a_C - 'a' + 10;
    if (a_C >= 'A' && a_C <= 'F')
        return a_C - 'A' + 10;
    return -1;
}

struct tScannedNumber {
    bool negative = false;
    // The digits' value, held at 2^32 once it is wider than 32 bits.
    uint64_t magnitude = 0;
    // The low 32 bits of the digits' value, however wide it is.
    uint32_t low32 = 0;

    bool isWide() const { return magnitude > 0xFFFFFFFFull; }
};

// Reads a signed number in base a_Base (16 or 10) at the start of [a_rpText, a_pEnd).
// False when no digit comes after the sign (and prefix); else a_rpText moves past the
// last digit.
inline bool scanNumber(const char*& a_rpText, const char* a_pEnd, int a_Base,
                       tScannedNumber& a_rNumber) {
    constexpr uint64_t kHeld = 0x100000000ull;
    const char* l_p = a_rpText;
    tScannedNumber l_Number;
    if (l_p < a_pEnd && (*l_p == '+' || *l_p == '-')) {
        l_Number.negative = *l_p == '-';
        ++l_p;
    }
    if (a_Base == 16 && a_pEnd - l_p >= 3 && l_p[0] == '0' && (l_p[1] == 'x' || l_p[1] == 'X') &&
        hexDigitValue(l_p[2]) >= 0) {
        l_p += 2;
    }
    const char* const l_pDigits = l_p;
    for (; l_p < a_pEnd; ++l_p) {
        const int l_Digit =
            a_Base == 16 ? hexDigitValue(*l_p) : (*l_p >= '0' && *l_p <= '9' ? *l_p - '0' : -1);
        if (l_Digit < 0)
            break;
        const uint64_t l_Next =
            l_Number.magnitude * static_cast<uint64_t>(a_Base) + static_cast<uint64_t>(l_Digit);
        l_Number.magnitude = l_Next > kHeld ? kHeld : l_Next;
        l_Number.low32 =
            l_Number.low32 * static_cast<uint32_t>(a_Base) + static_cast<uint32_t>(l_Digit);
    }
    if (l_p == l_pDigits)
        return false;
    a_rNumber = l_Number;
    a_rpText = l_p;
    return true;
}

}  // namespace QX_NS
