// The small JSON reader that carries a tJsonStatus into a tStatusRecord. It never fails:
// an absent member, a member of the wrong type or a malformed text gives the default.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/status/jsonz.h"
#include "runtime/text/numberScan.h"

namespace QX_NS {
namespace jsonz {
namespace {

const char* skipSpace(const char* a_p) {
    while (*a_p == ' ' || *a_p == '\t' || *a_p == '\n' || *a_p == '\r')
        ++a_p;
    return a_p;
}

// a_p is at an opening quote; returns the position of the closing quote, or null.
const char* stringEnd(const char* a_p) {
    for (++a_p; *a_p != '"'; ++a_p) {
        if (*a_p == '\0')
            return nullptr;
        if (*a_p == '\\') {
            if (a_p[1] == '\0')
                return nullptr;
            ++a_p;
        }
    }
    return a_p;
}

// Returns the position just after the value at a_p, or null when it is malformed.
const char* skipValue(const char* a_p) {
    if (*a_p == '"') {
        const char* l_pEnd = stringEnd(a_p);
        return l_pEnd == nullptr ? nullptr : l_pEnd + 1;
    }
    if (*a_p == '{' || *a_p == '[') {
        int l_Depth = 0;
        for (; *a_p != '\0'; ++a_p) {
            if (*a_p == '"') {
                a_p = stringEnd(a_p);
                if (a_p == nullptr)
                    return nullptr;
            } else if (*a_p == '{' || *a_p == '[') {
                ++l_Depth;
            } else if (*a_p == '}' || *a_p == ']') {
                if (--l_Depth == 0)
                    return a_p + 1;
            }
        }
        return nullptr;
    }
    // Number or literal.
    const char* l_pStart = a_p;
    while (*a_p != '\0' && std::strchr(",}] \t\n\r", *a_p) == nullptr)
        ++a_p;
    return a_p == l_pStart ? nullptr : a_p;
}

}  // namespace

const char* findMember(const char* a_pText, const char* a_pName) {
    if (a_pText == nullptr || a_pName == nullptr)
        return nullptr;
    const size_t l_NameLength = std::strlen(a_pName);
    const char* l_p = skipSpace(a_pText);
    if (*l_p != '{')
        return nullptr;
    l_p = skipSpace(l_p + 1);
    if (*l_p == '}')
        return nullptr;
    for (;;) {
        if (*l_p != '"')
            return nullptr;
        const char* l_pNameEnd = stringEnd(l_p);
        if (l_pNameEnd == nullptr)
            return nullptr;
        const bool l_Match = static_cast<size_t>(l_pNameEnd - l_p - 1) == l_NameLength &&
                             std::memcmp(l_p + 1, a_pName, l_NameLength) == 0;
        l_p = skipSpace(l_pNameEnd + 1);
        if (*l_p != ':')
            return nullptr;
        l_p = skipSpace(l_p + 1);
        if (*l_p == '\0')
            return nullptr;
        if (l_Match)
            return l_p;
        l_p = skipValue(l_p);
        if (l_p == nullptr)
            return nullptr;
        l_p = skipSpace(l_p);
        if (*l_p != ',')
            return nullptr;
        l_p = skipSpace(l_p + 1);
    }
}

const char* readString(const char* a_pValue, const char* a_pDefault, size_t* a_pCount) {
    const char* l_pEnd = (a_pValue != nullptr && *a_pValue == '"') ? stringEnd(a_pValue) : nullptr;
    if (l_pEnd == nullptr) {
        if (a_pCount != nullptr)
            *a_pCount = a_pDefault == nullptr ? 0 : std::strlen(a_pDefault);
        return a_pDefault;
    }
    if (a_pCount != nullptr)
        *a_pCount = static_cast<size_t>(l_pEnd - a_pValue - 1);
    return a_pValue + 1;
}

int64_t readInteger(const char* a_pValue, int64_t a_Default) {
    if (a_pValue == nullptr || (*a_pValue != '-' && (*a_pValue < '0' || *a_pValue > '9'))) {
        return a_Default;
    }
    char* l_pEnd = nullptr;
    errno = 0;
    const long long l_Value = std::strtoll(a_pValue, &l_pEnd, 10);
    if (l_pEnd == a_pValue || errno == ERANGE)
        return a_Default;
    if (*l_pEnd != '\0' && std::strchr(",}] \t\n\r", *l_pEnd) == nullptr)
        return a_Default;
    return static_cast<int64_t>(l_Value);
}

void unescape(const char* a_pRaw, size_t a_Count, char* a_pDestination) {
    if (a_pDestination == nullptr)
        return;
    char* l_pOut = a_pDestination;
    size_t i = 0;
    while (a_pRaw != nullptr && i < a_Count) {
        const char l_C = a_pRaw[i];
        if (l_C != '\\') {
            *l_pOut++ = l_C;
            ++i;
            continue;
        }
        // An escape cut off by the end of the raw text is dropped.
        if (i + 1 >= a_Count)
            break;
        const char l_Letter = a_pRaw[i + 1];
        i += 2;
        switch (l_Letter) {
            case 'b':
                *l_pOut++ = '\b';
                break;
            case 't':
                *l_pOut++ = '\t';
                break;
            case 'n':
                *l_pOut++ = '\n';
                break;
            case 'f':
                *l_pOut++ = '\f';
                break;
            case 'r':
                *l_pOut++ = '\r';
                break;
            case 'u': {
                if (i + 4 > a_Count) {
                    i = a_Count;
                    break;
                }
                unsigned l_Code = 0;
                bool l_Valid = true;
                for (size_t k = 0; k < 4; ++k) {
                    const int l_Digit = hexDigitValue(a_pRaw[i + k]);
                    if (l_Digit < 0)
                        l_Valid = false;
                    l_Code = l_Code * 16 + static_cast<unsigned>(l_Digit < 0 ? 0 : l_Digit);
                }
                i += 4;
                if (!l_Valid)
                    break;
                // Never longer than the six raw characters it replaces.
                if (l_Code < 0x80) {
                    *l_pOut++ = static_cast<char>(l_Code);
                } else if (l_Code < 0x800) {
                    *l_pOut++ = static_cast<char>(0xC0 | (l_Code >> 6));
                    *l_pOut++ = static_cast<char>(0x80 | (l_Code & 0x3F));
                } else {
                    *l_pOut++ = static_cast<char>(0xE0 | (l_Code >> 12));
                    *l_pOut++ = static_cast<char>(0x80 | ((l_Code >> 6) & 0x3F));
                    *l_pOut++ = static_cast<char>(0x80 | (l_Code & 0x3F));
                }
                break;
            }
            default:
                *l_pOut++ = l_Letter;
                break;
        }
    }
    *l_pOut = '\0';
}

}  // namespace jsonz
}  // namespace QX_NS
