// The in-place JSON writer. A buffer holds the text, its NUL, zero bytes and a final 'J';
// an insertion moves the tail of the text to the right into the zero bytes, so the free
// room is always found from the insertion point alone.
#include <cstdio>
#include <cstring>

#include "runtime/status/jsonz.h"
#include "runtime/status/tJsonStatus.h"

namespace QX_NS {
namespace jsonz {
namespace {

// Bytes that may still be inserted before the point's buffer runs into its end marker;
// one NUL is always kept in front of the marker. *a_ppEnd receives the text's NUL.
size_t freeRoom(char* a_pPoint, char** a_ppEnd) {
    char* l_pEnd = a_pPoint + std::strlen(a_pPoint);
    char* l_pMarker = l_pEnd + 1;
    while (*l_pMarker == '\0')
        ++l_pMarker;
    *a_ppEnd = l_pEnd;
    return static_cast<size_t>(l_pMarker - l_pEnd - 1);
}

// Opens a gap of a_Count bytes at the point, growing the buffer through the writer when
// needed; returns the (possibly moved) point, or null.
char* openGap(const tWriter& a_rWriter, char* a_pPoint, size_t a_Count) {
    char* l_pEnd = nullptr;
    while (freeRoom(a_pPoint, &l_pEnd) < a_Count) {
        if (a_rWriter.grow == nullptr)
            return nullptr;
        a_pPoint = a_rWriter.grow(a_rWriter.context, a_pPoint);
        if (a_pPoint == nullptr)
            return nullptr;
    }
    std::memmove(a_pPoint + a_Count, a_pPoint, static_cast<size_t>(l_pEnd - a_pPoint) + 1);
    return a_pPoint;
}

bool isShortEscape(unsigned char a_Byte, char* a_pLetter) {
    switch (a_Byte) {
        case '\b':
            *a_pLetter = 'b';
            return true;
        case '\t':
            *a_pLetter = 't';
            return true;
        case '\n':
            *a_pLetter = 'n';
            return true;
        case '\f':
            *a_pLetter = 'f';
            return true;
        case '\r':
            *a_pLetter = 'r';
            return true;
        case '"':
            *a_pLetter = '"';
            return true;
        case '\\':
            *a_pLetter = '\\';
            return true;
        default:
            return false;
    }
}

size_t escapedLength(const char* a_pText) {
    size_t l_Length = 0;
    char l_Letter = 0;
    for (const unsigned char* l_p = reinterpret_cast<const unsigned char*>(a_pText); *l_p; ++l_p) {
        if (isShortEscape(*l_p, &l_Letter)) {
            l_Length += 2;
        } else if (*l_p < 0x20 || *l_p == 0x7F) {
            l_Length += 6;
        } else {
            l_Length += 1;
        }
    }
    return l_Length;
}

char* writeEscaped(char* a_pOut, const char* a_pText) {
    char l_Letter = 0;
    for (const unsigned char* l_p = reinterpret_cast<const unsigned char*>(a_pText); *l_p; ++l_p) {
        if (isShortEscape(*l_p, &l_Letter)) {
            *a_pOut++ = '\\';
            *a_pOut++ = l_Letter;
        } else if (*l_p < 0x20 || *l_p == 0x7F) {
            char l_Code[7];
            std::snprintf(l_Code, sizeof l_Code, "\\u%04x", static_cast<unsigned>(*l_p));
            std::memcpy(a_pOut, l_Code, 6);
            a_pOut += 6;
        } else {
            *a_pOut++ = static_cast<char>(*l_p);
        }
    }
    return a_pOut;
}

char* writeQuoted(char* a_pOut, const char* a_pText) {
    *a_pOut++ = '"';
    a_pOut = writeEscaped(a_pOut, a_pText);
    *a_pOut++ = '"';
    return a_pOut;
}

// Inserts a member "name":<value> at the point, with the separator the neighbours need.
// The value is either a quoted escaped string (a_pString) or raw text (a_pRaw). Returns the
// point just after the member.
char* insertMember(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName,
                   const char* a_pString, const char* a_pRaw) {
    if (a_pPoint == nullptr)
        return nullptr;
    if (a_pName == nullptr)
        a_pName = "";
    const size_t l_ValueLength =
        a_pRaw != nullptr ? std::strlen(a_pRaw) : escapedLength(a_pString) + 2;
    const size_t l_MemberLength = escapedLength(a_pName) + 3 + l_ValueLength;

    const char l_Before = a_pPoint[-1];
    const bool l_AfterOpening = l_Before == '{' || l_Before == '[';
    const bool l_EmptyContainer = l_AfterOpening && (*a_pPoint == '}' || *a_pPoint == ']');
    const bool l_CommaBefore = !l_AfterOpening;
    const bool l_CommaAfter = l_AfterOpening && !l_EmptyContainer;

    char* l_pPoint =
        openGap(a_rWriter, a_pPoint, l_MemberLength + (l_CommaBefore || l_CommaAfter ? 1 : 0));
    if (l_pPoint == nullptr)
        return nullptr;
    char* l_pOut = l_pPoint;
    if (l_CommaBefore)
        *l_pOut++ = ',';
    l_pOut = writeQuoted(l_pOut, a_pName);
    *l_pOut++ = ':';
    if (a_pRaw != nullptr) {
        std::memcpy(l_pOut, a_pRaw, l_ValueLength);
        l_pOut += l_ValueLength;
    } else {
        l_pOut = writeQuoted(l_pOut, a_pString);
    }
    char* l_pNext = l_pOut;
    if (l_CommaAfter)
        *l_pOut++ = ',';
    return l_pNext;
}

}  // namespace

char* initialise(char* a_pBuffer, size_t a_Size, const char* a_pText) {
    if (a_pBuffer == nullptr || a_pText == nullptr)
        return nullptr;
    const size_t l_Length = std::strlen(a_pText);
    // Text, its NUL and the end marker must all fit.
    if (a_Size < l_Length + 2 || l_Length == 0)
        return nullptr;
    std::memcpy(a_pBuffer, a_pText, l_Length);
    std::memset(a_pBuffer + l_Length, 0, a_Size - l_Length);
    a_pBuffer[a_Size - 1] = 'J';
    return a_pBuffer + l_Length - 1;
}

char* addObject(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName) {
    char* l_pNext = insertMember(a_rWriter, a_pPoint, a_pName, nullptr, "{}");
    return l_pNext == nullptr ? nullptr : l_pNext - 1;
}

char* addString(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName,
                const char* a_pText) {
    return insertMember(a_rWriter, a_pPoint, a_pName, a_pText == nullptr ? "" : a_pText, nullptr);
}

char* addUnsigned(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName, uint32_t a_Value) {
    char l_Text[16];
    std::snprintf(l_Text, sizeof l_Text, "%u", a_Value);
    return insertMember(a_rWriter, a_pPoint, a_pName, nullptr, l_Text);
}

char* addSigned(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName, int32_t a_Value) {
    char l_Text[16];
    std::snprintf(l_Text, sizeof l_Text, "%i", a_Value);
    return insertMember(a_rWriter, a_pPoint, a_pName, nullptr, l_Text);
}

char* leaveObject(char* a_pPoint) {
    if (a_pPoint == nullptr)
        return nullptr;
    int l_Depth = 0;
    for (char* l_p = a_pPoint; *l_p != '\0'; ++l_p) {
        switch (*l_p) {
            case '"':
                // Strings may hold braces; skip to the closing quote.
                for (++l_p; *l_p != '"'; ++l_p) {
                    if (*l_p == '\0')
                        return nullptr;
                    if (*l_p == '\\' && l_p[1] != '\0')
                        ++l_p;
                }
                break;
            case '{':
            case '[':
                ++l_Depth;
                break;
            case '}':
            case ']':
                if (l_Depth == 0)
                    return l_p + 1;
                --l_Depth;
                break;
            default:
                break;
        }
    }
    return nullptr;
}

namespace {

char* growStatus(void* a_pContext, char* a_pPoint) {
    tJsonStatus* l_pStatus = static_cast<tJsonStatus*>(a_pContext);
    if (l_pStatus == nullptr || l_pStatus->json == nullptr || l_pStatus->capacity < 4) {
        return nullptr;
    }
    const size_t l_Offset = static_cast<size_t>(a_pPoint - l_pStatus->json);
    const size_t l_Extra = 2 * static_cast<size_t>(l_pStatus->capacity) - 4;
    if (l_pStatus->appendPoint(l_Extra) == nullptr)
        return nullptr;
    return l_pStatus->json + l_Offset;
}

}  // namespace

tWriter writerFor(tJsonStatus* a_pStatus) {
    return tWriter{growStatus, a_pStatus};
}

}  // namespace jsonz
}  // namespace QX_NS
