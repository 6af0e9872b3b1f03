#include "config/pxiFilePaths/cQxRelocationsDynLib.h"

namespace QX_NS {

cQxRelocationsDynLib::cQxRelocationsDynLib(tJsonStatus& a_rStatus) {
    open(kLibraryName, a_rStatus);
    bindTable(a_rStatus);
}

int cQxRelocationsDynLib::getRelocatedDir(const char* a_pName, char* a_pBuffer,
                                          size_t a_BufferSize) const {
    return m_GetRelocatedDir.callOr(-1, a_pName, a_pBuffer, a_BufferSize);
}

}  // namespace QX_NS
