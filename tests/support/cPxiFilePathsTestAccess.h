// White-box access to the process-wide installation directory table (declared a friend
// there), for tests and benchmarks that point it at a tree of their own. Built under the
// unit-test namespace, like the shared code it reaches into.
#pragma once

#include <cstring>
#include <string>

#include "config/pxiFilePaths/cPxiFilePaths.h"

namespace QX_NS {

class cPxiFilePathsTestAccess {
public:
    // Sets the named directory ("libdir", "datadir", ...) and forgets any creation failure.
    static void setDirectory(const char* a_pName, const std::string& a_rValue) {
        cPxiFilePaths& l_rPaths = cPxiFilePaths::instance();
        l_rPaths.m_CreationStatus.clear();
        for (cPxiFilePaths::tEntry& l_rEntry : l_rPaths.m_Entries) {
            if (std::strcmp(l_rEntry.name, a_pName) == 0)
                l_rEntry.value = a_rValue;
        }
    }
};

}  // namespace QX_NS
