#include "tests/host/linux/topologyRecording.h"

#include <cstdio>
#include <stdexcept>

#include "tests/support/qxTestSupport.h"

namespace qxlinuxtest {

namespace {

std::string attribute(const std::string& a_rTag, const std::string& a_rName) {
    const std::string l_Key = " " + a_rName + "=\"";
    const size_t l_Start = a_rTag.find(l_Key);
    if (l_Start == std::string::npos) {
        return std::string();
    }
    const size_t l_Value = l_Start + l_Key.size();
    return a_rTag.substr(l_Value, a_rTag.find('"', l_Value) - l_Value);
}

}  // namespace

tRecording readRecording(const std::string& a_rPath) {
    const std::string l_Text = qxtest::readFile(a_rPath);
    tRecording l_Recording;
    // Each open <object> element on the way down: the index of the domain-0 bridge it
    // is, -1 for anything else.
    std::vector<int> l_Open;
    size_t l_Pos = 0;
    while (true) {
        const size_t l_OpenTag = l_Text.find("<object", l_Pos);
        const size_t l_CloseTag = l_Text.find("</object>", l_Pos);
        if (l_OpenTag == std::string::npos && l_CloseTag == std::string::npos) {
            break;
        }
        if (l_CloseTag < l_OpenTag) {
            if (l_Open.empty()) {
                throw std::runtime_error(a_rPath + ": unbalanced objects");
            }
            l_Open.pop_back();
            l_Pos = l_CloseTag + 1;
            continue;
        }
        const size_t l_End = l_Text.find('>', l_OpenTag);
        const std::string l_Element = l_Text.substr(l_OpenTag, l_End + 1 - l_OpenTag);
        l_Pos = l_End;
        const bool l_Closed = l_Element.size() > 2 && l_Element[l_Element.size() - 2] == '/';
        int l_Self = -1;
        if (attribute(l_Element, "type") == "Bridge") {
            const std::string l_Kind = attribute(l_Element, "bridge_type");
            unsigned l_Domain = 0, l_Secondary = 0, l_Subordinate = 0;
            if (std::sscanf(attribute(l_Element, "bridge_pci").c_str(), "%x:[%x-%x]", &l_Domain,
                            &l_Secondary, &l_Subordinate) != 3) {
                throw std::runtime_error(a_rPath + ": a bridge without bridge_pci");
            }
            if (l_Kind == "0-1") {
                if (l_Domain == 0) {
                    l_Recording.rootBuses.insert(l_Secondary);
                }
            } else if (l_Kind == "1-1") {
                tRecordedBridge l_Bridge;
                unsigned l_BusDomain = 0, l_Class = 0, l_Revision = 0;
                if (std::sscanf(attribute(l_Element, "pci_busid").c_str(), "%x:%x:%x.%x",
                                &l_BusDomain, &l_Bridge.bus, &l_Bridge.device,
                                &l_Bridge.function) != 4 ||
                    std::sscanf(attribute(l_Element, "pci_type").c_str(), "%x [%x:%x] [%x:%x] %x",
                                &l_Class, &l_Bridge.vendorId, &l_Bridge.deviceId,
                                &l_Bridge.subsystemVendorId, &l_Bridge.subsystemId,
                                &l_Revision) != 6) {
                    throw std::runtime_error(a_rPath + ": a PCI bridge without its address or ids");
                }
                if (l_BusDomain != 0) {
                    ++l_Recording.otherDomainBridges;
                } else {
                    l_Bridge.secondaryBus = l_Secondary;
                    for (auto l_Up = l_Open.rbegin(); l_Up != l_Open.rend(); ++l_Up) {
                        if (*l_Up >= 0) {
                            l_Bridge.parent = *l_Up;
                            break;
                        }
                    }
                    char l_Hop[8];
                    std::snprintf(l_Hop, sizeof(l_Hop), "%02X",
                                  l_Bridge.device * 8 + l_Bridge.function);
                    if (l_Bridge.parent < 0) {
                        char l_Root[8];
                        std::snprintf(l_Root, sizeof(l_Root), "MR%02X:", l_Bridge.bus);
                        l_Bridge.slotPath = std::string(l_Root) + l_Hop;
                    } else {
                        tRecordedBridge& l_rParent = l_Recording.bridges[l_Bridge.parent];
                        ++l_rParent.children;
                        const size_t l_Colon = l_rParent.slotPath.find(':');
                        l_Bridge.slotPath = l_rParent.slotPath.substr(0, l_Colon + 1) + l_Hop +
                                            "," + l_rParent.slotPath.substr(l_Colon + 1);
                    }
                    l_Self = static_cast<int>(l_Recording.bridges.size());
                    l_Recording.bridges.push_back(l_Bridge);
                }
            }
        }
        if (!l_Closed) {
            l_Open.push_back(l_Self);
        }
    }
    return l_Recording;
}

}  // namespace qxlinuxtest
