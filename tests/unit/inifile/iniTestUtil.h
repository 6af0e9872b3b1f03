// Helpers of the INI engine tests: a scratch directory, whole-file reads and writes, a
// printable form of a document, and a cIniFile that exposes its document.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/inifile/cIniFile.h"
#include "config/inifile/tIniDocument.h"

namespace iniTest {

using namespace QX_NS;
using namespace QX_NS::nQxPxiDriverTools_1_0;

class tScratchDir {
public:
    tScratchDir() {
        char l_Template[] = "/tmp/qxinitest.XXXXXX";
        const char* l_pDir = ::mkdtemp(l_Template);
        m_Path = l_pDir != nullptr ? l_pDir : "/tmp";
    }
    ~tScratchDir() {
        for (const std::string& l_rName : entries())
            ::unlink(file(l_rName).c_str());
        ::rmdir(m_Path.c_str());
    }
    std::string file(const std::string& a_rName) const { return m_Path + "/" + a_rName; }
    std::string write(const std::string& a_rName, const std::string& a_rContent) const {
        const std::string l_Path = file(a_rName);
        std::ofstream(l_Path, std::ios::binary) << a_rContent;
        return l_Path;
    }
    // Names of the directory's entries, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> l_Names;
        if (DIR* l_pDir = ::opendir(m_Path.c_str())) {
            while (dirent* l_pEntry = ::readdir(l_pDir)) {
                const std::string l_Name = l_pEntry->d_name;
                if (l_Name != "." && l_Name != "..")
                    l_Names.push_back(l_Name);
            }
            ::closedir(l_pDir);
        }
        std::sort(l_Names.begin(), l_Names.end());
        return l_Names;
    }
    const std::string& path() const { return m_Path; }

private:
    std::string m_Path;
};

inline std::string readAll(const std::string& a_rPath) {
    std::ifstream l_In(a_rPath, std::ios::binary);
    std::ostringstream l_Out;
    l_Out << l_In.rdbuf();
    return l_Out.str();
}

// "[A]{k=v}{q=v/"}[B]..." : every section and key in order; a key with a quote character
// shows it after a slash.
inline std::string dump(const tIniDocument& a_rDocument) {
    std::string l_Text;
    for (const tIniSection& l_rSection : a_rDocument.m_Sections) {
        l_Text += "[" + l_rSection.name + "]";
        for (const tIniKey& l_rKey : l_rSection.keys) {
            l_Text += "{" + l_rKey.name + "=" + l_rKey.value;
            if (l_rKey.quote)
                l_Text += std::string("/") + l_rKey.quote;
            l_Text += "}";
        }
    }
    return l_Text;
}

// A cIniFile whose document the tests may look at and configure.
class tOpenIniFile : public cIniFile {
public:
    using cIniFile::document;
};

}  // namespace iniTest
