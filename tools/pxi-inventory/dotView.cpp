#include "tools/pxi-inventory/dotView.h"

#include <cstdio>
#include <cstdlib>
#include <vector>
#include <map>
#include <set>

#include "tools/pxi-inventory/pciDevices.h"

namespace nQxPxiInventory {

namespace {

// A double-quoted Graphviz string: texts come from hardware and description files.
std::string quote(const std::string& a_rText) {
    std::string l_Out = "\"";
    for (char l_Char : a_rText) {
        if (l_Char == '"' || l_Char == '\\') {
            l_Out += '\\';
        }
        if (l_Char == '\n') {
            l_Out += "\\n";  // a line break in the label
        } else {
            l_Out += l_Char;
        }
    }
    return l_Out + "\"";
}

std::string text(const tJson& a_rValue) {
    return a_rValue.is_string() ? a_rValue.get<std::string>() : a_rValue.dump();
}

std::string baseName(const std::string& a_rPath) {
    return a_rPath.substr(a_rPath.rfind('/') + 1);
}

std::string busText(unsigned a_Bus) {
    char l_Buffer[16];
    std::snprintf(l_Buffer, sizeof(l_Buffer), "%02X", a_Bus & 0xFF);
    return l_Buffer;
}

std::string busNode(unsigned a_Bus) {
    return quote("bus " + busText(a_Bus));
}

unsigned busOfAddress(const std::string& a_rAddress) {
    return static_cast<unsigned>(std::strtoul(a_rAddress.c_str(), nullptr, 16));
}

class cGraph {
public:
    explicit cGraph(const tJson& a_rDocument) : m_rDoc(a_rDocument) {
        for (const tJson& l_rBridge :
             m_rDoc.value("pciBridges", tJson::object()).value("bridges", tJson::array())) {
            if (l_rBridge.contains("address") && l_rBridge.contains("secondaryBus")) {
                m_Bridges.emplace_back(l_rBridge["address"].get<std::string>(),
                                       l_rBridge["secondaryBus"].get<unsigned>());
            }
        }
    }

    std::string render() {
        m_Out =
            "digraph pxi {\n    rankdir=LR;\n    node [fontname=\"Helvetica\", fontsize=10];\n"
            "    edge [fontname=\"Helvetica\", fontsize=9];\n";
        const tJson& l_rEnv = m_rDoc["environment"];
        const std::string l_Label = l_rEnv["simulated"].get<bool>()
                                        ? "simulated machine " + baseName(text(l_rEnv["machine"]))
                                    : l_rEnv.contains("replay")
                                        ? "recording " + baseName(text(l_rEnv["replay"]["file"]))
                                    : l_rEnv["topology"].is_string()
                                        ? "recorded topology " + baseName(text(l_rEnv["topology"]))
                                        : std::string("this computer");
        m_Out += "    label=" + quote(l_Label) + ";\n";
        chassis();
        controller();
        modules();
        return m_Out + "}\n";
    }

private:
    // The chassis root bus below a bus: the bus itself, or the secondary bus of a bridge
    // on it (a chassis' root-bus bridge sits right behind a switch port).
    bool rootBusBelow(unsigned a_Bus, unsigned& a_rRoot) const {
        if (m_RootBuses.count(a_Bus) != 0) {
            a_rRoot = a_Bus;
            return true;
        }
        for (const auto& l_rBridge : m_Bridges) {
            if (busOfAddress(l_rBridge.first) == a_Bus &&
                m_RootBuses.count(l_rBridge.second) != 0) {
                a_rRoot = l_rBridge.second;
                return true;
            }
        }
        return false;
    }

    void chassis() {
        int l_Cluster = 0;
        for (const tJson& l_rModel :
             m_rDoc.value("chassis", tJson::object()).value("models", tJson::array())) {
            for (const tJson& l_rChassis : l_rModel["chassis"]) {
                m_Out += "    subgraph cluster_" + std::to_string(l_Cluster++) +
                         " {\n        label=" +
                         quote(text(l_rModel["vendor"]) + " " + text(l_rModel["model"]) +
                               ", chassis " + text(l_rChassis["number"])) +
                         ";\n        style=rounded;\n";
                for (const tJson& l_rBus : l_rChassis["rootBuses"]) {
                    if (l_rBus["bus"].is_number()) {
                        const unsigned l_Bus = l_rBus["bus"].get<unsigned>();
                        m_RootBuses.insert(l_Bus);
                        m_Out += "        " + busNode(l_Bus) + " [label=" +
                                 quote("root bus " + text(l_rBus["position"]) + "\n[" +
                                       busText(l_Bus) + "]") +
                                 ", shape=ellipse];\n";
                        devices(l_rBus.value("devices", tJson::array()), busNode(l_Bus));
                    }
                }
                m_Out += "    }\n";
            }
        }
        for (const tJson& l_rFinder : m_rDoc.value("finders", tJson::array())) {
            for (const tJson& l_rItem : l_rFinder["items"]) {
                const tJson& l_rBus =
                    l_rItem.value("u32", tJson::object()).value("chassisBus", tJson());
                if (!l_rBus.is_object() || !l_rBus["value"].is_number() ||
                    m_RootBuses.count(l_rBus["value"].get<unsigned>()) != 0) {
                    continue;
                }
                const unsigned l_Bus = l_rBus["value"].get<unsigned>();
                m_RootBuses.insert(l_Bus);
                m_Out += "    subgraph cluster_" + std::to_string(l_Cluster++) +
                         " {\n        label=" +
                         quote(text(l_rItem["strings"]["vendor"]["value"]) + " " +
                               text(l_rItem["strings"]["model"]["value"])) +
                         ";\n        style=rounded;\n        " + busNode(l_Bus) +
                         " [label=" + quote("root bus\n[" + busText(l_Bus) + "]") + "];\n";
                devices(l_rItem.value("devices", tJson::array()), busNode(l_Bus));
                m_Out += "    }\n";
            }
        }
    }

