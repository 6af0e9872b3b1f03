// cSMBusWrapperFactory: creates and opens the adapter access for an SMBus resource name.
//
// The kind of adapter follows from how the name begins, tested in this order
// (case-sensitive):
//   "QXUSB8", "AARDVARK", "QXSMBUS", "PXI"  service adapter, interface version 1
//   "KTSMBUS"                               service adapter, version 2 (its binding fails)
//   "HPSMBUS"                               built-in adapter (cHpeSMBusWrapper)
// Any other name reports -52005. Stateless; callers serialise through their own locks.
#pragma once

#include <boost/shared_ptr.hpp>

#include "platform/pxismbuswrapper/iSMBusWrapper.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cSMBusWrapperFactory {
public:
    // Creates the adapter and opens it with the full resource name. On success
    // a_rWrapper holds the open adapter; on any failure it is left empty and nothing
    // stays open. Does nothing when a_pStatus holds an error.
    static void create(const char* a_pResourceName, boost::shared_ptr<iSMBusWrapper>& a_rWrapper,
                       tStatusRecord* a_pStatus);
};

}  // namespace QX_NS
