// Reads arbitrary bytes as an INI file, from memory and through a file, calls every
// getter on every key found, edits, and writes the result with and without a line limit.
// The same bytes must give the same model on both reading paths, and what is written
// without a line limit must read back as the same model.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "config/inifile/cIniFile.h"
#include "config/inifile/tIniDocument.h"
#include "fuzz/support/tMemoryFile.h"

namespace {

using namespace QX_NS;
using namespace QX_NS::nQxPxiDriverTools_1_0;

class tFuzzIniFile : public cIniFile {
public:
    using cIniFile::document;
};

// With a_LooseQuotes, an unquoted key of a_rA may come back quoted (the writer quotes
// values that would not read back otherwise).
bool sameModel(const tIniDocument& a_rA, const tIniDocument& a_rB, bool a_LooseQuotes = false) {
    if (a_rA.m_Sections.size() != a_rB.m_Sections.size())
        return false;
    for (size_t s = 0; s < a_rA.m_Sections.size(); ++s) {
        const tIniSection& l_rA = a_rA.m_Sections[s];
        const tIniSection& l_rB = a_rB.m_Sections[s];
        if (l_rA.name != l_rB.name || l_rA.keys.size() != l_rB.keys.size())
            return false;
        for (size_t k = 0; k < l_rA.keys.size(); ++k) {
            if (l_rA.keys[k].name != l_rB.keys[k].name ||
                l_rA.keys[k].value != l_rB.keys[k].value ||
                (l_rA.keys[k].quote != l_rB.keys[k].quote &&
                 !(a_LooseQuotes && l_rA.keys[k].quote == 0))) {
                return false;
            }
        }
    }
    return true;
}

void exerciseGetters(cIniFile& a_rIni, const tIniDocument& a_rDocument) {
    for (const tIniSection& l_rSection : a_rDocument.m_Sections) {
        for (const tIniKey& l_rKey : l_rSection.keys) {
            const char* l_pSection = l_rSection.name.c_str();
            const char* l_pKey = l_rKey.name.c_str();
            tStatusRecord l_Status;
            std::string l_String;
            int32_t l_Int = 0;
            uint32_t l_UInt = 0;
            std::vector<int32_t> l_Ints;
            std::vector<std::string> l_Strings;
            a_rIni.getString(l_pSection, l_pKey, l_String, &l_Status);
            if (l_Status.code != 0)
                __builtin_trap();  // every key read is found
            a_rIni.getInt(l_pSection, l_pKey, l_Int, &l_Status);
            l_Status.clear();
            a_rIni.getUInt(l_pSection, l_pKey, l_UInt, &l_Status);
            l_Status.clear();
            a_rIni.getHex(l_pSection, l_pKey, l_UInt, &l_Status);
            l_Status.clear();
            a_rIni.getIntList(l_pSection, l_pKey, l_Ints, &l_Status);
            l_Status.clear();
            a_rIni.getStringList(l_pSection, l_pKey, l_Strings, &l_Status);
            if (l_Status.code != 0)
                __builtin_trap();
            a_rIni.hasKey(l_pSection, l_pKey, &l_Status);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* a_pData, size_t a_Size) {
    static qxfuzz::tMemoryFile s_File("qxinifuzz");
    const char* l_pText = reinterpret_cast<const char*>(a_pData);

    // Every combination of read options, in memory, with the engine's defaults.
    for (uint32_t l_Options = 0; l_Options < 16; ++l_Options) {
        tIniDocument l_Document;
        l_Document.m_ReadOptions = l_Options;
        l_Document.loadFromMemory(l_pText, a_Size);
    }

    if (!s_File.fill(a_pData, a_Size))
        return 0;
    tFuzzIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(s_File.path().c_str(), 0, &l_Status);
    tIniDocument* l_pDocument = l_Ini.document();
    if (l_pDocument == nullptr)
        __builtin_trap();

    tIniDocument l_FromMemory;
    l_FromMemory.applyOpenSettings();
    const int32_t l_MemoryResult = l_FromMemory.loadFromMemory(l_pText, a_Size);
    if ((l_Status.code == 0) != (l_MemoryResult == kIniOk))
        __builtin_trap();
    if (l_Status.code != 0)
        return 0;
    if (!sameModel(*l_pDocument, l_FromMemory))
        __builtin_trap();

    exerciseGetters(l_Ini, *l_pDocument);

    // What was read, written without a line limit, reads back as the same model. Left
    // out: a section named "(null)" (written without its header) and a section where
    // joining continuation keys gave two keys one name (they merge when read again).
    bool l_Ambiguous = false;
    for (const tIniSection& l_rSection : l_pDocument->m_Sections) {
        l_Ambiguous = l_Ambiguous || l_rSection.name == tIniDocument::kNullSectionName;
        std::set<std::string> l_Names;
        for (const tIniKey& l_rKey : l_rSection.keys) {
            l_Ambiguous = l_Ambiguous || !l_Names.insert(l_rKey.name).second;
        }
    }
    std::string l_Written;
    if (l_pDocument->write(l_Written) != kIniOk)
        __builtin_trap();
    if (!l_Ambiguous) {
        tIniDocument l_Back;
        l_Back.applyOpenSettings();
        if (l_Back.loadFromMemory(l_Written.data(), l_Written.size()) != kIniOk)
            __builtin_trap();
        if (!sameModel(*l_pDocument, l_Back, true))
            __builtin_trap();
    }

    std::vector<std::string> l_Names;
    l_Ini.getSectionNames(l_Names, &l_Status);
    if (!l_Names.empty()) {
        const std::string l_Half(l_pText + a_Size / 2, l_pText + a_Size);
        l_Ini.setString(l_Names[0].c_str(), "Fuzz", l_Half.c_str(), &l_Status);
        l_Ini.renameSection(l_Names.back().c_str(), "Renamed", &l_Status);
        l_Ini.removeSection(l_Names[0].c_str(), &l_Status);
    }
    l_Status.clear();

    // Written without a limit, the text reads back into as many sections.
    std::string l_Text;
    l_pDocument->m_MaxLineLength = -1;
    if (l_pDocument->write(l_Text) != kIniOk)
        __builtin_trap();
    // With a limit and a split character, pieces are cut; only a limit too small fails.
    l_pDocument->m_MaxLineLength = 40;
    l_pDocument->m_SplitChar = ',';
    std::string l_Split;
    const int32_t l_SplitResult = l_pDocument->write(l_Split);
    if (l_SplitResult != kIniOk && l_SplitResult != kIniLineLimitTooSmall)
        __builtin_trap();
    return 0;
}
