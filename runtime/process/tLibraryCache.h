// The one discovery cache of an API library: built by the library's attach hook while the
// library loads, after it the description database (tDatabase::createInstance), and torn
// down by the detach hook while the library unloads, the cache before the database.
//
// The pointer is written only by the hooks, which run under the dynamic loader before any
// entry point can be called and after the last one has returned, so reading it needs no
// lock. Constant-initialised: valid before any static constructor of the library runs.
#pragma once

#include <new>

#include "runtime/process/tModuleEntry.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// What a library does when its attach fails part-way.
enum class tAttachFailure {
    stopProcess,  // the cache stays and the attach fails: the library cannot run half-built
    runWithout,   // cache and database go again; the entry points answer without a cache
};

template <typename tCache, typename tDatabase, tAttachFailure kOnFailure>
class tLibraryCache {
public:
    // The cache, or null before attach, after detach, or when building it failed.
    tCache* get() const { return m_pCache; }

    // The library main hook: attach (kModuleAttach) builds the cache and the database and
    // succeeds unless that failed and kOnFailure is stopProcess; detach (kModuleDetach)
    // destroys both.
    bool moduleMain(int a_Reason) {
        if (a_Reason == kModuleAttach) {
            tStatusRecord l_Status;
            attach(&l_Status);
            return kOnFailure == tAttachFailure::runWithout || !l_Status.isError();
        }
        if (a_Reason == kModuleDetach)
            detach();
        return true;
    }

private:
    // Builds the cache (-52000 when there is no memory for it), creates it and then the
    // database, all into a_pStatus. Does nothing when a cache exists already.
    void attach(tStatusRecord* a_pStatus) {
        if (m_pCache != nullptr)
            return;
        tCache* l_pCache = new (std::nothrow) tCache();
        if (l_pCache == nullptr) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
            return;
        }
        l_pCache->create(a_pStatus);
        tDatabase::createInstance(a_pStatus);
        if (a_pStatus->isError() && kOnFailure == tAttachFailure::runWithout) {
            delete l_pCache;
            tDatabase::destroyInstance();
            return;
        }
        m_pCache = l_pCache;
    }

    // Destroys the cache, then the database; nothing when there is no cache.
    void detach() {
        tCache* l_pCache = m_pCache;
        if (l_pCache == nullptr)
            return;
        m_pCache = nullptr;
        delete l_pCache;
        tDatabase::destroyInstance();
    }

    tCache* m_pCache = nullptr;
};

}  // namespace QX_NS
