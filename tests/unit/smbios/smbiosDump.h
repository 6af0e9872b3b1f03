// Builders of SMBIOS dump images for the provider tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace smbiostest {

using tBytes = std::vector<uint8_t>;

// One structure: type, formatted area (the 4-byte header is added, its length byte
// counts it), then the strings and the set's final NUL.
inline tBytes structure(uint8_t a_Type, const tBytes& a_rFields,
                        const std::vector<std::string>& a_rStrings) {
    tBytes l_Out{a_Type, static_cast<uint8_t>(4 + a_rFields.size()), 0x00, 0x10};
    l_Out.insert(l_Out.end(), a_rFields.begin(), a_rFields.end());
    for (const std::string& l_rText : a_rStrings) {
        l_Out.insert(l_Out.end(), l_rText.begin(), l_rText.end());
        l_Out.push_back(0);
    }
    if (a_rStrings.empty())
        l_Out.push_back(0);
    l_Out.push_back(0);
    return l_Out;
}

// A type 1 (system) structure whose manufacturer and product fields name strings 1 and 2.
inline tBytes systemStructure(const std::string& a_rMaker, const std::string& a_rProduct) {
    return structure(1, {1, 2, 0, 0}, {a_rMaker, a_rProduct});
}

inline tBytes concat(std::initializer_list<tBytes> a_Parts) {
    tBytes l_Out;
    for (const tBytes& l_rPart : a_Parts)
        l_Out.insert(l_Out.end(), l_rPart.begin(), l_rPart.end());
    return l_Out;
}

// Header text, NUL, 2-byte little-endian table length, table.
inline tBytes dumpImage(const std::string& a_rHeader, const tBytes& a_rTable) {
    tBytes l_Out(a_rHeader.begin(), a_rHeader.end());
    l_Out.push_back(0);
    l_Out.push_back(static_cast<uint8_t>(a_rTable.size() & 0xFF));
    l_Out.push_back(static_cast<uint8_t>(a_rTable.size() >> 8));
    l_Out.insert(l_Out.end(), a_rTable.begin(), a_rTable.end());
    return l_Out;
}

// A private directory removed with its files at scope end.
class cTempDir {
public:
    cTempDir() {
        char l_Template[] = "/tmp/qxsmbiosXXXXXX";
        const char* l_pDir = mkdtemp(l_Template);
        m_Path = l_pDir != nullptr ? l_pDir : "/tmp";
    }
    ~cTempDir() {
        for (const std::string& l_rFile : m_Files)
            std::remove(l_rFile.c_str());
        rmdir(m_Path.c_str());
    }
    std::string write(const std::string& a_rName, const tBytes& a_rData) {
        const std::string l_Path = file(a_rName);
        std::FILE* l_pFile = std::fopen(l_Path.c_str(), "wb");
        if (l_pFile != nullptr) {
            if (!a_rData.empty())
                std::fwrite(a_rData.data(), 1, a_rData.size(), l_pFile);
            std::fclose(l_pFile);
        }
        return l_Path;
    }
    std::string file(const std::string& a_rName) {
        const std::string l_Path = m_Path + "/" + a_rName;
        m_Files.push_back(l_Path);
        return l_Path;
    }
    const std::string& path() const { return m_Path; }

private:
    std::string m_Path;
    std::vector<std::string> m_Files;
};

}  // namespace smbiostest
