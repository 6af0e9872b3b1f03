#include "platform/pxismbuswrapper/cQxSMBusDynLib.h"

#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {

cQxSMBusDynLib::cQxSMBusDynLib(uint32_t a_Version, tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError()) {
        return;
    }
    if (a_Version != kQxSMBusInterfaceVersion) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    tJsonStatusScope l_Status(a_pStatus);
    open(kQxSMBusLibraryName, l_Status);
    l_Status.flush();
    if (a_pStatus->isError()) {
        return;
    }
    bindTable(l_Status);
    l_Status.flush();
    if (!a_pStatus->isError() && !isComplete()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
    }
}

}  // namespace QX_NS
