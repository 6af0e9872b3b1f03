// One answer of openList: the handles of its chassis items, in the order the PCI
// bridge service gave the bridges. Owned by the session manager; each item (a
// separately allocated 16-bit bus number) is owned by its list.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/qxns.h"

namespace QX_NS {

struct tChassisList {
    std::vector<uint16_t*> items;
};

}  // namespace QX_NS
