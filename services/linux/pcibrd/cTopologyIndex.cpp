#include "services/linux/pcibrd/cTopologyIndex.h"

#include <hwloc.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "services/common/environment.h"
#include "services/common/slotPathText.h"

namespace nQxLinux {

namespace {

// Closes the topology on every path.
struct tTopology {
    hwloc_topology_t handle = nullptr;
    ~tTopology() {
        if (handle != nullptr) {
            hwloc_topology_destroy(handle);
        }
    }
};

bool isPciBridge(hwloc_obj_t a_pObject) {
    return a_pObject != nullptr && a_pObject->type == HWLOC_OBJ_BRIDGE &&
           a_pObject->attr->bridge.upstream_type == HWLOC_OBJ_BRIDGE_PCI;
}

bool isHostBridge(hwloc_obj_t a_pObject) {
    return a_pObject != nullptr && a_pObject->type == HWLOC_OBJ_BRIDGE &&
           a_pObject->attr->bridge.upstream_type == HWLOC_OBJ_BRIDGE_HOST;
}

}  // namespace

// Depth first through the tree, so that a bridge's parent is indexed before it.
void cTopologyIndex::add(hwloc_obj_t a_pObject, int a_Parent) {
    int l_Parent = a_Parent;
    if (isHostBridge(a_pObject)) {
        const hwloc_obj_attr_u::hwloc_bridge_attr_s& l_rAttr = a_pObject->attr->bridge;
        if (l_rAttr.downstream_type == HWLOC_OBJ_BRIDGE_PCI && l_rAttr.downstream.pci.domain == 0) {
            m_RootBuses.push_back(l_rAttr.downstream.pci.secondary_bus);
        }
        l_Parent = -1;
    } else if (isPciBridge(a_pObject)) {
        l_Parent = addBridge(a_pObject, a_Parent);
    }
    for (hwloc_obj_t l_pChild = a_pObject->first_child; l_pChild != nullptr;
         l_pChild = l_pChild->next_sibling) {
        add(l_pChild, l_Parent);
    }
    for (hwloc_obj_t l_pChild = a_pObject->io_first_child; l_pChild != nullptr;
         l_pChild = l_pChild->next_sibling) {
        add(l_pChild, l_Parent);
    }
}

// Indexes one PCI-to-PCI bridge below the bridge at a_Parent (-1: on a root bus) and
// returns its position; a bridge outside domain 0 is counted, not indexed.
int cTopologyIndex::addBridge(hwloc_obj_t a_pObject, int a_Parent) {
    const hwloc_obj_attr_u::hwloc_bridge_attr_s& l_rAttr = a_pObject->attr->bridge;
    const hwloc_obj_attr_u::hwloc_pcidev_attr_s& l_rPci = l_rAttr.upstream.pci;
    if (l_rPci.domain != 0) {
        ++m_OmittedBridges;
        return -1;
    }
    tPciBridge l_Bridge;
    l_Bridge.bus = l_rPci.bus;
    l_Bridge.device = l_rPci.dev;
    l_Bridge.function = l_rPci.func;
    l_Bridge.vendorId = l_rPci.vendor_id;
    l_Bridge.deviceId = l_rPci.device_id;
    l_Bridge.subsystemVendorId = l_rPci.subvendor_id;
    l_Bridge.subsystemId = l_rPci.subdevice_id;
    if (l_rAttr.downstream_type == HWLOC_OBJ_BRIDGE_PCI) {
        l_Bridge.secondaryBus = l_rAttr.downstream.pci.secondary_bus;
        l_Bridge.subordinateBus = l_rAttr.downstream.pci.subordinate_bus;
    }
    // Hops from this bridge up to the one on the root bus: this bridge's, then its
    // parent's hops.
    l_Bridge.rootBus = l_Bridge.bus;
    l_Bridge.parent = a_Parent;
    if (a_Parent >= 0) {
        const tPciBridge& l_rParent = m_Bridges[static_cast<size_t>(a_Parent)];
        l_Bridge.rootBus = l_rParent.rootBus;
        l_Bridge.hops = l_rParent.hops;
    }
    l_Bridge.hops.insert(l_Bridge.hops.begin(),
                         static_cast<uint8_t>(l_Bridge.device * 8 + l_Bridge.function));
    l_Bridge.slotPath = nQxSim::formatSlotPath(l_Bridge.rootBus, l_Bridge.hops);
    const int l_Self = static_cast<int>(m_Bridges.size());
    if (a_Parent >= 0) {
        m_Bridges[static_cast<size_t>(a_Parent)].children.push_back(static_cast<uint32_t>(l_Self));
    }
    m_Bridges.push_back(std::move(l_Bridge));
    return l_Self;
}

void cTopologyIndex::readLinkWidths(const std::string& a_rSysfs) {
    for (tPciBridge& l_rBridge : m_Bridges) {
        char l_Path[64];
        std::snprintf(l_Path, sizeof(l_Path),
                      "/bus/pci/devices/0000:%02x:%02x.%x/current_link_width", l_rBridge.bus,
                      l_rBridge.device, l_rBridge.function);
        std::ifstream l_File(a_rSysfs + l_Path);
        unsigned l_Width = 0;
        // Bridges without a PCI Express link show no file or the width 0.
        if (l_File >> l_Width && l_Width <= 32) {
            l_rBridge.linkWidth = static_cast<uint8_t>(l_Width);
        }
    }
}

std::shared_ptr<const cTopologyIndex> cTopologyIndex::load(std::string& a_rError) {
    // hwloc reads its own variables with getenv wherever it likes (a topology file, a
    // file-system root, a synthetic machine, the components to use, and the directory it
    // loads plugins from), and has no setting that ignores them. In secure mode they are
    // removed from the environment before hwloc starts, so that a privileged host always
    // sees this machine: no XML, file-system root "/", the installed plugins only.
    nQxSim::forgetLibraryVariablesInSecureMode("HWLOC_");
    tTopology l_Topology;
    if (hwloc_topology_init(&l_Topology.handle) != 0) {
        l_Topology.handle = nullptr;
        a_rError = "hwloc could not start a topology";
        return nullptr;
    }
    // Bridges are all the service needs: keep every one of them (hwloc drops empty
    // ones by default), and leave out what only costs time.
    hwloc_topology_set_type_filter(l_Topology.handle, HWLOC_OBJ_BRIDGE, HWLOC_TYPE_FILTER_KEEP_ALL);
    hwloc_topology_set_type_filter(l_Topology.handle, HWLOC_OBJ_PCI_DEVICE,
                                   HWLOC_TYPE_FILTER_KEEP_ALL);
    hwloc_topology_set_type_filter(l_Topology.handle, HWLOC_OBJ_OS_DEVICE,
                                   HWLOC_TYPE_FILTER_KEEP_NONE);
    hwloc_topology_set_type_filter(l_Topology.handle, HWLOC_OBJ_MISC, HWLOC_TYPE_FILTER_KEEP_NONE);
    hwloc_topology_set_cache_types_filter(l_Topology.handle, HWLOC_TYPE_FILTER_KEEP_NONE);
    hwloc_topology_set_icache_types_filter(l_Topology.handle, HWLOC_TYPE_FILTER_KEEP_NONE);
    const std::string l_Xml = nQxSim::environmentValue("HWLOC_XMLFILE");
    if (!l_Xml.empty() && hwloc_topology_set_xml(l_Topology.handle, l_Xml.c_str()) != 0) {
        a_rError = "hwloc cannot read the topology " + l_Xml;
        return nullptr;
    }
    if (hwloc_topology_load(l_Topology.handle) != 0) {
        a_rError = !l_Xml.empty() ? "hwloc cannot load the topology " + l_Xml
                                  : std::string("hwloc cannot load this machine's topology");
        return nullptr;
    }

    auto l_pIndex = std::make_shared<cTopologyIndex>();
    l_pIndex->add(hwloc_get_root_obj(l_Topology.handle), -1);
    const std::string l_Sysfs = nQxSim::environmentValue("QXPXI_SYSFS_ROOT");
    if (!l_Sysfs.empty()) {
        l_pIndex->readLinkWidths(l_Sysfs);
    } else if (l_Xml.empty()) {
        l_pIndex->readLinkWidths("/sys");
    }
    std::sort(l_pIndex->m_RootBuses.begin(), l_pIndex->m_RootBuses.end());
    l_pIndex->m_RootBuses.erase(
        std::unique(l_pIndex->m_RootBuses.begin(), l_pIndex->m_RootBuses.end()),
        l_pIndex->m_RootBuses.end());
    return l_pIndex;
}

}  // namespace nQxLinux
