// The frame every cache-based entry point follows: a fresh status record, argument
// checks, the cache check, the work under the cache lock with every exception turned into
// a code, and the record's code as the result. Frame failures are recorded at the entry
// point's own place (QX_ENTRY_SITE).
#pragma once

#include <cstdint>
#include <new>

#include "runtime/module/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"
#include "sysmodule/sysModuleModule.h"

#define QX_ENTRY_SITE __FILE__, __LINE__

namespace QX_NS {

// The cache when the library has a usable one, else null.
inline tPXIeSystemModuleCache* usableCache() {
    tPXIeSystemModuleCache* l_pCache = systemModuleCache();
    return l_pCache != nullptr && l_pCache->isCreated() ? l_pCache : nullptr;
}

inline void setAt(tStatusRecord& a_rStatus, int32_t a_Code, const char* a_pFile, uint64_t a_Line) {
    a_rStatus.set(a_Code, QX_COMPONENT, a_pFile, a_Line);
}

// Runs a_rWork with the cache lock held; the lock is released on every path out. Nothing
// escapes: no memory gives -52000, any other exception -52003.
template <typename tWork>
void runUnderCacheLock(tPXIeSystemModuleCache& a_rCache, tStatusRecord& a_rStatus,
                       const char* a_pFile, uint64_t a_Line, tWork&& a_rWork) noexcept {
    try {
        tFastMutexLock l_Lock(a_rCache.mutex());
        a_rWork();
    } catch (const std::bad_alloc&) {
        setAt(a_rStatus, qxapalerr_memoryFull, a_pFile, a_Line);
    } catch (...) {
        setAt(a_rStatus, qxapalerr_softwareFaultAPALInternalUseOnly, a_pFile, a_Line);
    }
}

}  // namespace QX_NS
