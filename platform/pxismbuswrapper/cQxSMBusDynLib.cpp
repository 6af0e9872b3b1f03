#include "platform/pxismbuswrapper/cQxSMBusDynLib.h"

#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {

bool tQxSMBusBinding::openService(uint32_t a_Version, tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return false;
    if (a_Version != kQxSMBusInterfaceVersion) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return false;
    }
    callWithJsonStatus(a_pStatus,
                       [&](tJsonStatus& a_rJson) { open(kQxSMBusLibraryName, a_rJson); });
    return !a_pStatus->isError();
}

void tQxSMBusBinding::bindRequired(tStatusRecord* a_pStatus) {
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) { bindTable(a_rJson); });
    if (!a_pStatus->isError() && !isTableBound())
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
}

cQxSMBusDynLib::cQxSMBusDynLib(uint32_t a_Version, tStatusRecord* a_pStatus) {
    if (openService(a_Version, a_pStatus))
        bindRequired(a_pStatus);
}

}  // namespace QX_NS
