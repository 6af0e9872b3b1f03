#include "config/inifile/tIniReader.h"

#include <cstring>
#include <new>

#include "config/inifile/tIniConversions.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

constexpr size_t kNoSection = static_cast<size_t>(-1);
// Sections with more keys than this get a hash index for the duplicate check.
constexpr size_t kLinearKeyLimit = 32;

inline bool isLineEnd(char a_C) {
    return a_C == '\n' || a_C == '\r' || a_C == '\0';
}

inline char upperAscii(char a_C) {
    return (a_C >= 'a' && a_C <= 'z') ? static_cast<char>(a_C - 'a' + 'A') : a_C;
}

// First line end in [a_p, a_pEnd), or a_pEnd. Checks eight bytes at a time for any of
// the three line-end bytes, since most bytes of a file are not line ends.
const char* findLineEnd(const char* a_p, const char* a_pEnd) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighs = 0x8080808080808080ull;
    while (a_pEnd - a_p >= 8) {
        uint64_t l_Word;
        std::memcpy(&l_Word, a_p, 8);
        const uint64_t l_Lf = l_Word ^ (kOnes * '\n');
        const uint64_t l_Cr = l_Word ^ (kOnes * '\r');
        const uint64_t l_Hit =
            ((l_Word - kOnes) & ~l_Word) | ((l_Lf - kOnes) & ~l_Lf) | ((l_Cr - kOnes) & ~l_Cr);
        if ((l_Hit & kHighs) != 0)
            break;
        a_p += 8;
    }
    while (a_p < a_pEnd && !isLineEnd(*a_p))
        ++a_p;
    return a_p;
}

}  // namespace

tIniReader::tIniReader(tIniDocument& a_rDocument)
    : m_rDocument(a_rDocument), m_LastEnd(0), m_Current(kNoSection), m_Used(0) {
    m_Line.reserve(256);
}

void tIniReader::feed(const char* a_pData, size_t a_Size) {
    const char* l_p = a_pData;
    const char* const l_pEnd = a_pData + a_Size;
    while (l_p < l_pEnd) {
        if (m_LastEnd != 0) {
            // The second half of a CR LF or LF CR pair belongs to the line already ended;
            // two equal line ends in a row give an empty line.
            const char l_Previous = m_LastEnd;
            m_LastEnd = 0;
            if (isLineEnd(*l_p) && *l_p != l_Previous) {
                ++l_p;
                continue;
            }
        }
        const char* const l_pStop = findLineEnd(l_p, l_pEnd);
        if (l_pStop == l_pEnd) {
            m_Line.append(l_p, l_pStop);
            return;
        }
        if (m_Line.empty()) {
            parseLine(l_p, l_pStop);
        } else {
            m_Line.append(l_p, l_pStop);
            parseLine(m_Line.data(), m_Line.data() + m_Line.size());
            m_Line.clear();
        }
        m_LastEnd = *l_pStop;
        l_p = l_pStop + 1;
    }
}

void tIniReader::finish() {
    if (!m_Line.empty()) {
        parseLine(m_Line.data(), m_Line.data() + m_Line.size());
        m_Line.clear();
    }
    m_rDocument.joinContinuationKeys();
}

uint64_t tIniReader::hashName(const char* a_pBegin, const char* a_pEnd, uint64_t a_Seed) const {
    uint64_t l_Hash = 0xcbf29ce484222325ull ^ (a_Seed * 0x9e3779b97f4a7c15ull);
    const bool l_Exact = m_rDocument.m_CaseSensitive != 0;
    for (const char* l_p = a_pBegin; l_p < a_pEnd; ++l_p) {
        l_Hash ^= static_cast<unsigned char>(l_Exact ? *l_p : upperAscii(*l_p));
        l_Hash *= 0x100000001b3ull;
    }
    // Final mix, so that the low bits that pick a slot depend on every byte and the seed.
    l_Hash ^= l_Hash >> 33;
    l_Hash *= 0xff51afd7ed558ccdull;
    l_Hash ^= l_Hash >> 33;
    l_Hash *= 0xc4ceb9fe1a85ec53ull;
    l_Hash ^= l_Hash >> 33;
    return l_Hash | 1;  // never 0, the mark of an empty slot
}

