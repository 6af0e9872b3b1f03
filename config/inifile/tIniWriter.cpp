// Serialisation of a document into the text that save writes.
#include <cstdio>
#include <cstring>
#include <new>

#include "config/inifile/tIniConversions.h"
#include "config/inifile/tIniDocument.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

void appendQuoted(std::string& a_rText, char a_Quote, const char* a_pValue, size_t a_Length) {
    if (a_Quote != 0)
        a_rText += a_Quote;
    a_rText.append(a_pValue, a_Length);
    if (a_Quote != 0)
        a_rText += a_Quote;
}

// The quote character that the reader strips under these read options, or 0.
char readableQuote(uint32_t a_ReadOptions) {
    if ((a_ReadOptions & tIniDocument::kReadDoubleQuotes) != 0)
        return '"';
    if ((a_ReadOptions & tIniDocument::kReadSingleQuotes) != 0)
        return '\'';
    return 0;
}

// Whether reading an unquoted piece back could change it: the reader trims blanks at
// both ends and strips quotes that surround it.
bool needsQuotes(const std::string& a_rValue) {
    for (char l_C : a_rValue) {
        if (l_C == ' ' || l_C == '\t' || l_C == '\v' || l_C == '\f' || l_C == '"' || l_C == '\'') {
            return true;
        }
    }
    return false;
}

// The quote character a whole key line is written with. An unquoted value that the
// reader would change (blanks at an end, surrounding quotes it strips, or an empty value
// that it drops) is written quoted so that it reads back as itself.
char lineQuote(const tIniKey& a_rKey, uint32_t a_ReadOptions) {
    if (a_rKey.quote != 0)
        return a_rKey.quote;
    const std::string& l_rValue = a_rKey.value;
    bool l_Changes = false;
    if (l_rValue.empty()) {
        l_Changes = (a_ReadOptions & tIniDocument::kReadKeepEmpty) == 0;
    } else if (isIniSpace(l_rValue.front()) || isIniSpace(l_rValue.back())) {
        l_Changes = true;
    } else if (l_rValue.size() >= 2 && l_rValue.front() == l_rValue.back()) {
        l_Changes =
            (l_rValue.front() == '"' && (a_ReadOptions & tIniDocument::kReadDoubleQuotes) != 0) ||
            (l_rValue.front() == '\'' && (a_ReadOptions & tIniDocument::kReadSingleQuotes) != 0);
    }
    return l_Changes ? readableQuote(a_ReadOptions) : 0;
}

// Writes a value that does not fit the line limit as "<name> LineNNNN" continuation keys,
// each holding the next piece of the value.
int32_t appendPieces(std::string& a_rText, const tIniKey& a_rKey, const char* a_pSeparator,
                     int32_t a_MaxLength, int32_t a_SplitChar, uint32_t a_ReadOptions) {
    // An unquoted value with blanks or quotes is cut into quoted pieces, so that no cut
    // loses a blank at a piece's edge; the value reads back whole (with a quote character).
    const char l_Quote = (a_rKey.quote == 0 && needsQuotes(a_rKey.value))
                             ? readableQuote(a_ReadOptions)
                             : a_rKey.quote;
    int64_t l_Piece = static_cast<int64_t>(a_MaxLength) - static_cast<int64_t>(a_rKey.name.size()) -
                      12 - (l_Quote ? 2 : 0);
    if (l_Piece <= 0)
        return kIniLineLimitTooSmall;
    const size_t l_PieceLength = static_cast<size_t>(l_Piece);
    const char* l_p = a_rKey.value.data();
    const char* const l_pEnd = l_p + a_rKey.value.size();
    unsigned long l_Number = 1;
    while (l_p < l_pEnd) {
        size_t l_Length = static_cast<size_t>(l_pEnd - l_p);
        if (l_Length > l_PieceLength) {
            l_Length = l_PieceLength;
            if (a_SplitChar != 0) {
                for (size_t i = l_PieceLength; i > 0; --i) {
                    if (static_cast<unsigned char>(l_p[i - 1]) == a_SplitChar) {
                        l_Length = i;
                        break;
                    }
                }
            }
        }
        char l_Suffix[32];
        std::snprintf(l_Suffix, sizeof(l_Suffix), " Line%04lu", l_Number++);
        a_rText += a_rKey.name;
        a_rText += l_Suffix;
        a_rText += a_pSeparator;
        appendQuoted(a_rText, l_Quote, l_p, l_Length);
        a_rText += '\n';
        l_p += l_Length;
    }
    return kIniOk;
}

}  // namespace

int32_t tIniDocument::write(std::string& a_rText) const {
    if (m_SplitChar < 0 || m_SplitChar >= 128)
        return kIniSignedInvalid;
    const char* const l_pSeparator = (m_WriteOptions & kWriteSpacedSeparator) ? " = " : "=";
    const size_t l_SeparatorLength = std::strlen(l_pSeparator);
    try {
        a_rText.clear();
        for (size_t s = 0; s < m_Sections.size(); ++s) {
            const tIniSection& l_rSection = m_Sections[s];
            if (l_rSection.name != kNullSectionName) {
                a_rText += '[';
                a_rText += l_rSection.name;
                a_rText += "]\n";
            }
            for (const tIniKey& l_rKey : l_rSection.keys) {
                const char l_Quote = lineQuote(l_rKey, m_ReadOptions);
                const size_t l_LineLength = l_rKey.name.size() + l_SeparatorLength +
                                            l_rKey.value.size() + (l_Quote ? 2 : 0);
                if (m_MaxLineLength != -1 &&
                    static_cast<int64_t>(l_LineLength) > static_cast<int64_t>(m_MaxLineLength)) {
                    const int32_t l_Result = appendPieces(
                        a_rText, l_rKey, l_pSeparator, m_MaxLineLength, m_SplitChar, m_ReadOptions);
                    if (l_Result != kIniOk)
                        return l_Result;
                    continue;
                }
                a_rText += l_rKey.name;
                a_rText += l_pSeparator;
                appendQuoted(a_rText, l_Quote, l_rKey.value.data(), l_rKey.value.size());
                a_rText += '\n';
            }
            if (s + 1 < m_Sections.size())
                a_rText += '\n';
        }
        return kIniOk;
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
