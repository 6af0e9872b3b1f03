// The frame of the chassis entry points (the shared entry frame with this library's
// cache), and the discovery step they share.
#pragma once

#include <cstdint>

#include "chassis/cPxieChassis.h"
#include "chassis/chassisModule.h"
#include "runtime/entry/tEntryFrame.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// The cache when the work may start; -52003 and null when the library has none (its
// attach failed, or it is unloading).
inline cPxieChassis* enterChassisFrame(tStatusRecord& a_rStatus, const char* a_pFile,
                                       uint64_t a_Line) {
    cPxieChassis* l_pCache = usableCache(chassisCache());
    if (l_pCache == nullptr)
        setAt(a_rStatus, qxapalerr_softwareFaultAPALInternalUseOnly, a_pFile, a_Line);
    return l_pCache;
}

// The frame of an entry point that answers one value through a_pOut. Arguments that are
// not all given are rejected before any work with -52005, and a usable a_pOut still gets
// a_Failed; then a_rWork(cache, status) runs under the cache lock, and a_pOut gets its
// result, or a_Failed when the record holds an error. Returns the record's code.
template <typename tValue, typename tWork>
int32_t answerFromCache(bool a_ArgumentsGiven, tValue* a_pOut, tValue a_Failed, const char* a_pFile,
                        uint64_t a_Line, tWork&& a_rWork) noexcept {
    tStatusRecord l_Status;
    if (!a_ArgumentsGiven) {
        if (a_pOut != nullptr)
            *a_pOut = a_Failed;
        setAt(l_Status, qxapalerr_invalidParameter, a_pFile, a_Line);
        return l_Status.code32();
    }
    cPxieChassis* l_pCache = enterChassisFrame(l_Status, a_pFile, a_Line);
    if (l_pCache == nullptr)
        return l_Status.code32();
    tValue l_Value = a_Failed;
    runUnderCacheLock(*l_pCache, l_Status, a_pFile, a_Line,
                      [&] { l_Value = a_rWork(*l_pCache, &l_Status); });
    *a_pOut = l_Status.isError() ? a_Failed : l_Value;
    return l_Status.code32();
}

}  // namespace QX_NS