tIniReader::tSlot& tIniReader::findSlot(uint64_t a_Hash, uint32_t a_Section, bool a_IsSection,
                                        const char* a_pBegin, const char* a_pEnd) {
    const size_t l_Mask = m_Table.size() - 1;
    const std::vector<tIniSection>& l_rSections = m_rDocument.m_Sections;
    for (size_t l_At = static_cast<size_t>(a_Hash) & l_Mask;; l_At = (l_At + 1) & l_Mask) {
        tSlot& l_rSlot = m_Table[l_At];
        if (l_rSlot.hash == 0)
            return l_rSlot;
        if (l_rSlot.hash != a_Hash || (l_rSlot.key == kSectionEntry) != a_IsSection)
            continue;
        if (a_IsSection) {
            if (sameName(l_rSections[l_rSlot.section].name, a_pBegin, a_pEnd))
                return l_rSlot;
        } else if (l_rSlot.section == a_Section &&
                   sameName(l_rSections[a_Section].keys[l_rSlot.key].name, a_pBegin, a_pEnd)) {
            return l_rSlot;
        }
    }
}

void tIniReader::insert(uint64_t a_Hash, uint32_t a_Section, uint32_t a_Key) {
    if ((m_Used + 1) * 2 > m_Table.size()) {
        std::vector<tSlot> l_Old(m_Table.empty() ? 64 : m_Table.size() * 2, tSlot{0, 0, 0});
        l_Old.swap(m_Table);
        const size_t l_Mask = m_Table.size() - 1;
        for (const tSlot& l_rSlot : l_Old) {
            if (l_rSlot.hash == 0)
                continue;
            size_t l_At = static_cast<size_t>(l_rSlot.hash) & l_Mask;
            while (m_Table[l_At].hash != 0)
                l_At = (l_At + 1) & l_Mask;
            m_Table[l_At] = l_rSlot;
        }
    }
    const size_t l_Mask = m_Table.size() - 1;
    size_t l_At = static_cast<size_t>(a_Hash) & l_Mask;
    while (m_Table[l_At].hash != 0)
        l_At = (l_At + 1) & l_Mask;
    m_Table[l_At] = tSlot{a_Hash, a_Section, a_Key};
    ++m_Used;
}

void tIniReader::indexKeysOf(uint32_t a_Section) {
    const std::vector<tIniKey>& l_rKeys = m_rDocument.m_Sections[a_Section].keys;
    for (size_t i = 0; i < l_rKeys.size(); ++i) {
        const std::string& l_rName = l_rKeys[i].name;
        insert(hashName(l_rName.data(), l_rName.data() + l_rName.size(), a_Section + 1), a_Section,
               static_cast<uint32_t>(i));
    }
    m_KeysIndexed[a_Section] = 1;
}

bool tIniReader::sameName(const std::string& a_rName, const char* a_pBegin,
                          const char* a_pEnd) const {
    return m_rDocument.namesEqual(a_rName.data(), a_rName.size(), a_pBegin,
                                  static_cast<size_t>(a_pEnd - a_pBegin));
}

void tIniReader::parseLine(const char* a_pBegin, const char* a_pEnd) {
    const char* l_p = a_pBegin;
    while (l_p < a_pEnd && isIniSpace(*l_p))
        ++l_p;
    if (l_p == a_pEnd || *l_p == ';')
        return;

    if (*l_p == '[') {
        const char* l_pName = l_p + 1;
        while (l_pName < a_pEnd && isIniSpace(*l_pName))
            ++l_pName;
        const char* l_pClose = static_cast<const char*>(
            std::memchr(l_pName, ']', static_cast<size_t>(a_pEnd - l_pName)));
        if (l_pClose == nullptr)
            return;
        const char* l_pNameEnd = l_pClose;
        while (l_pNameEnd > l_pName && isIniSpace(l_pNameEnd[-1]))
            --l_pNameEnd;
        if (l_pNameEnd == l_pName)
            return;
        openSection(l_pName, l_pNameEnd);
        return;
    }

    const uint32_t l_Options = m_rDocument.m_ReadOptions;
    const char* l_pSep = nullptr;
    size_t l_SepLength = 1;
    if ((l_Options & tIniDocument::kReadColonAndNullSection) != 0) {
        for (const char* l_q = l_p; l_q < a_pEnd; ++l_q) {
            if (*l_q == '=' || *l_q == ':') {
                l_pSep = l_q;
                if (*l_q == ':' && l_q + 1 < a_pEnd && l_q[1] == '=')
                    l_SepLength = 2;
                break;
            }
        }
    } else {
        l_pSep = static_cast<const char*>(std::memchr(l_p, '=', static_cast<size_t>(a_pEnd - l_p)));
    }
    if (l_pSep == nullptr)
        return;

    const char* l_pNameEnd = l_pSep;
    while (l_pNameEnd > l_p && isIniSpace(l_pNameEnd[-1]))
        --l_pNameEnd;
    if (l_pNameEnd == l_p)
        return;
    const char* l_pValue = l_pSep + l_SepLength;
    const char* l_pValueEnd = a_pEnd;
    trimRange(l_pValue, l_pValueEnd);
    if (l_pValue == l_pValueEnd && (l_Options & tIniDocument::kReadKeepEmpty) == 0)
        return;

    if (m_Current == kNoSection) {
        if ((l_Options & tIniDocument::kReadColonAndNullSection) == 0)
            return;
        const char* const l_pNull = tIniDocument::kNullSectionName;
        openSection(l_pNull, l_pNull + std::strlen(l_pNull));
    }

    char l_Quote = 0;
    if (l_pValueEnd - l_pValue >= 2 && *l_pValue == l_pValueEnd[-1]) {
        if ((*l_pValue == '"' && (l_Options & tIniDocument::kReadDoubleQuotes) != 0) ||
            (*l_pValue == '\'' && (l_Options & tIniDocument::kReadSingleQuotes) != 0)) {
            l_Quote = *l_pValue;
            ++l_pValue;
            --l_pValueEnd;
        }
    }
    addKey(l_p, l_pNameEnd, l_pValue, l_pValueEnd, l_Quote);
}

