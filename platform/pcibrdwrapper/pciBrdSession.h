// The one way a discovery opens the PCI bridge service for its work, for callers that
// carry a tStatusRecord.
#pragma once

#include "platform/pcibrdwrapper/cPciBrdWrapper_sc.h"
#include "runtime/qxns.h"
#include "runtime/status/tJsonStatusScope.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// Binds the PCI bridge service, opens a session with flags 0 and, when both succeeded,
// runs a_rWork(iPciBrdWrapper_sc&); binding and opening report into a_pStatus. The
// session is closed and the binding released on every path out, also when a_rWork
// throws.
template <typename tWork>
void withPciBrdSession(tStatusRecord* a_pStatus, tWork&& a_rWork) {
    tJsonStatusScope l_Binding(a_pStatus);
    nQxPciBrdWrapper_15_0::cPciBrdWrapper_sc l_PciBrd(l_Binding.status());
    l_Binding.flush();
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) { l_PciBrd.OpenSession(0, a_rJson); });
    if (!a_pStatus->isError())
        a_rWork(static_cast<nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc&>(l_PciBrd));
}

}  // namespace QX_NS
