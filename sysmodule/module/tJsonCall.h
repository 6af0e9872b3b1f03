// Runs a call of a service wrapper that reports into a tJsonStatus on behalf of a
// caller that carries a tStatusRecord: skipped when the record holds an error, and the
// call's outcome (warnings included) carried into the record afterwards.
#pragma once

#include "runtime/qxns.h"
#include "runtime/status/tJsonStatusScope.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

template <typename tCall>
void callWithJsonStatus(tStatusRecord* a_pStatus, tCall&& a_rCall) {
    if (a_pStatus == nullptr || a_pStatus->isError()) {
        return;
    }
    tJsonStatusScope l_Scope(a_pStatus);
    a_rCall(l_Scope.status());
}

}  // namespace QX_NS
