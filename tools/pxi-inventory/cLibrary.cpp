#include "tools/pxi-inventory/cLibrary.h"

#include <dlfcn.h>
#include <link.h>

namespace nQxPxiInventory {

namespace {

std::string lastDlError() {
    const char* l_pText = dlerror();
    return l_pText != nullptr ? l_pText : "unknown loader error";
}

}  // namespace

cLibrary::cLibrary(const std::string& a_rFile, const std::vector<std::string>& a_rFallbackDirs)
    : m_File(a_rFile) {
    m_pHandle = dlopen(a_rFile.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_pHandle == nullptr) {
        m_Error = lastDlError();
        for (const std::string& l_rDir : a_rFallbackDirs) {
            const std::string l_Candidate = l_rDir + "/" + a_rFile;
            m_pHandle = dlopen(l_Candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (m_pHandle != nullptr) {
                break;
            }
            dlerror();
        }
    }
    if (m_pHandle != nullptr) {
        m_Error.clear();
        struct link_map* l_pMap = nullptr;
        if (dlinfo(m_pHandle, RTLD_DI_LINKMAP, &l_pMap) == 0 && l_pMap != nullptr &&
            l_pMap->l_name != nullptr) {
            m_Path = l_pMap->l_name;
        }
    }
}

cLibrary::~cLibrary() {
    if (m_pHandle != nullptr) {
        dlclose(m_pHandle);
    }
}

void* cLibrary::rawSymbol(const char* a_pName, std::string& a_rError) const {
    if (m_pHandle == nullptr) {
        a_rError = m_File + " is not loaded";
        return nullptr;
    }
    dlerror();
    void* l_pSymbol = dlsym(m_pHandle, a_pName);
    if (l_pSymbol == nullptr) {
        a_rError = lastDlError();
    }
    return l_pSymbol;
}

}  // namespace nQxPxiInventory
