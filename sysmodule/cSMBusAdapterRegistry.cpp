#include "sysmodule/cSMBusAdapterRegistry.h"

#include <limits>
#include <new>

#include <boost/make_shared.hpp>

#include "sysmodule/sysModuleServices.h"

namespace QX_NS {

cSMBusAdapterRegistry::cSMBusAdapterRegistry() {
    createFastMutex(m_Lock, &m_LockStatus);
}

cSMBusAdapterRegistry::~cSMBusAdapterRegistry() {
    clear();
    destroyFastMutex(m_Lock);
}

cSMBusAdapterRegistry::tLeasePtr cSMBusAdapterRegistry::acquire(const std::string& a_rResource,
                                                                bool a_WantLease,
                                                                tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return tLeasePtr();
    if (m_LockStatus.isError()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        return tLeasePtr();
    }
    tFastMutexLock l_Lock(m_Lock);
    auto l_It = m_Entries.find(a_rResource);
    if (l_It != m_Entries.end()) {
        if (l_It->second.openCount == std::numeric_limits<int32_t>::max()) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
            return tLeasePtr();
        }
        ++l_It->second.openCount;
        return a_WantLease ? l_It->second.lease : tLeasePtr();
    }
    boost::shared_ptr<iSMBusWrapper> l_Adapter;
    createSMBusAdapter(a_rResource.c_str(), l_Adapter, a_pStatus);
    if (a_pStatus->isError() || !l_Adapter) {
        if (!a_pStatus->isError())
            QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        return tLeasePtr();
    }
    try {
        tEntry l_Entry;
        l_Entry.lease = boost::make_shared<tLease>(l_Adapter);
        l_Entry.openCount = 1;
        l_It = m_Entries.emplace(a_rResource, l_Entry).first;
    } catch (const std::bad_alloc&) {
        // The adapter closes with the last reference to it, here.
        l_Adapter->Close();
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return tLeasePtr();
    }
    return a_WantLease ? l_It->second.lease : tLeasePtr();
}

void cSMBusAdapterRegistry::release(const std::string& a_rResource, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    if (m_LockStatus.isError()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        return;
    }
    tLeasePtr l_Dropped;  // closes the adapter after the lock is released, if last
    tFastMutexLock l_Lock(m_Lock);
    const auto l_It = m_Entries.find(a_rResource);
    if (l_It == m_Entries.end()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    if (--l_It->second.openCount <= 0) {
        l_Dropped.swap(l_It->second.lease);
        m_Entries.erase(l_It);
    }
}

int32_t cSMBusAdapterRegistry::openCount(const std::string& a_rResource) {
    tFastMutexLock l_Lock(m_Lock);
    const auto l_It = m_Entries.find(a_rResource);
    return l_It == m_Entries.end() ? 0 : l_It->second.openCount;
}

void cSMBusAdapterRegistry::clear() {
    std::map<std::string, tEntry, std::less<>> l_Entries;
    {
        tFastMutexLock l_Lock(m_Lock);
        l_Entries.swap(m_Entries);
    }
}

namespace {
// Built by static initialisation, before the module entry object; emptied at unload.
cSMBusAdapterRegistry g_SMBusAdapterRegistry;
}  // namespace

cSMBusAdapterRegistry& smbusAdapterRegistry() {
    return g_SMBusAdapterRegistry;
}

}  // namespace QX_NS
