// The frame of the system module entry points: the shared entry frame with this
// library's cache.
#pragma once

#include <cstdint>

#include "runtime/entry/tEntryFrame.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"
#include "sysmodule/sysModuleModule.h"

namespace QX_NS {

// The frame of the entry points that read modules from the cache: arguments that are not
// all given, or a library without a usable cache, give -52005 before any work; then
// a_rWork(cache, status) runs under the cache lock. Returns the record's code.
template <typename tWork>
int32_t readFromCache(bool a_ArgumentsGiven, const char* a_pFile, uint64_t a_Line,
                      tWork&& a_rWork) noexcept {
    tStatusRecord l_Status;
    tPXIeSystemModuleCache* l_pCache = usableCache(systemModuleCache());
    if (!a_ArgumentsGiven || l_pCache == nullptr) {
        setAt(l_Status, qxapalerr_invalidParameter, a_pFile, a_Line);
        return l_Status.code32();
    }
    runUnderCacheLock(*l_pCache, l_Status, a_pFile, a_Line, [&] { a_rWork(*l_pCache, &l_Status); });
    return l_Status.code32();
}

}  // namespace QX_NS
