// Serialisation of a document into the text that save writes.
#include <cstdio>
#include <cstring>
#include <new>

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

// Writes a value that does not fit the line limit as "<name> LineNNNN" continuation keys,
// each holding the next piece of the value.
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

int32_t appendPieces(std::string& a_rText, const tIniKey& a_rKey, const char* a_pSeparator,
                     int32_t a_MaxLength, int32_t a_SplitChar) {
    // An unquoted value with blanks or quotes is cut into quoted pieces, so that no cut
    // loses a blank at a piece's edge; the value reads back whole (with a quote character).
    const char l_Quote = (a_rKey.quote == 0 && needsQuotes(a_rKey.value)) ? '"' : a_rKey.quote;
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
                const size_t l_LineLength = l_rKey.name.size() + l_SeparatorLength +
                                            l_rKey.value.size() + (l_rKey.quote ? 2 : 0);
                if (m_MaxLineLength != -1 &&
                    static_cast<int64_t>(l_LineLength) > static_cast<int64_t>(m_MaxLineLength)) {
                    const int32_t l_Result =
                        appendPieces(a_rText, l_rKey, l_pSeparator, m_MaxLineLength, m_SplitChar);
                    if (l_Result != kIniOk)
                        return l_Result;
                    continue;
                }
                a_rText += l_rKey.name;
                a_rText += l_pSeparator;
                appendQuoted(a_rText, l_rKey.quote, l_rKey.value.data(), l_rKey.value.size());
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
