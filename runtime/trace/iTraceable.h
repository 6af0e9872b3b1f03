// iTraceable: an object that writes trace records to a destination.
#pragma once

#include "runtime/qxns.h"
#include "runtime/trace/iTraceDestination.h"

namespace QX_NS {

class iTraceable {
public:
    virtual ~iTraceable() = default;
    virtual iTraceDestination* destination() const = 0;
};

}  // namespace QX_NS
