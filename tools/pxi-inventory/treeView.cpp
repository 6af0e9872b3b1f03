#include "tools/pxi-inventory/treeView.h"

#include "tools/pxi-inventory/replay.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/pxi-inventory/i2cNodes.h"
#include "tools/pxi-inventory/pciDevices.h"

namespace nQxPxiInventory {

namespace {

struct tNode {
    std::string label;
    std::vector<tNode> children;
    tNode& add(const std::string& a_rLabel) {
        children.push_back({a_rLabel, {}});
        return children.back();
    }
};

void draw(const tNode& a_rNode, const std::string& a_rIndent, std::string& a_rOut) {
    for (size_t l_Index = 0; l_Index < a_rNode.children.size(); ++l_Index) {
        const bool l_Last = l_Index + 1 == a_rNode.children.size();
        a_rOut += a_rIndent + (l_Last ? "\\-" : "+-") + a_rNode.children[l_Index].label + "\n";
        draw(a_rNode.children[l_Index], a_rIndent + (l_Last ? "  " : "| "), a_rOut);
    }
}

std::string hex2(const tJson& a_rValue) {
    if (!a_rValue.is_number()) {
        return "?";
    }
    char l_Buffer[16];
    std::snprintf(l_Buffer, sizeof(l_Buffer), "%02X", a_rValue.get<unsigned>());
    return l_Buffer;
}

std::string text(const tJson& a_rValue) {
    if (a_rValue.is_string()) {
        return a_rValue.get<std::string>();
    }
    if (a_rValue.is_null()) {
        return "?";
    }
    return a_rValue.dump();
}

// " [FAILED -52005 qxapalerr_invalidParameter: meaning]" for a failed call, else "".
std::string failure(const tJson& a_rCall) {
    if (a_rCall.contains("unavailable")) {
        return " [UNAVAILABLE: " + text(a_rCall["unavailable"]) + "]";
    }
    if (!a_rCall.contains("status") || !a_rCall["status"].is_number() ||
        a_rCall["status"].get<int>() == 0) {
        return "";
    }
    // The service's own words, where it keeps them, say what the status cannot.
    const std::string l_Words =
        a_rCall.contains("serviceMessage") ? ": " + text(a_rCall["serviceMessage"]) : "";
    return " [" + std::to_string(a_rCall["status"].get<int>()) + " " + text(a_rCall["statusName"]) +
           ": " + text(a_rCall["statusMeaning"]) + l_Words + "]";
}

bool ok(const tJson& a_rCall) {
    return a_rCall.contains("status") && a_rCall["status"].is_number() &&
           a_rCall["status"].get<int>() >= 0;
}

std::string libraryLabel(const tJson& a_rLibrary) {
    std::string l_Label = text(a_rLibrary["file"]);
    if (!a_rLibrary["loaded"].get<bool>()) {
        return l_Label + failure(a_rLibrary);
    }
    if (a_rLibrary.contains("missingEntryPoints")) {
        l_Label += " [missing entry points: " + a_rLibrary["missingEntryPoints"].dump() + "]";
    }
    return l_Label;
}

// The calls on an SMBus adapter that failed: " attributes 301, 302 [...]", " QXSMBusOpen [...]".
std::string adapterFailures(const tJson& a_rAdapter) {
    std::string l_Text;
    const tJson l_Failed = a_rAdapter.value("failedAttributes", tJson::array());
    if (!l_Failed.empty()) {
        std::string l_Ids;
        for (const tJson& l_rCall : l_Failed) {
            l_Ids += (l_Ids.empty() ? "" : ", ") + text(l_rCall["attribute"]);
        }
        l_Text += " attributes " + l_Ids + failure(l_Failed.front());
    }
    if (a_rAdapter.contains("open") && !ok(a_rAdapter["open"])) {
        l_Text += " QXSMBusOpen" + failure(a_rAdapter["open"]);
    }
    return l_Text;
}

void bridgePairLines(const tJson& a_rPairs, tNode& a_rNode) {
    if (!a_rPairs.is_array()) {
        return;
    }
    for (const tJson& l_rPair : a_rPairs) {
        std::string l_Line = text(l_rPair["key"]) + " " + text(l_rPair["value"]) + ": ";
        if (!l_rPair["bridges"].is_array()) {
            l_Line += "not two hexadecimal numbers separated by a colon";
        } else if (l_rPair["bridges"].empty()) {
            l_Line += "no bridge";
        } else {
            for (size_t l_Index = 0; l_Index < l_rPair["bridges"].size(); ++l_Index) {
                l_Line += (l_Index == 0 ? "" : ", ") + text(l_rPair["bridges"][l_Index]);
            }
        }
        if (l_rPair.contains("otherDomains")) {
            // Left out by the PCI bridge service, whose bus numbers carry no domain.
            l_Line += "; outside PCI domain 0, not seen by the libraries:";
            std::string l_Domain;
            for (const tJson& l_rAddress : l_rPair["otherDomains"]) {
                const std::string l_Address = text(l_rAddress);
                const bool l_Same = l_Address.compare(0, 4, l_Domain) == 0;
                l_Domain = l_Address.substr(0, 4);
                l_Line += (l_Same ? ", " : " domain " + l_Domain + ": ") + l_Address.substr(5);
            }
        }
        a_rNode.add(l_Line);
    }
}

// lspci -tv below a root bus: each line nests under the one before it that is one
// level less deep.
void deviceNodes(const tJson& a_rDevices, tNode& a_rBus) {
    std::vector<tNode*> l_Levels = {&a_rBus};
    for (const auto& l_rLine : deviceLines(a_rDevices)) {
        l_Levels.resize(static_cast<size_t>(l_rLine.first) + 1);
        l_Levels.push_back(&l_Levels.back()->add(l_rLine.second));
    }
}

void chassisTree(const tJson& a_rChassis, tNode& a_rRoot, bool a_Verbose) {
    tNode& l_Lib = a_rRoot.add("Chassis: " + libraryLabel(a_rChassis["library"]));
    for (const tJson& l_rModel : a_rChassis["models"]) {
        const tJson& l_rCount = l_rModel["count"];
        std::string l_Label = text(l_rModel["vendor"]) + " " + text(l_rModel["model"]) + ": " +
                              text(l_rCount["value"]) + " chassis" + failure(l_rCount);
        if (a_Verbose) {
            l_Label += " (" + text(l_rModel["file"]) + ")";
        }
        tNode& l_ModelNode = l_Lib.add(l_Label);
        const tJson& l_rPairs = l_rModel["bridgePairs"];
        if (l_rCount["value"] == 0 || a_Verbose ||
            std::any_of(l_rPairs.begin(), l_rPairs.end(),
                        [](const tJson& a_rPair) { return a_rPair.contains("otherDomains"); })) {
            // What a user needs when a chassis is not found: which bridges each pair found.
            bridgePairLines(l_rModel["bridgePairs"], l_ModelNode);
        }
        for (const tJson& l_rChassis : l_rModel["chassis"]) {
            tNode& l_Node = l_ModelNode.add("chassis " + text(l_rChassis["number"]));
            for (const tJson& l_rBus : l_rChassis["rootBuses"]) {
                tNode& l_BusNode = l_Node.add("root bus " + text(l_rBus["position"]) + ": [" +
                                              hex2(l_rBus["bus"]) + "]" + failure(l_rBus));
                deviceNodes(l_rBus.value("devices", tJson()), l_BusNode);
            }
        }
    }
    if (a_rChassis["models"].empty() && a_rChassis["library"]["loaded"].get<bool>()) {
        l_Lib.add("(no chassis driver descriptions)");
    }
}

void attributeLines(const tJson& a_rAttributes, tNode& a_rNode, bool a_Verbose) {
    const tJson& l_rFirst = a_rAttributes.begin().value();
    bool l_AllFailedAlike = !ok(l_rFirst);
    for (const auto& l_rItem : a_rAttributes.items()) {
        l_AllFailedAlike = l_AllFailedAlike && l_rItem.value()["status"] == l_rFirst["status"];
    }
    if (l_AllFailedAlike) {
        a_rNode.add("all " + std::to_string(a_rAttributes.size()) + " attributes" +
                    failure(l_rFirst));
        return;
    }
    std::string l_Widths = "max link widths";
    std::vector<std::string> l_Failed;
    for (int l_Index = 1; l_Index <= 6; ++l_Index) {
        const tJson& l_rWidth = a_rAttributes["maxLinkWidth" + std::to_string(l_Index)];
        l_Widths += (l_Index == 1 ? " " : ",") + text(l_rWidth["value"]);
    }
    const tJson& l_rStyle = a_rAttributes["moduleStyle"];
    const std::string l_Style = !ok(l_rStyle)            ? "?"
                                : l_rStyle["value"] == 0 ? "embedded"
                                : l_rStyle["value"] == 1 ? "remote"
                                                         : text(l_rStyle["value"]);
    a_rNode.add("style " + l_Style + ", " + text(a_rAttributes["linkCount"]["value"]) + " links, " +
                l_Widths);
    for (int l_Link = 1; l_Link <= 4; ++l_Link) {
        const tJson& l_rBus = a_rAttributes["linkBus" + std::to_string(l_Link)];
        const tJson& l_rValue = a_rAttributes["linkValue" + std::to_string(l_Link)];
        if (!ok(l_rBus) && !ok(l_rValue) && l_rBus["status"] == -52002 &&
            a_rAttributes["linkCount"]["value"] == 2) {
            continue;  // a two-link chassis has no link 3 or 4
        }
        a_rNode.add("link " + std::to_string(l_Link) + ": bus [" + hex2(l_rBus["value"]) + "]" +
                    failure(l_rBus) + ", link value " + text(l_rValue["value"]) +
                    failure(l_rValue));
    }
    for (const char* l_pText : {"text200", "text201"}) {
        const tJson& l_rText = a_rAttributes[l_pText];
        const std::string l_Label = l_pText == std::string("text200") ? "text 200" : "text 201";
        if (l_rText["value"].is_string()) {
            a_rNode.add(l_Label + ": \"" + text(l_rText["value"]) + "\"");
        } else if (l_rText.value("expected", false)) {
            if (a_Verbose) {
                a_rNode.add(l_Label + ": none (an empty text: " + text(l_rText["status"]) +
                            ", an expected answer)");
            }
        } else {
            a_rNode.add(l_Label + ": none" + failure(l_rText));
        }
    }
    // Failures not drawn above, one line per status.
    std::vector<std::pair<int, std::string>> l_Groups;
    for (const auto& l_rItem : a_rAttributes.items()) {
        if (!ok(l_rItem.value()) && l_rItem.value()["status"] != -52002 &&
            l_rItem.value()["status"] != -2 && l_rItem.key().rfind("text", 0) != 0 &&
            l_rItem.key().rfind("linkBus", 0) != 0 && l_rItem.key().rfind("linkValue", 0) != 0) {
            const int l_Status =
                l_rItem.value()["status"].is_number() ? l_rItem.value()["status"].get<int>() : 0;
            auto l_Group =
                std::find_if(l_Groups.begin(), l_Groups.end(),
                             [&](const auto& a_rGroup) { return a_rGroup.first == l_Status; });
            if (l_Group == l_Groups.end()) {
                l_Groups.emplace_back(l_Status, text(l_rItem.value()["id"]));
            } else {
                l_Group->second += ", " + text(l_rItem.value()["id"]);
            }
        }
    }
    for (const auto& l_rGroup : l_Groups) {
        for (const auto& l_rItem : a_rAttributes.items()) {
            if (l_rItem.value()["status"] == l_rGroup.first) {
                a_rNode.add("attributes " + l_rGroup.second + failure(l_rItem.value()));
                break;
            }
        }
    }
    if (a_Verbose) {
        std::string l_Raw = "raw attributes:";
        for (const auto& l_rItem : a_rAttributes.items()) {
            l_Raw += " " + text(l_rItem.value()["id"]) + "=" + text(l_rItem.value()["value"]) +
                     "/" + text(l_rItem.value()["status"]);
        }
        a_rNode.add(l_Raw);
    }
}

void rawLines(const tJson& a_rRaw, tNode& a_rNode) {
    int l_Offset = 0;
    for (const tJson& l_rLine : a_rRaw) {
        char l_Prefix[16];
        std::snprintf(l_Prefix, sizeof(l_Prefix), "%02X: ", l_Offset);
        a_rNode.add(l_Prefix + text(l_rLine));
        l_Offset += 16;
    }
}

void eepromLines(const tJson& a_rEeprom, tNode& a_rNode) {
    if (!ok(a_rEeprom)) {
        tNode& l_Node = a_rNode.add("chassis EEPROM:" + failure(a_rEeprom));
        if (a_rEeprom.contains("throughSmbusService")) {
            const tJson& l_rDirect = a_rEeprom["throughSmbusService"];
            if (!ok(l_rDirect) || !l_rDirect.contains("checksum")) {
                l_Node.add("read through the SMBus service (" + text(l_rDirect["resource"]) + "):" +
                           (l_rDirect.contains("unavailable")
                                ? " " + text(l_rDirect["unavailable"])
                                : " status " + text(l_rDirect["status"]) +
                                      (l_rDirect.contains("serviceMessage")
                                           ? ": " + text(l_rDirect["serviceMessage"])
                                           : "")));
                return;
            }
            const tJson& l_rSum = l_rDirect["checksum"];
            char l_Line[160];
            std::snprintf(l_Line, sizeof(l_Line),
                          "read through the SMBus service: signature %s (%s), checksum stored "
                          "0x%04X (bytes 121-122), computed 0x%04X: %s",
                          text(l_rDirect["signature"]["bytes"]).c_str(),
                          l_rDirect["signature"]["valid"].get<bool>() ? "valid" : "INVALID",
                          l_rSum["stored"].get<unsigned>(), l_rSum["computed"].get<unsigned>(),
                          l_rSum["valid"].get<bool>() ? "valid" : "MISMATCH");
            rawLines(l_rDirect["raw"], l_Node.add(l_Line));
        }
        return;
    }
    const tJson& l_rLinks = a_rEeprom["linkConfiguration"];
    const tJson& l_rSum = a_rEeprom["checksum"];
    char l_Sum[64];
    std::snprintf(l_Sum, sizeof(l_Sum), "checksum %s (stored 0x%04X, computed 0x%04X)",
                  l_rSum["valid"].get<bool>() ? "valid" : "MISMATCH",
                  l_rSum["stored"].get<unsigned>(), l_rSum["computed"].get<unsigned>());
    tNode& l_Node =
        a_rNode.add("chassis EEPROM: \"" + text(a_rEeprom["vendor"]) + "\" \"" +
                    text(a_rEeprom["model"]) + "\" revision \"" + text(a_rEeprom["revision"]) +
                    "\" serial \"" + text(a_rEeprom["serialNumber"]) + "\"");
    l_Node.add("signature " + text(a_rEeprom["signature"]["bytes"]) +
               (a_rEeprom["signature"]["valid"].get<bool>() ? " (valid)" : " (INVALID)") +
               ", link configuration " + text(l_rLinks["byte"]) + " (" +
               (l_rLinks["links"].is_null() ? std::string("unknown")
                                            : text(l_rLinks["links"]) + " links") +
               "), " + l_Sum);
    if (a_rEeprom.contains("raw")) {
        rawLines(a_rEeprom["raw"], l_Node.add("raw"));
    }
}

void peerToPeerLines(const tJson& a_rP2P, tNode& a_rNode) {
    tNode& l_Node = a_rNode.add("peer-to-peer (ports from " + text(a_rP2P["portsFrom"]) +
                                "): " + std::to_string(a_rP2P["ports"].size()) + " ports");
    for (const tJson& l_rSource : a_rP2P["ports"]) {
        std::string l_Reach;
        std::vector<std::string> l_Failures;
        for (const tJson& l_rPair : a_rP2P["pairs"]) {
            if (l_rPair["source"] != l_rSource) {
                continue;
            }
            if (!ok(l_rPair)) {
                l_Failures.push_back("to " + text(l_rPair["target"]) + failure(l_rPair));
            } else if (l_rPair["supported"].get<bool>()) {
                l_Reach += (l_Reach.empty() ? "" : ", ") + text(l_rPair["target"]);
            }
        }
        tNode& l_Port = l_Node.add("[" + text(l_rSource) + "] -> " +
                                   (l_Reach.empty() ? std::string("none") : l_Reach));
        for (const std::string& l_rFailure : l_Failures) {
            l_Port.add(l_rFailure);
        }
    }
}

void systemModuleTree(const tJson& a_rSection, tNode& a_rRoot, bool a_Verbose) {
    tNode& l_Lib = a_rRoot.add("System modules: " + libraryLabel(a_rSection["library"]));
    const tJson& l_rController = a_rSection["controller"];
    if (l_rController["present"].get<bool>()) {
        l_Lib.add("controller driver: " + text(l_rController["vendor"]) + " " +
                  text(l_rController["model"]));
    } else if (l_rController["state"] == "none") {
        l_Lib.add("controller driver: none, this machine has no controller driver");
    } else if (l_rController["state"] == "no service") {
        l_Lib.add("controller driver: the service libqxcntdrv.so.1 is not installed");
    } else {
        l_Lib.add("controller driver: FAILED to open [" + text(l_rController["openStatus"]) + " " +
                  text(l_rController["statusName"]) + ": " + text(l_rController["statusMeaning"]) +
                  "]");
    }
    for (const tJson& l_rIdentity : a_rSection["identities"]) {
        std::string l_Kind = l_rIdentity["style"].is_string() ? text(l_rIdentity["style"]) : "";
        if (l_rIdentity["controller"].get<bool>()) {
            l_Kind += l_Kind.empty() ? "the controller" : ", the controller";
        }
        std::string l_Label = text(l_rIdentity["vendor"]) + " " + text(l_rIdentity["model"]) +
                              " (" + l_Kind + "): " + text(l_rIdentity["count"]["value"]) +
                              " module(s)" + failure(l_rIdentity["count"]);
        if (a_Verbose && l_rIdentity["file"].is_string()) {
            l_Label += " (" + text(l_rIdentity["file"]) + ")";
        }
        tNode& l_IdNode = l_Lib.add(l_Label);
        for (const tJson& l_rModule : l_rIdentity["modules"]) {
            if (!ok(l_rModule)) {
                l_IdNode.add("module " + text(l_rModule["index"]) + failure(l_rModule));
                continue;
            }
            tNode& l_Module = l_IdNode.add(text(l_rModule["name"]));
            l_Module.add("resources: " + text(l_rModule["resourceList"]));
            attributeLines(l_rModule["attributes"], l_Module, a_Verbose);
            eepromLines(l_rModule["eeprom"], l_Module);
            if (l_rModule.contains("peerToPeer")) {
                peerToPeerLines(l_rModule["peerToPeer"], l_Module);
            }
        }
    }
}

void finderTree(const tJson& a_rFinder, tNode& a_rRoot) {
    std::string l_Label = "Finder: " + libraryLabel(a_rFinder["library"]);
    if (a_rFinder.contains("count")) {
        l_Label +=
            ": " + text(a_rFinder["count"]["value"]) + " item(s)" + failure(a_rFinder["count"]);
    }
    tNode& l_Lib = a_rRoot.add(l_Label);
    for (const tJson& l_rItem : a_rFinder["items"]) {
        if (!ok(l_rItem)) {
            l_Lib.add("item " + text(l_rItem["index"]) + failure(l_rItem));
            continue;
        }
        const tJson& l_rClass = l_rItem["u32"]["itemClass"];
        const std::string l_Class = l_rClass["value"] == 1   ? "controller"
                                    : l_rClass["value"] == 2 ? "chassis"
                                                             : "class " + text(l_rClass["value"]);
        tNode& l_Node = l_Lib.add("item " + text(l_rItem["index"]) + ": " + l_Class + " \"" +
                                  text(l_rItem["strings"]["vendor"]["value"]) + "\" \"" +
                                  text(l_rItem["strings"]["model"]["value"]) + "\"");
        for (const char* l_pGroup : {"strings", "u32"}) {
            for (const auto& l_rAttribute : l_rItem[l_pGroup].items()) {
                char l_Id[32];
                std::snprintf(l_Id, sizeof(l_Id), " (0x%05X)",
                              l_rAttribute.value()["id"].get<unsigned>());
                const bool l_Bus =
                    l_rAttribute.key() == "chassisBus" || l_rAttribute.key() == "controllerBus";
                tNode& l_Attribute =
                    l_Node.add(l_rAttribute.key() + l_Id + ": " +
                               (l_Bus ? "[" + hex2(l_rAttribute.value()["value"]) + "]"
                                      : text(l_rAttribute.value()["value"])) +
                               failure(l_rAttribute.value()));
                if (l_rAttribute.key() == "chassisBus") {
                    deviceNodes(l_rItem.value("devices", tJson()), l_Attribute);
                }
            }
        }
        if (l_rItem.contains("idselMap")) {
            const tJson& l_rMap = l_rItem["idselMap"];
            std::string l_Line = "IDSEL map:";
            if (l_rMap.contains("map")) {
                for (const tJson& l_rEntry : l_rMap["map"]) {
                    l_Line += " " + hex2(l_rEntry);
                }
            }
            l_Node.add(l_Line + failure(l_rMap));
        }
    }
}

std::string header(const tJson& a_rDocument, const char* a_pTitle) {
    const tJson& l_rEnv = a_rDocument["environment"];
    std::string l_Out = a_pTitle;
    if (l_rEnv["simulated"].get<bool>()) {
        l_Out += " of a SIMULATED machine: " + text(l_rEnv["machine"]) + " (stand-in services)";
    } else if (l_rEnv.contains("replay")) {
        return l_Out + replayHeader(l_rEnv["replay"]);
    } else if (l_rEnv["topology"].is_string()) {
        l_Out += " of the recorded topology " + text(l_rEnv["topology"]);
    } else {
        l_Out += " of this computer";
    }
    return l_Out + "\n";
}

std::string summary(const tJson& a_rDocument) {
    std::string l_Out;
    const tJson& l_rFailures = a_rDocument["failures"];
    if (l_rFailures.empty()) {
        l_Out += "All calls answered.\n";
    } else {
        l_Out += std::to_string(l_rFailures.size()) + " failure(s):\n";
        for (const tJson& l_rFailure : l_rFailures) {
            const int l_Count = l_rFailure.value("count", 1);
            l_Out += "  " + text(l_rFailure["call"]) + ": " +
                     (l_rFailure["code"].is_null() ? std::string("-") : text(l_rFailure["code"])) +
                     " " + text(l_rFailure["name"]) + ": " + text(l_rFailure["meaning"]) +
                     (l_Count > 1 ? " (" + std::to_string(l_Count) + " calls)" : "") + "\n";
        }
    }
    return l_Out;
}

// The failures of the calls on one bridge, "" when all answered.
std::string bridgeFailure(const tJson& a_rBridge) {
    std::string l_Text = ok(a_rBridge) ? "" : failure(a_rBridge);
    for (const char* l_pCall : {"ids", "secondaryBusCall", "slotPathCall"}) {
        if (a_rBridge.contains(l_pCall)) {
            l_Text += failure(a_rBridge[l_pCall]);
        }
    }
    return l_Text;
}

std::string bridgeLabel(const tJson& a_rBridge) {
    std::string l_Label = text(a_rBridge.value("address", tJson("?"))) + " " +
                          text(a_rBridge.value("vendorId", tJson("?"))) + ":" +
                          text(a_rBridge.value("deviceId", tJson("?"))) + " subsystem " +
                          text(a_rBridge.value("subsystemVendorId", tJson("?"))) + ":" +
                          text(a_rBridge.value("subsystemId", tJson("?"))) + " -> bus [" +
                          hex2(a_rBridge.value("secondaryBus", tJson())) + "] " +
                          text(a_rBridge.value("slotPath", tJson("?")));
    return l_Label + bridgeFailure(a_rBridge);
}

// One line on the PCI bridges, the SMBus adapters, the SMBIOS identity and the controller:
// what the machine has, and plainly what it lacks.
void machineLines(const tJson& a_rDocument, tNode& a_rRoot) {
    tNode& l_Machine = a_rRoot.add("Machine");
    const tJson& l_rBridges = a_rDocument["pciBridges"];
    if (l_rBridges.contains("unavailable")) {
        l_Machine.add("PCI bridges:" + failure(l_rBridges));
    } else {
        std::string l_Line =
            "PCI bridges: " + std::to_string(l_rBridges.value("bridges", tJson::array()).size()) +
            ", root buses";
        for (const tJson& l_rBus : l_rBridges.value("rootBuses", tJson::array())) {
            l_Line += " [" + hex2(l_rBus) + "]";
        }
        if (l_rBridges.value("omittedBridges", 0) > 0) {
            l_Line += "; " + text(l_rBridges["omittedBridges"]) +
                      " bridge(s) outside PCI domain 0 left out (bus numbers here carry no domain)";
        }
        // The calls that failed on single bridges: how many bridges, and the first failure.
        size_t l_Failed = 0;
        std::string l_First;
        for (const tJson& l_rBridge : l_rBridges.value("bridges", tJson::array())) {
            const std::string l_Failure = bridgeFailure(l_rBridge);
            l_Failed += l_Failure.empty() ? 0 : 1;
            l_First = l_First.empty() ? l_Failure : l_First;
        }
        if (l_Failed > 0) {
            l_Line += "; " + std::to_string(l_Failed) + " with failed calls (--bridges)" + l_First;
        }
        l_Machine.add(l_Line + failure(l_rBridges));
    }
    const tJson& l_rSmbus = a_rDocument["smbusAdapters"];
    if (l_rSmbus.contains("unavailable")) {
        l_Machine.add("SMBus adapters:" + failure(l_rSmbus));
    } else if (l_rSmbus.value("adapters", tJson::array()).empty()) {
        l_Machine.add("SMBus adapters: none");
    } else {
        tNode& l_Adapters =
            l_Machine.add("SMBus adapters: " + std::to_string(l_rSmbus["adapters"].size()) +
                          " (--smbus)" + failure(l_rSmbus));
        for (const tJson& l_rAdapter : l_rSmbus["adapters"]) {
            const std::string l_Failures = adapterFailures(l_rAdapter);
            if (!l_Failures.empty()) {
                l_Adapters.add(text(l_rAdapter["resource"]) + ":" + l_Failures);
            }
        }
    }
    const tJson& l_rSmbios = a_rDocument["smbios"];
    if (l_rSmbios["status"] != 0) {
        l_Machine.add("SMBIOS: no data (" + text(l_rSmbios["dumpFile"]) + ": " +
                      text(l_rSmbios["statusMeaning"]) + ")");
    } else {
        l_Machine.add("SMBIOS: \"" + text(l_rSmbios["manufacturer"]) + "\" \"" +
                      text(l_rSmbios["productName"]) + "\"");
    }
    if (a_rDocument.contains("controllerIdentification")) {
        l_Machine.add("controller " + text(a_rDocument["controllerIdentification"]["text"]));
    }
}

void descriptionLines(const tJson& a_rDirs, tNode& a_rRoot, bool a_Verbose) {
    tNode& l_Dirs = a_rRoot.add("Descriptions");
    const tJson l_Missing = a_rDirs.value("missing", tJson::array());
    auto l_Line = [&](const char* a_pWhat, const tJson& a_rDir, bool a_Always) {
        const bool l_Absent =
            std::find(l_Missing.begin(), l_Missing.end(), a_rDir) != l_Missing.end();
        if (a_Always || l_Absent) {
            l_Dirs.add(std::string(a_pWhat) + ": " + text(a_rDir) +
                       (l_Absent ? " (no such directory)" : ""));
        }
    };
    l_Line("chassis drivers", a_rDirs["chassisDrivers"], true);
    l_Line("system modules", a_rDirs["systemModules"], true);
    l_Line("controllers", a_rDirs["controllers"], false);
    for (const char* l_pName : {"libdirRelocation", "datadirRelocation"}) {
        if (a_rDirs.contains(l_pName)) {
            l_Dirs.add(std::string(l_pName) + failure(a_rDirs[l_pName]));
        }
    }
    const tJson& l_rSkipped = a_rDirs["skipped"];
    if (!l_rSkipped.empty()) {
        tNode& l_Node = l_Dirs.add(std::to_string(l_rSkipped.size()) +
                                   " description file(s) found but not used" +
                                   (a_Verbose ? std::string(":") : std::string(" (--verbose)")));
        for (const tJson& l_rFile : l_rSkipped) {
            if (a_Verbose) {
                l_Node.add(text(l_rFile["file"]) + ": " + text(l_rFile["reason"]));
            }
        }
    }
}

std::string inventoryTree(const tJson& a_rDocument, bool a_Verbose) {
    tNode l_Root;
    std::string l_Out = header(a_rDocument, "PXI inventory");
    descriptionLines(a_rDocument["descriptionDirectories"], l_Root, a_Verbose);
    if (a_rDocument.contains("pciBridges")) {
        machineLines(a_rDocument, l_Root);
    }
    if (a_rDocument.contains("chassis")) {
        chassisTree(a_rDocument["chassis"], l_Root, a_Verbose);
    }
    if (a_rDocument.contains("systemModules")) {
        systemModuleTree(a_rDocument["systemModules"], l_Root, a_Verbose);
    }
    for (const tJson& l_rFinder : a_rDocument.value("finders", tJson::array())) {
        finderTree(l_rFinder, l_Root);
    }
    if (a_Verbose) {
        tNode& l_Libs = l_Root.add("Libraries");
        for (const char* l_pSection : {"chassis", "systemModules"}) {
            if (a_rDocument.contains(l_pSection)) {
                const tJson& l_rLib = a_rDocument[l_pSection]["library"];
                l_Libs.add(text(l_rLib["file"]) + ": " + text(l_rLib["path"]));
            }
        }
        for (const tJson& l_rFinder : a_rDocument.value("finders", tJson::array())) {
            l_Libs.add(text(l_rFinder["library"]["file"]) + ": " +
                       text(l_rFinder["library"]["path"]));
        }
        for (const tJson& l_rService : a_rDocument["environment"]["platformServices"]) {
            l_Libs.add(text(l_rService["file"]) + ": " +
                       (l_rService["found"].get<bool>() ? text(l_rService["path"])
                                                        : std::string("not found")));
        }
        if (a_rDocument.contains("calls")) {
            tNode& l_Calls = l_Root.add("Calls");
            for (const tJson& l_rCall : a_rDocument["calls"]) {
                l_Calls.add(text(l_rCall["call"]) + " = " + text(l_rCall["status"]));
            }
        }
    }
    draw(l_Root, "", l_Out);
    return l_Out + summary(a_rDocument);
}

// lspci -tv for the bridges the PCI bridge service sees, and what each chassis driver
// description's root-bus bridge pairs matched.
std::string bridgesView(const tJson& a_rDocument) {
    tNode l_Root;
    std::string l_Out = header(a_rDocument, "PCI bridges");
    const tJson& l_rBridges = a_rDocument["pciBridges"];
    std::string l_Service = "PCI bridge service: " + text(l_rBridges.value("service", tJson()));
    tNode& l_Node = l_Root.add(l_Service + failure(l_rBridges));
    for (const tJson& l_rBridge : l_rBridges.value("bridges", tJson::array())) {
        l_Node.add(bridgeLabel(l_rBridge));
    }
    if (l_rBridges.value("omittedBridges", 0) > 0) {
        tNode& l_Omitted = l_Node.add(
            text(l_rBridges["omittedBridges"]) +
            " bridge(s) outside PCI domain 0 left out: bus numbers here carry no domain");
        for (const tJson& l_rBridge : l_rBridges.value("outsideDomain0", tJson::array())) {
            l_Omitted.add(text(l_rBridge["address"]) + " [" + text(l_rBridge["vendorId"]) + ":" +
                          text(l_rBridge["deviceId"]) + "] subsystem " +
                          text(l_rBridge["subsystemVendorId"]) + ":" +
                          text(l_rBridge["subsystemId"]));
        }
    }
    tNode& l_Pairs = l_Root.add("Chassis driver descriptions: root-bus bridge pairs");
    for (const tJson& l_rModel : a_rDocument["chassisBridgePairs"]) {
        bridgePairLines(l_rModel["bridgePairs"],
                        l_Pairs.add(text(l_rModel["vendor"]) + " " + text(l_rModel["model"]) +
                                    " (" + text(l_rModel["file"]) + ")"));
    }
    draw(l_Root, "", l_Out);
    return l_Out + summary(a_rDocument);
}

// i2cdetect -l for the adapters of the SMBus service.
std::string smbusView(const tJson& a_rDocument) {
    std::string l_Out = header(a_rDocument, "SMBus adapters");
    const tJson& l_rSmbus = a_rDocument["smbusAdapters"];
    if (!ok(l_rSmbus) && !l_rSmbus.contains("adapters")) {
        l_Out += "SMBus service:" + failure(l_rSmbus) + "\n";
    } else if (l_rSmbus["adapters"].empty()) {
        l_Out += "no SMBus adapter\n";
    }
    for (const tJson& l_rAdapter : l_rSmbus.value("adapters", tJson::array())) {
        l_Out += text(l_rAdapter["resource"]) + "\t" +
                 text(l_rAdapter.value("pciAddress", tJson("-"))) + "\t" +
                 text(l_rAdapter.value("vendorId", tJson("?"))) + ":" +
                 text(l_rAdapter.value("productId", tJson("?"))) + "\t" +
                 (l_rAdapter["usable"] == true    ? "usable"
                  : l_rAdapter["usable"] == false ? "not usable"
                                                  : "usable ?") +
                 "\t" + text(l_rAdapter["description"]) + adapterFailures(l_rAdapter) + "\n";
        const std::string l_Node = i2cNodeLine(l_rAdapter);
        if (!l_Node.empty()) {
            l_Out += "    " + l_Node + "\n";
        }
    }
    return l_Out + summary(a_rDocument);
}

// dmidecode -t system for what the controller finder reads.
std::string smbiosView(const tJson& a_rDocument) {
    std::string l_Out = header(a_rDocument, "SMBIOS identity");
    const tJson& l_rSmbios = a_rDocument["smbios"];
    l_Out += "dump file: " + text(l_rSmbios["dumpFile"]) + "\n";
    if (l_rSmbios["status"] != 0) {
        return l_Out + "no SMBIOS data:" + failure(l_rSmbios) + "\n" + summary(a_rDocument);
    }
    for (const auto& l_rItem : l_rSmbios.items()) {
        if (l_rItem.key() == "dumpOf") {
            l_Out += "dump of: " + text(l_rItem.value()) + "\n";
        } else if (l_rItem.key() != "dumpFile" && l_rItem.key() != "status") {
            l_Out += l_rItem.key() + ": " +
                     (l_rItem.value().is_null() ? std::string("(none)")
                                                : "\"" + text(l_rItem.value()) + "\"") +
                     "\n";
        }
    }
    return l_Out + summary(a_rDocument);
}

}  // namespace

std::string renderView(const tJson& a_rDocument, const tOptions& a_rOptions) {
    switch (a_rOptions.view) {
        case eView::bridges:
            return bridgesView(a_rDocument);
        case eView::smbus:
            return smbusView(a_rDocument);
        case eView::smbios:
            return smbiosView(a_rDocument);
        case eView::inventory:
            break;
    }
    return inventoryTree(a_rDocument, a_rOptions.verbose);
}

}  // namespace nQxPxiInventory
