// The PCI-to-PCI bridges of one hwloc topology, indexed the way the PCI bridge
// service answers: by position, address, secondary bus and slot path. Built once when
// a session opens and never changed afterwards, so sessions read it without a lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct hwloc_obj;

namespace nQxLinux {

struct tPciBridge {
    uint8_t bus = 0;
    uint8_t device = 0;
    uint8_t function = 0;
    uint16_t vendorId = 0;
    uint16_t deviceId = 0;
    uint16_t subsystemVendorId = 0;
    uint16_t subsystemId = 0;
    uint8_t secondaryBus = 0;
    uint8_t subordinateBus = 0;
    uint8_t linkWidth = 0;  // negotiated PCI Express link width, 0 unknown
    int parent = -1;        // position of the bridge above, -1 when this one sits on a root bus
    std::vector<uint32_t> children;  // positions of the bridges directly below
    uint8_t rootBus = 0;
    std::vector<uint8_t> hops;  // this bridge first, the bridge on the root bus last
    std::string slotPath;
};

class cTopologyIndex {
public:
    // Loads the topology with hwloc: the file HWLOC_XMLFILE names, else this machine
    // (always this machine in secure mode, whatever hwloc's variables say).
    // Link widths, which hwloc does not keep, come from sysfs: QXPXI_SYSFS_ROOT when
    // set, else /sys for this machine's own topology (a recording has none then).
    // Null on failure, with a one-line reason in a_rError.
    static std::shared_ptr<const cTopologyIndex> load(std::string& a_rError);

    std::vector<tPciBridge> m_Bridges;  // in hwloc's order
    std::vector<uint8_t> m_RootBuses;   // ascending, each once
    uint32_t m_OmittedBridges = 0;      // bridges outside PCI domain 0

private:
    void add(hwloc_obj* a_pObject, int a_Parent);
    int addBridge(hwloc_obj* a_pObject, int a_Parent);
    void readLinkWidths(const std::string& a_rSysfs);
};

}  // namespace nQxLinux
