// tPXIeSystemModuleCache: the system modules found on this machine, kept between calls.
//
// A kind of system module is named by its identity (vendor name, model name). For one
// identity the cache decides from the description database, the PCI bridge topology, the
// SMBus adapters, the controller driver and the SMBIOS product name how many modules of
// that kind are present, builds one tPXIeSystemModule for each and files it.
//
// The modules live in one container ordered two ways: by identity (vendor, then model,
// byte-wise; within an identity in order of creation) and by module name (byte-wise,
// unique: a module whose name is already filed is dropped without error).
//
// Thread safety: the cache takes no lock of its own. The entry points hold mutex() (a
// recursive priority-inheritance mutex) around every operation, so one refresh, count or
// lookup runs at a time in the process; the service accesses handed in belong to that
// one call.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include <boost/shared_ptr.hpp>

#include "config/tIdentityLess.h"
#include "platform/cntdrvwrapper/iCntDrvWrapper_sc.h"
#include "platform/pcibrdwrapper/iPciBrdWrapper_sc.h"
#include "platform/pxismbuswrapper/cPxiSmBusListWrapper.h"
#include "runtime/process/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"
#include "sysmodule/module/tPXIeSystemModule.h"

namespace QX_NS {

class iPxiDeviceIni;

class tPXIeSystemModuleCache {
public:
    using tModulePtr = boost::shared_ptr<tPXIeSystemModule>;
    using tPciBrd = nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc;

    tPXIeSystemModuleCache() = default;
    ~tPXIeSystemModuleCache() { destroy(); }
    tPXIeSystemModuleCache(const tPXIeSystemModuleCache&) = delete;
    tPXIeSystemModuleCache& operator=(const tPXIeSystemModuleCache&) = delete;

    // Creates the mutex; -52003 (and isCreated() false) when it cannot be created.
    void create(tStatusRecord* a_pStatus);
    // Drops every module, then destroys the mutex when it was created.
    void destroy();
    bool isCreated() const { return m_LockCreated; }
    tFastMutex& mutex() { return m_Lock; }

    // Rediscovers (a_pVendor, a_pModel): drops its modules, then files those found.
    // Returns the number of modules found; 0 and nothing done when a_pStatus holds an
    // error on entry. a_pCntDrv may be null (no controller driver).
    int32_t refresh(tPciBrd& a_rPciBrd, cPxiSmBusListWrapper& a_rAdapters,
                    iCntDrvWrapper_sc* a_pCntDrv, const char* a_pVendor, const char* a_pModel,
                    tStatusRecord* a_pStatus);
    // Rediscovers every identity of the description database (remote modules first, then
    // embedded ones) and the controller's own; returns the status code. Identities no
    // longer listed keep their modules.
    int32_t refreshAll();

    // Number of filed modules of the identity; 0 when none, or on an error status.
    int32_t count(const char* a_pVendor, const char* a_pModel, tStatusRecord* a_pStatus) const;
    // The a_Index-th (from 1, creation order) module of the identity, or null and -52005.
    tModulePtr find(const char* a_pVendor, const char* a_pModel, int32_t a_Index,
                    tStatusRecord* a_pStatus) const;
    // The module of that name (byte-wise), or null and -52005.
    tModulePtr find(const char* a_pModuleName, tStatusRecord* a_pStatus) const;

    // Files a module; false (module not kept) when its name is filed already.
    bool add(const tModulePtr& a_rModule);
    // Drops every module of the identity.
    void remove(const char* a_pVendor, const char* a_pModel);
    // All modules, for diagnostics and tests.
    size_t size() const { return m_ByIdentity.size(); }

private:
    using tIdentity = std::pair<std::string, std::string>;
    // The container: owns each module once; equal identities keep insertion order.
    using tByIdentity = std::multimap<tIdentity, tModulePtr, tIdentityLess>;
    // The second ordering: views of the names of the modules above (stable, as modules
    // never change their names and stay alive while filed).
    using tByName = std::map<std::string_view, tByIdentity::iterator, std::less<>>;

    // The paths of one refresh; each returns the number of modules it filed.
    int32_t descriptionPath(tPciBrd& a_rPciBrd, cPxiSmBusListWrapper& a_rAdapters,
                            iCntDrvWrapper_sc* a_pCntDrv, const char* a_pVendor,
                            const char* a_pModel, tStatusRecord* a_pStatus);
    // True when the description is for an embedded controller of another product.
    bool isForeign(const iPxiDeviceIni& a_rDescription, iCntDrvWrapper_sc* a_pCntDrv,
                   tStatusRecord* a_pStatus) const;
    int32_t switchPath(tPciBrd& a_rPciBrd, iCntDrvWrapper_sc* a_pCntDrv,
                       const iPxiDeviceIni& a_rDescription, const tPciBridgeIds& a_rIds,
                       const char* a_pVendor, const char* a_pModel, tStatusRecord* a_pStatus);
    int32_t adapterPath(tPciBrd& a_rPciBrd, cPxiSmBusListWrapper& a_rAdapters,
                        iCntDrvWrapper_sc* a_pCntDrv, const iPxiDeviceIni& a_rDescription,
                        const char* a_pVendor, const char* a_pModel, tStatusRecord* a_pStatus);
    int32_t controllerPath(tPciBrd& a_rPciBrd, cPxiSmBusListWrapper& a_rAdapters,
                           iCntDrvWrapper_sc& a_rCntDrv, const char* a_pVendor,
                           const char* a_pModel, tStatusRecord* a_pStatus);

    tFastMutex m_Lock;
    bool m_LockCreated = false;
    tByIdentity m_ByIdentity;
    tByName m_ByName;
};

}  // namespace QX_NS
