#include "sysmodule/sysModuleServices.h"

#include <boost/make_shared.hpp>

#include "platform/pxismbuswrapper/cSMBusWrapperFactory.h"
#include "platform/smbios/qxSmBios.h"
#include "runtime/process/tFastMutex.h"

namespace QX_NS {

namespace {

// Created while the library loads, before any entry point can run.
struct tSmBiosGuard {
    tSmBiosGuard() {
        tStatusRecord l_Status;
        createFastMutex(mutex, &l_Status);
    }
    ~tSmBiosGuard() { destroyFastMutex(mutex); }
    tFastMutex mutex;
};

tSmBiosGuard g_SmBiosGuard;

constexpr uint32_t kProductNameSize = 1024;

}  // namespace

boost::shared_ptr<cCntDrvWrapper_sc> openControllerDriver() {
    tJsonStatus l_Status;
    boost::shared_ptr<cCntDrvWrapper_sc> l_CntDrv = boost::make_shared<cCntDrvWrapper_sc>(l_Status);
    if (!l_Status.isError())
        l_CntDrv->OpenController(l_Status);
    if (l_Status.isError() || !l_CntDrv->IsOpen())
        l_CntDrv.reset();
    return l_CntDrv;
}

void createSMBusAdapter(const char* a_pResourceName, boost::shared_ptr<iSMBusWrapper>& a_rAdapter,
                        tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    tFastMutexLock l_Guard(g_SmBiosGuard.mutex);
    cSMBusWrapperFactory::create(a_pResourceName, a_rAdapter, a_pStatus);
}

void smbiosProductName(std::string& a_rName, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    char l_Buffer[kProductNameSize] = {};
    uint32_t l_Length = kProductNameSize;
    tStatusRecord l_Lookup;
    {
        tFastMutexLock l_Guard(g_SmBiosGuard.mutex);
        getSmBiosProvider().lookup(kSmBiosSystemProductName, 0, l_Buffer, &l_Length, &l_Lookup);
    }
    if (l_Lookup.isError()) {
        a_pStatus->merge(l_Lookup);
        return;
    }
    l_Buffer[kProductNameSize - 1] = '\0';
    a_rName = l_Lookup.isWarning() ? std::string() : std::string(l_Buffer);
}

}  // namespace QX_NS
