#include "config/inifile/tIniDocument.h"

#include <cstring>
#include <new>

#include "config/inifile/tIniConversions.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

inline char upperAscii(char a_C) {
    return (a_C >= 'a' && a_C <= 'z') ? static_cast<char>(a_C - 'a' + 'A') : a_C;
}

// The trimmed copy of a caller's name; empty for a null pointer.
std::string trimmedName(const char* a_pName) {
    if (a_pName == nullptr)
        return std::string();
    const char* l_pBegin = a_pName;
    const char* l_pEnd = a_pName + std::strlen(a_pName);
    trimRange(l_pBegin, l_pEnd);
    return std::string(l_pBegin, l_pEnd);
}

// Number of a continuation key ("<name> Line<digits>" at the first " Line"), or -1.
int64_t continuationNumber(const std::string& a_rName, size_t& a_rCut) {
    const size_t l_At = a_rName.find(" Line");
    if (l_At == std::string::npos)
        return -1;
    size_t l_Digit = l_At + 5;
    if (l_Digit == a_rName.size())
        return -1;
    uint64_t l_Number = 0;
    for (; l_Digit < a_rName.size(); ++l_Digit) {
        const char l_C = a_rName[l_Digit];
        if (l_C < '0' || l_C > '9')
            return -1;
        l_Number = l_Number * 10 + static_cast<uint64_t>(l_C - '0');
        if (l_Number > 0xFFFFFFFFull)
            return -1;
    }
    a_rCut = l_At;
    return static_cast<int64_t>(l_Number);
}

// Whether a name written into the file would read back as itself: no line end, and
// nothing that the reader takes for the end of a header or a separator, a comment or
// a header. A name that fails this would corrupt the file when saved.
bool writableSectionName(const std::string& a_rName) {
    return !a_rName.empty() && a_rName.find_first_of("\r\n]") == std::string::npos;
}

bool writableKeyName(const std::string& a_rName) {
    return !a_rName.empty() && a_rName.find_first_of("\r\n=") == std::string::npos &&
           a_rName[0] != ';' && a_rName[0] != '[';
}

}  // namespace

void tIniDocument::applyOpenSettings() {
    m_MaxLineLength = -1;
    m_SplitChar = 0;
    m_WriteOptions = 0x28;
    m_CaseSensitive = 1;
}

void tIniDocument::clear() {
    m_Sections.clear();
    m_LastFound = kNone;
}

bool tIniDocument::namesEqual(const char* a_pA, size_t a_LengthA, const char* a_pB,
                              size_t a_LengthB) const {
    if (m_CaseSensitive != 0) {
        return a_LengthA == a_LengthB && std::memcmp(a_pA, a_pB, a_LengthA) == 0;
    }
    const char* l_pA = a_pA;
    const char* l_pAEnd = a_pA + a_LengthA;
    const char* l_pB = a_pB;
    const char* l_pBEnd = a_pB + a_LengthB;
    trimRange(l_pA, l_pAEnd);
    trimRange(l_pB, l_pBEnd);
    if (l_pAEnd - l_pA != l_pBEnd - l_pB)
        return false;
    for (; l_pA < l_pAEnd; ++l_pA, ++l_pB) {
        if (upperAscii(*l_pA) != upperAscii(*l_pB))
            return false;
    }
    return true;
}

tIniSection* tIniDocument::findSection(const char* a_pName) const {
    if (a_pName == nullptr)
        return nullptr;
    const size_t l_Length = std::strlen(a_pName);
    std::vector<tIniSection>& l_rSections = const_cast<std::vector<tIniSection>&>(m_Sections);
    if (m_LastFound < l_rSections.size()) {
        const std::string& l_rName = l_rSections[m_LastFound].name;
        if (namesEqual(l_rName.data(), l_rName.size(), a_pName, l_Length)) {
            return &l_rSections[m_LastFound];
        }
    }
    for (size_t i = 0; i < l_rSections.size(); ++i) {
        const std::string& l_rName = l_rSections[i].name;
        if (namesEqual(l_rName.data(), l_rName.size(), a_pName, l_Length)) {
            m_LastFound = i;
            return &l_rSections[i];
        }
    }
    return nullptr;
}

tIniKey* tIniDocument::findKey(const char* a_pSection, const char* a_pKey) const {
    tIniSection* l_pSection = findSection(a_pSection);
    if (l_pSection == nullptr || a_pKey == nullptr)
        return nullptr;
    const size_t l_Length = std::strlen(a_pKey);
    for (tIniKey& l_rKey : l_pSection->keys) {
        if (namesEqual(l_rKey.name.data(), l_rKey.name.size(), a_pKey, l_Length))
            return &l_rKey;
    }
    return nullptr;
}