    // The PCI functions below a chassis root bus, inside the chassis' cluster.
    void devices(const tJson& a_rList, const std::string& a_rParent) {
        for (const tJson& l_rDevice : a_rList) {
            const std::string l_Node = quote("pci " + text(l_rDevice["address"]));
            m_Out += "        " + l_Node +
                     " [label=" + quote(text(l_rDevice["address"]) + "\n" + deviceName(l_rDevice)) +
                     ", shape=box, style=dashed];\n        " + a_rParent + " -> " + l_Node +
                     " [arrowhead=none];\n";
            if (l_rDevice.contains("devices")) {
                devices(l_rDevice["devices"], l_Node);
            }
        }
    }

    void controller() {
        const tJson& l_rIdentification = m_rDoc.value("controllerIdentification", tJson::object());
        const tJson& l_rDriver =
            m_rDoc.value("systemModules", tJson::object()).value("controller", tJson::object());
        std::string l_Label = "controller";
        if (l_rDriver.value("present", false)) {
            l_Label += "\n" + text(l_rDriver["vendor"]) + " " + text(l_rDriver["model"]);
        }
        if (l_rIdentification.contains("way") && l_rIdentification["way"].is_string()) {
            l_Label += "\n(by " + text(l_rIdentification["way"]) + ")";
        } else {
            l_Label += "\n(not identified)";
        }
        m_Out += "    controller [label=" + quote(l_Label) +
                 ", shape=box, style=filled, "
                 "fillcolor=lightblue];\n";
    }

    void modules() {
        int l_Number = 0;
        for (const tJson& l_rIdentity :
             m_rDoc.value("systemModules", tJson::object()).value("identities", tJson::array())) {
            for (const tJson& l_rModule : l_rIdentity["modules"]) {
                if (!l_rModule.contains("name")) {
                    continue;
                }
                const std::string l_Node = "module" + std::to_string(l_Number++);
                const tJson& l_rAttributes = l_rModule["attributes"];
                const bool l_Embedded = l_rAttributes["moduleStyle"]["value"] == 0;
                m_Out += "    " + l_Node + " [label=" +
                         quote(text(l_rModule["name"]) + "\n" +
                               (l_Embedded ? "embedded" : "remote") + " system module") +
                         ", shape=box3d];\n";
                if (l_Embedded || l_rIdentity.value("controller", false)) {
                    m_Out += "    controller -> " + l_Node + " [label=\"is\", style=bold];\n";
                }
                links(l_Node, l_rAttributes);
                if (l_rModule.contains("peerToPeer")) {
                    peerToPeer(l_rModule["peerToPeer"]);
                }
            }
        }
    }

    void links(const std::string& a_rNode, const tJson& a_rAttributes) {
        for (int l_Link = 1; l_Link <= 4; ++l_Link) {
            const tJson& l_rBus = a_rAttributes["linkBus" + std::to_string(l_Link)]["value"];
            if (!l_rBus.is_number()) {
                continue;
            }
            unsigned l_Root = 0;
            const unsigned l_Bus = l_rBus.get<unsigned>();
            const std::string l_Target =
                rootBusBelow(l_Bus, l_Root) ? busNode(l_Root) : busNode(l_Bus);
            const tJson& l_rWidth = a_rAttributes["linkValue" + std::to_string(l_Link)]["value"];
            m_Out += "    " + a_rNode + " -> " + l_Target + " [label=" +
                     quote("link " + std::to_string(l_Link) +
                           (l_rWidth.is_number() ? " x" + text(l_rWidth) : std::string())) +
                     "];\n";
        }
    }

    void peerToPeer(const tJson& a_rP2P) {
        std::map<std::string, unsigned> l_PortRoot;
        for (const tJson& l_rPort : a_rP2P["ports"]) {
            const std::string l_Address = text(l_rPort);
            for (const auto& l_rBridge : m_Bridges) {
                unsigned l_Root = 0;
                if (l_rBridge.first == l_Address && rootBusBelow(l_rBridge.second, l_Root)) {
                    l_PortRoot[l_Address] = l_Root;
                }
            }
        }
        std::set<std::pair<std::string, std::string>> l_Drawn;
        for (const tJson& l_rPair : a_rP2P["pairs"]) {
            const std::string l_From = text(l_rPair["source"]);
            const std::string l_To = text(l_rPair["target"]);
            if (l_rPair["supported"] != true || l_From >= l_To || l_PortRoot.count(l_From) == 0 ||
                l_PortRoot.count(l_To) == 0 || !l_Drawn.emplace(l_From, l_To).second) {
                continue;  // each route once, between ports that lead to a chassis
            }
            m_Out += "    " + busNode(l_PortRoot[l_From]) + " -> " + busNode(l_PortRoot[l_To]) +
                     " [label=" + quote("peer-to-peer\n" + l_From + " <-> " + l_To) +
                     ", style=dashed, color=darkgreen, dir=both, constraint=false];\n";
        }
    }

    const tJson& m_rDoc;
    std::vector<std::pair<std::string, unsigned>> m_Bridges;  // address, secondary bus
    std::set<unsigned> m_RootBuses;
    std::string m_Out;
};

}  // namespace

std::string renderDot(const tJson& a_rDocument) {
    return cGraph(a_rDocument).render();
}

}  // namespace nQxPxiInventory
