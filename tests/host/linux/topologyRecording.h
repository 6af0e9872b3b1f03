// A recorded topology read straight from its XML text, without hwloc and without the
// service's code: the PCI-to-PCI bridges of domain 0 with what the recording says of
// them, and what the recording says of host bridges and other domains.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace qxlinuxtest {

struct tRecordedBridge {
    unsigned bus = 0, device = 0, function = 0;
    unsigned vendorId = 0, deviceId = 0, subsystemVendorId = 0, subsystemId = 0;
    unsigned secondaryBus = 0;
    int parent = -1;       // index of the recorded bridge above, -1 on a root bus
    std::string slotPath;  // "MRbb:hh,..", this bridge first
    size_t children = 0;
};

struct tRecording {
    std::vector<tRecordedBridge> bridges;  // domain 0
    std::set<unsigned> rootBuses;          // secondary buses of domain 0 host bridges
    unsigned otherDomainBridges = 0;
};

// Throws std::runtime_error when the text is not what the recordings look like.
tRecording readRecording(const std::string& a_rPath);

}  // namespace qxlinuxtest