int32_t tIniDocument::setValue(const char* a_pSection, const char* a_pKey, const char* a_pValue,
                               char a_Quote) {
    try {
        std::string l_SectionName = trimmedName(a_pSection);
        tIniKey l_Key;
        l_Key.name = trimmedName(a_pKey);
        if (!writableSectionName(l_SectionName) || !writableKeyName(l_Key.name)) {
            return kIniEmptyName;
        }
        l_Key.value = trimmedName(a_pValue);
        l_Key.quote = a_Quote;

        tIniSection* l_pSection = findSection(l_SectionName.c_str());
        if (l_pSection == nullptr) {
            tIniSection l_New;
            l_New.name.swap(l_SectionName);
            l_New.keys.push_back(std::move(l_Key));
            m_Sections.push_back(std::move(l_New));
            return kIniOk;
        }
        if (m_MergeDuplicates != 0) {
            tIniKey* l_pKey = findKey(l_pSection->name.c_str(), l_Key.name.c_str());
            if (l_pKey != nullptr) {
                l_pKey->value.swap(l_Key.value);
                l_pKey->quote = a_Quote;
                return kIniOk;
            }
        }
        l_pSection->keys.push_back(std::move(l_Key));
        return kIniOk;
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

bool tIniDocument::removeKey(const char* a_pSection, const char* a_pKey) {
    tIniSection* l_pSection = findSection(a_pSection);
    tIniKey* l_pKey = findKey(a_pSection, a_pKey);
    if (l_pSection == nullptr || l_pKey == nullptr)
        return false;
    l_pSection->keys.erase(l_pSection->keys.begin() + (l_pKey - l_pSection->keys.data()));
    return true;
}

bool tIniDocument::removeSection(const char* a_pSection) {
    tIniSection* l_pSection = findSection(a_pSection);
    if (l_pSection == nullptr)
        return false;
    m_Sections.erase(m_Sections.begin() + (l_pSection - m_Sections.data()));
    m_LastFound = kNone;
    return true;
}

int32_t tIniDocument::renameSection(const char* a_pSection, const char* a_pNewName,
                                    bool& a_rFound) {
    a_rFound = false;
    tIniSection* l_pSection = findSection(a_pSection);
    if (l_pSection == nullptr)
        return kIniOk;
    a_rFound = true;
    try {
        std::string l_Name = trimmedName(a_pNewName);
        if (!writableSectionName(l_Name))
            return kIniEmptyName;
        l_pSection->name.swap(l_Name);
        return kIniOk;
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

void tIniDocument::joinContinuationKeys() {
    for (tIniSection& l_rSection : m_Sections) {
        std::vector<tIniKey>& l_rKeys = l_rSection.keys;
        bool l_Any = false;
        for (const tIniKey& l_rKey : l_rKeys) {
            // Only a name that ends in a digit can be one; most names do not.
            const std::string& l_rName = l_rKey.name;
            if (!l_rName.empty() && l_rName.back() >= '0' && l_rName.back() <= '9' &&
                l_rName.find(" Line") != std::string::npos) {
                l_Any = true;
                break;
            }
        }
        if (!l_Any)
            continue;

        // Compacts in place: l_Out is where the next kept key goes.
        size_t l_Out = 0;
        size_t i = 0;
        while (i < l_rKeys.size()) {
            size_t l_Cut = 0;
            const int64_t l_Number = continuationNumber(l_rKeys[i].name, l_Cut);
            if (l_Out != i)
                l_rKeys[l_Out] = std::move(l_rKeys[i]);
            ++i;
            if (l_Number != 1) {
                ++l_Out;
                continue;
            }
            tIniKey& l_rFirst = l_rKeys[l_Out];
            // Names are kept trimmed: "Key   Line0001" is the key "Key".
            while (l_Cut > 0 && isIniSpace(l_rFirst.name[l_Cut - 1]))
                --l_Cut;
            l_rFirst.name.resize(l_Cut);
            while (i < l_rKeys.size()) {
                size_t l_NextCut = 0;
                const int64_t l_Next = continuationNumber(l_rKeys[i].name, l_NextCut);
                if (l_Next < 0 || l_Next == 1)
                    break;
                l_rFirst.value += l_rKeys[i].value;
                ++i;
            }
            ++l_Out;
        }
        l_rKeys.resize(l_Out);
    }
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
