// The frame every entry point of the two API libraries follows: a fresh status record,
// argument checks, the library's cache, the work under the cache lock with every
// exception turned into a code, and the record's code as the result. Failures of the
// frame are recorded at the entry point's own place (QX_ENTRY_SITE), so that they name
// its source module and not this header.
#pragma once

#include <cstdint>
#include <new>

#include "runtime/process/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

#define QX_ENTRY_SITE __FILE__, __LINE__

namespace QX_NS {

inline void setAt(tStatusRecord& a_rStatus, int32_t a_Code, const char* a_pFile, uint64_t a_Line) {
    a_rStatus.set(a_Code, QX_COMPONENT, a_pFile, a_Line);
}

// True when no pointer is null.
template <typename... tPointers>
bool allGiven(const tPointers*... a_pPointers) {
    return ((a_pPointers != nullptr) && ...);
}

// The library's cache when it has a usable one (built, its lock created), else null.
template <typename tCache>
tCache* usableCache(tCache* a_pCache) {
    return a_pCache != nullptr && a_pCache->isCreated() ? a_pCache : nullptr;
}

// Runs a_rWork; nothing escapes: no memory gives -52000, any other exception -52003.
template <typename tWork>
void runGuarded(tStatusRecord& a_rStatus, const char* a_pFile, uint64_t a_Line,
                tWork&& a_rWork) noexcept {
    try {
        a_rWork();
    } catch (const std::bad_alloc&) {
        setAt(a_rStatus, qxapalerr_memoryFull, a_pFile, a_Line);
    } catch (...) {
        setAt(a_rStatus, qxapalerr_softwareFaultAPALInternalUseOnly, a_pFile, a_Line);
    }
}

// runGuarded with the cache lock held; the lock is released on every path out.
template <typename tCache, typename tWork>
void runUnderCacheLock(tCache& a_rCache, tStatusRecord& a_rStatus, const char* a_pFile,
                       uint64_t a_Line, tWork&& a_rWork) noexcept {
    runGuarded(a_rStatus, a_pFile, a_Line, [&] {
        tFastMutexLock l_Lock(a_rCache.mutex());
        a_rWork();
    });
}

}  // namespace QX_NS
