// cSMBusAdapterRegistry: the SMBus adapters that PXISA_SystemModule_SMBusOperation holds
// open, by resource name, each with an open count.
//
// acquire opens the adapter on first use and counts every further use; release counts
// down and drops the adapter at 0. A transaction holds a lease (a shared reference) on
// the adapter, taken under the registry lock and used without it; the adapter is closed
// when its entry is gone and the last lease returned, so a concurrent release never
// closes or destroys an adapter while a transaction still runs on it.
//
// Thread safety: every member takes the registry's own lock (recursive, priority
// inheritance) and holds it only while the map is read or changed, or an adapter is
// opened for it; never during a transaction. The system module library never holds this
// lock together with its cache lock.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "platform/pxismbuswrapper/iSMBusWrapper.h"
#include "runtime/process/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

class cSMBusAdapterRegistry {
public:
    // One open adapter; Close runs when the last holder lets go.
    class tLease {
    public:
        explicit tLease(const boost::shared_ptr<iSMBusWrapper>& a_rAdapter)
            : m_Adapter(a_rAdapter) {}
        ~tLease() { m_Adapter->Close(); }
        tLease(const tLease&) = delete;
        tLease& operator=(const tLease&) = delete;
        iSMBusWrapper& adapter() const { return *m_Adapter; }

    private:
        boost::shared_ptr<iSMBusWrapper> m_Adapter;
    };
    using tLeasePtr = boost::shared_ptr<tLease>;

    cSMBusAdapterRegistry();
    ~cSMBusAdapterRegistry();
    cSMBusAdapterRegistry(const cSMBusAdapterRegistry&) = delete;
    cSMBusAdapterRegistry& operator=(const cSMBusAdapterRegistry&) = delete;

    // The outcome of creating the lock; an error makes every operation report -52003.
    const tStatusRecord& lockStatus() const { return m_LockStatus; }

    // Counts one more use of the adapter, opening it first when it is not open (the
    // factory's failure is the result, and nothing stays registered). Returns a lease
    // when a_WantLease is set. Does nothing when a_pStatus holds an error.
    tLeasePtr acquire(const std::string& a_rResource, bool a_WantLease, tStatusRecord* a_pStatus);
    // Counts one use less; at 0 the entry is dropped and the adapter closed once no lease
    // is left. A resource that is not open reports -52005.
    void release(const std::string& a_rResource, tStatusRecord* a_pStatus);

    // The open count of a resource (0 when not open); for tests and diagnostics.
    int32_t openCount(const std::string& a_rResource);
    // Drops every entry (at unload).
    void clear();

private:
    struct tEntry {
        tLeasePtr lease;
        int32_t openCount = 0;
    };

    tFastMutex m_Lock;
    tStatusRecord m_LockStatus;
    std::map<std::string, tEntry, std::less<>> m_Entries;
};

// The library's one registry (a static object, built while the library loads).
cSMBusAdapterRegistry& smbusAdapterRegistry();

}  // namespace QX_NS
