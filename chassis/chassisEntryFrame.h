// The frame every chassis entry point follows: a fresh status record, argument and cache
// checks, the work under the cache lock with every exception turned into a code, and the
// record's code as the result. Failures of the frame are recorded at the entry point's
// own place (QX_ENTRY_SITE), so they name its source module.
#pragma once

#include <cstdint>
#include <new>

#include "chassis/cPxieChassis.h"
#include "chassis/chassisServices.h"
#include "runtime/module/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

#define QX_ENTRY_SITE __FILE__, __LINE__

namespace QX_NS {

// The cache when the work may start; -52003 and null when the library has none (its attach
// failed, or it is unloading).
cPxieChassis* enterChassisFrame(tStatusRecord& a_rStatus, const char* a_pFile, uint64_t a_Line);

// Runs a_rWork with the cache lock held; the lock is released on every path out. Nothing
// escapes: no memory gives -52000, any other exception -52003.
template <typename tWork>
void runUnderCacheLock(cPxieChassis& a_rCache, tStatusRecord& a_rStatus, const char* a_pFile,
                       uint64_t a_Line, tWork&& a_rWork) noexcept {
    try {
        tFastMutexLock l_Lock(a_rCache.mutex());
        a_rWork();
    } catch (const std::bad_alloc&) {
        a_rStatus.set(qxapalerr_memoryFull, QX_COMPONENT, a_pFile, a_Line);
    } catch (...) {
        a_rStatus.set(qxapalerr_softwareFaultAPALInternalUseOnly, QX_COMPONENT, a_pFile, a_Line);
    }
}

// Binds the PCI bridge service, opens a session with flags 0, runs a_rWork with the
// wrapper when both succeeded, then closes the session and releases the binding whatever
// the status (also when a_rWork throws).
template <typename tWork>
void withPciBrdSession(tStatusRecord* a_pStatus, tWork&& a_rWork) {
    tJsonStatusScope l_Binding(a_pStatus);
    tPciBrdWrapperImpl l_PciBrd(l_Binding.status());
    l_Binding.flush();
    if (!a_pStatus->isError()) {
        tJsonStatusScope l_Session(a_pStatus);
        l_PciBrd.OpenSession(0, l_Session.status());
    }
    if (!a_pStatus->isError())
        a_rWork(static_cast<tPciBrdWrapper&>(l_PciBrd));
    l_PciBrd.CloseSession();
}

}  // namespace QX_NS
