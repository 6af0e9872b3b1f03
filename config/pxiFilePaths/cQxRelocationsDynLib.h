// Binding of the relocation service library, which tells where the platform's
// installation directories were moved. Created on the stack while the installation path
// table is built, and released right after; not shared between threads.
#pragma once

#include <cstddef>

#include "qxpxi/services/qxrelocations.h"
#include "runtime/dynlib/qxDynLib.h"
#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"

namespace QX_NS {

class cQxRelocationsDynLib : public tDynLibBinding {
public:
    using tGetRelocatedDir = decltype(&::get_relocated_dir);

    static constexpr const char* kLibraryName = "libqxrelocations.so.0";

    // Loads the library and binds its function; failures go to a_rStatus.
    explicit cQxRelocationsDynLib(tJsonStatus& a_rStatus);

    bool isBound() const { return isTableBound(); }

    // > 0: the buffer holds the directory; 0: no different value; < 0: failure (also
    // when the function is not bound).
    int getRelocatedDir(const char* a_pName, char* a_pBuffer, size_t a_BufferSize) const;

private:
    tFunction<tGetRelocatedDir> m_GetRelocatedDir{*this, "get_relocated_dir"};
};

}  // namespace QX_NS
