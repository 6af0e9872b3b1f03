// The embedded controller finder's one item, which is also its one list: built once by
// identification and never changed while it exists, so queries read it without a lock.
#pragma once

#include <string>

#include "runtime/qxns.h"

namespace QX_NS {

struct tControllerRecord {
    std::string vendor;
    std::string model;
    std::string slotPath;  // text form of the controller's PCI slot path
};

}  // namespace QX_NS
