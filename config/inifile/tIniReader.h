// tIniReader: turns a byte stream, fed in pieces of any size, into lines and parses them
// into a document. Lines end at a line feed, a carriage return or a NUL byte; a CR LF or
// LF CR pair ends one line. Lines may be of any length. May throw std::bad_alloc; the
// document's load functions catch it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/inifile/tIniDocument.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

class tIniReader {
public:
    explicit tIniReader(tIniDocument& a_rDocument);

    void feed(const char* a_pData, size_t a_Size);
    // Parses the last line when the input did not end with a line end, then joins the
    // continuation keys.
    void finish();

private:
    // Finds names by hash while loading, so that merging duplicates stays linear in the
    // size of the file: one open-addressing table holds the sections and the keys of the
    // sections that have grown beyond a few keys. No allocation per entry.
    struct tSlot {
        uint64_t hash;  // 0: empty
        uint32_t section;
        uint32_t key;  // kSectionEntry for a section
    };
    static constexpr uint32_t kSectionEntry = 0xFFFFFFFFu;

    void parseLine(const char* a_pBegin, const char* a_pEnd);
    void openSection(const char* a_pBegin, const char* a_pEnd);
    void addKey(const char* a_pName, const char* a_pNameEnd, const char* a_pValue,
                const char* a_pValueEnd, char a_Quote);
    uint64_t hashName(const char* a_pBegin, const char* a_pEnd, uint64_t a_Seed) const;
    bool sameName(const std::string& a_rName, const char* a_pBegin, const char* a_pEnd) const;
    // The slot of an equal entry, or the empty slot where it would go.
    tSlot& findSlot(uint64_t a_Hash, uint32_t a_Section, bool a_IsSection, const char* a_pBegin,
                    const char* a_pEnd);
    void insert(uint64_t a_Hash, uint32_t a_Section, uint32_t a_Key);
    void indexKeysOf(uint32_t a_Section);

    tIniDocument& m_rDocument;
    std::string m_Line;  // a line that spans two pieces of input
    char m_LastEnd;      // the character that ended the previous line, or 0
    size_t m_Current;    // index of the current section, or none
    std::vector<tSlot> m_Table;
    size_t m_Used;
    std::vector<uint8_t> m_KeysIndexed;  // per section: its keys are in the table
};

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
