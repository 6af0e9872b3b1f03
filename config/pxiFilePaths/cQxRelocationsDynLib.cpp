#include "config/pxiFilePaths/cQxRelocationsDynLib.h"

namespace QX_NS {

cQxRelocationsDynLib::cQxRelocationsDynLib(tJsonStatus& a_rStatus) {
    open(kLibraryName, a_rStatus);
    bind(m_pGetRelocatedDir, "get_relocated_dir", a_rStatus);
}

int cQxRelocationsDynLib::getRelocatedDir(const char* a_pName, char* a_pBuffer,
                                          size_t a_BufferSize) const {
    if (m_pGetRelocatedDir == nullptr)
        return -1;
    return m_pGetRelocatedDir(a_pName, a_pBuffer, a_BufferSize);
}

}  // namespace QX_NS
