// tIniDocument: the in-memory model of one INI file, with parsing, lookup, typed
// conversion, serialisation and saving. Owned by one cIniFile; used by one thread at a
// time. Every operation returns a tIniResult and never throws: memory exhaustion inside
// is reported as kIniOutOfMemory.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/inifile/tIniResult.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

struct tIniKey {
    std::string name;
    std::string value;
    char quote = 0;  // the character re-emitted around the value on writing, or 0
};

struct tIniSection {
    std::string name;
    std::vector<tIniKey> keys;
};

class tIniDocument {
public:
    // Read options.
    static constexpr uint32_t kReadKeepEmpty = 0x01;
    static constexpr uint32_t kReadDoubleQuotes = 0x02;
    static constexpr uint32_t kReadSingleQuotes = 0x04;
    static constexpr uint32_t kReadColonAndNullSection = 0x08;
    // Write options.
    static constexpr uint32_t kWriteSafe = 0x02;
    static constexpr uint32_t kWriteUniqueTemp = 0x04;
    static constexpr uint32_t kWriteSpacedSeparator = 0x08;
    static constexpr uint32_t kWriteSync = 0x20;

    static constexpr size_t kMaxPathLength = 255;
    static constexpr size_t kReadChunkSize = 2084;
    static constexpr const char* kNullSectionName = "(null)";

    std::vector<tIniSection> m_Sections;
    uint32_t m_MergeDuplicates = 1;
    uint32_t m_CaseSensitive = 0;
    int32_t m_MaxLineLength = 80;  // -1: no limit
    int32_t m_SplitChar = 0;
    uint32_t m_WriteOptions = 0x2E;
    uint32_t m_ReadOptions = 0x02;
    std::string m_FilePath;
    timespec m_FileTime = {0, 0};

    // The settings cIniFile::open applies on top of the engine defaults.
    void applyOpenSettings();

    // Reading. Both empty the document first; load also records path and time stamp.
    int32_t load(const char* a_pPath);
    int32_t loadFromMemory(const char* a_pData, size_t a_Size);

    // Names are equal by the document's rule: bytes when case-sensitive, otherwise
    // ignoring surrounding white space and letter case.
    bool namesEqual(const char* a_pA, size_t a_LengthA, const char* a_pB, size_t a_LengthB) const;

    tIniSection* findSection(const char* a_pName) const;
    tIniKey* findKey(const char* a_pSection, const char* a_pKey) const;

    // Stores the value (name and value trimmed), creating the section at the end.
    int32_t setValue(const char* a_pSection, const char* a_pKey, const char* a_pValue,
                     char a_Quote);
    bool removeKey(const char* a_pSection, const char* a_pKey);
    bool removeSection(const char* a_pSection);
    int32_t renameSection(const char* a_pSection, const char* a_pNewName, bool& a_rFound);

    // Serialisation of the whole document into a text, and saving it to a path.
    int32_t write(std::string& a_rText) const;
    int32_t save(const char* a_pPath);

private:
    friend class tIniReader;
    void clear();
    void joinContinuationKeys();

    mutable size_t m_LastFound = static_cast<size_t>(-1);
};

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