void tIniReader::openSection(const char* a_pBegin, const char* a_pEnd) {
    std::vector<tIniSection>& l_rSections = m_rDocument.m_Sections;
    const bool l_Merge = m_rDocument.m_MergeDuplicates != 0;
    uint64_t l_Hash = 0;
    if (l_Merge) {
        if (m_Current != kNoSection && sameName(l_rSections[m_Current].name, a_pBegin, a_pEnd)) {
            return;
        }
        l_Hash = hashName(a_pBegin, a_pEnd, 0);
        if (!m_Table.empty()) {
            const tSlot& l_rSlot = findSlot(l_Hash, 0, true, a_pBegin, a_pEnd);
            if (l_rSlot.hash != 0) {
                m_Current = l_rSlot.section;
                return;
            }
        }
    }
    if (l_rSections.size() >= kSectionEntry)
        throw std::bad_alloc();
    m_KeysIndexed.push_back(0);
    l_rSections.emplace_back();
    try {
        l_rSections.back().name.assign(a_pBegin, a_pEnd);
        l_rSections.back().keys.reserve(8);
        if (l_Merge)
            insert(l_Hash, static_cast<uint32_t>(l_rSections.size() - 1), kSectionEntry);
    } catch (...) {
        l_rSections.pop_back();
        m_KeysIndexed.pop_back();
        throw;
    }
    m_Current = l_rSections.size() - 1;
}

void tIniReader::addKey(const char* a_pName, const char* a_pNameEnd, const char* a_pValue,
                        const char* a_pValueEnd, char a_Quote) {
    const uint32_t l_Section = static_cast<uint32_t>(m_Current);
    std::vector<tIniKey>& l_rKeys = m_rDocument.m_Sections[l_Section].keys;
    const bool l_Merge = m_rDocument.m_MergeDuplicates != 0;
    uint64_t l_Hash = 0;
    if (l_Merge) {
        tIniKey* l_pFound = nullptr;
        if (m_KeysIndexed[l_Section] == 0 && l_rKeys.size() >= kLinearKeyLimit) {
            indexKeysOf(l_Section);
        }
        if (m_KeysIndexed[l_Section] == 0) {
            for (tIniKey& l_rKey : l_rKeys) {
                if (sameName(l_rKey.name, a_pName, a_pNameEnd)) {
                    l_pFound = &l_rKey;
                    break;
                }
            }
        } else {
            l_Hash = hashName(a_pName, a_pNameEnd, l_Section + 1);
            const tSlot& l_rSlot = findSlot(l_Hash, l_Section, false, a_pName, a_pNameEnd);
            if (l_rSlot.hash != 0)
                l_pFound = &l_rKeys[l_rSlot.key];
        }
        if (l_pFound != nullptr) {
            l_pFound->value.assign(a_pValue, a_pValueEnd);
            l_pFound->quote = a_Quote;
            return;
        }
    }
    if (l_rKeys.size() >= kSectionEntry)
        throw std::bad_alloc();
    l_rKeys.emplace_back();
    try {
        l_rKeys.back().name.assign(a_pName, a_pNameEnd);
        l_rKeys.back().value.assign(a_pValue, a_pValueEnd);
        l_rKeys.back().quote = a_Quote;
        if (l_Merge && m_KeysIndexed[l_Section] != 0) {
            insert(l_Hash, l_Section, static_cast<uint32_t>(l_rKeys.size() - 1));
        }
    } catch (...) {
        l_rKeys.pop_back();
        throw;
    }
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
