// The inventory document as gauges for a monitoring system (pxi-inventory --metrics):
// the Prometheus text exposition format, for the node exporter's textfile collector.
#pragma once

#include <string>

#include "tools/pxi-inventory/inventory.h"

namespace nQxPxiInventory {

std::string renderMetrics(const tJson& a_rDocument);

}  // namespace nQxPxiInventory
