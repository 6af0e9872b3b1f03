// tIniReader: turns a byte stream, fed in pieces of any size, into lines and parses them
// into a document. Lines end at a line feed, a carriage return or a NUL byte; a CR LF or
// LF CR pair ends one line. Lines may be of any length. May throw std::bad_alloc; the
// document's load functions catch it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
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
    // size of the file. Values are indices into the sections or into one section's keys.
    typedef std::unordered_multimap<uint64_t, uint32_t> tNameIndex;

    void parseLine(const char* a_pBegin, const char* a_pEnd);
    void openSection(const char* a_pBegin, const char* a_pEnd);
    void addKey(const char* a_pName, const char* a_pNameEnd, const char* a_pValue,
                const char* a_pValueEnd, char a_Quote);
    uint64_t hashName(const char* a_pBegin, const char* a_pEnd) const;
    bool sameName(const std::string& a_rName, const char* a_pBegin, const char* a_pEnd) const;

    tIniDocument& m_rDocument;
    std::string m_Line;  // a line that spans two pieces of input
    char m_LastEnd;      // the character that ended the previous line, or 0
    size_t m_Current;    // index of the current section, or none
    tNameIndex m_SectionIndex;
    std::vector<std::unique_ptr<tNameIndex>> m_KeyIndex;  // per section, built when large
};

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
