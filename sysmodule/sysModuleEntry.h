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

// The frame of the two count entry points: arguments that are not all given give -52005
// before any work, with a_pCount untouched; a library without a usable cache writes 0
// and answers a_NoCacheCode (0: success); else a_rCount(cache, status) runs under the
// cache lock and a_pCount gets its result, or 0 when the record holds an error.
template <typename tCount>
int32_t countFromCache(bool a_ArgumentsGiven, int32_t* a_pCount, int32_t a_NoCacheCode,
                       const char* a_pFile, uint64_t a_Line, tCount&& a_rCount) noexcept {
    tStatusRecord l_Status;
    if (!a_ArgumentsGiven) {
        setAt(l_Status, qxapalerr_invalidParameter, a_pFile, a_Line);
        return l_Status.code32();
    }
    tPXIeSystemModuleCache* l_pCache = usableCache(systemModuleCache());
    if (l_pCache == nullptr) {
        *a_pCount = 0;
        setAt(l_Status, a_NoCacheCode, a_pFile, a_Line);
        return l_Status.code32();
    }
    int32_t l_Count = 0;
    runUnderCacheLock(*l_pCache, l_Status, a_pFile, a_Line,
                      [&] { l_Count = a_rCount(*l_pCache, &l_Status); });
    *a_pCount = l_Status.isError() ? 0 : l_Count;
    return l_Status.code32();
}

}  // namespace QX_NS
