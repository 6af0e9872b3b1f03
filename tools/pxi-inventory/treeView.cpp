#include "tools/pxi-inventory/treeView.h"

#include <cstdio>
#include <vector>

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
    return " [" + std::to_string(a_rCall["status"].get<int>()) + " " + text(a_rCall["statusName"]) +
           ": " + text(a_rCall["statusMeaning"]) + "]";
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
        for (const tJson& l_rChassis : l_rModel["chassis"]) {
            tNode& l_Node = l_ModelNode.add("chassis " + text(l_rChassis["number"]));
            for (const tJson& l_rBus : l_rChassis["rootBuses"]) {
                l_Node.add("root bus " + text(l_rBus["position"]) + ": [" + hex2(l_rBus["bus"]) +
                           "]" + failure(l_rBus));
            }
        }
    }
    if (a_rChassis["models"].empty() && a_rChassis["library"]["loaded"].get<bool>()) {
        l_Lib.add("(no chassis driver descriptions)");
    }
}

void attributeLines(const tJson& a_rAttributes, tNode& a_rNode, bool a_Verbose) {
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
        if (l_rText["value"].is_string()) {
            a_rNode.add(std::string(l_pText == std::string("text200") ? "text 200" : "text 201") +
                        ": \"" + text(l_rText["value"]) + "\"");
        } else if (a_Verbose || l_rText["status"] != -2) {
            a_rNode.add(std::string(l_pText) + ": none" + failure(l_rText));
        }
    }
    // Failures not drawn above (every attribute of a module that failed to construct).
    for (const auto& l_rItem : a_rAttributes.items()) {
        if (!ok(l_rItem.value()) && l_rItem.value()["status"] != -52002 &&
            l_rItem.value()["status"] != -2 && l_rItem.key().rfind("text", 0) != 0 &&
            l_rItem.key().rfind("linkBus", 0) != 0 && l_rItem.key().rfind("linkValue", 0) != 0) {
            a_rNode.add("attribute " + text(l_rItem.value()["id"]) + " (" + l_rItem.key() + ")" +
                        failure(l_rItem.value()));
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

void eepromLines(const tJson& a_rEeprom, tNode& a_rNode) {
    if (!ok(a_rEeprom)) {
        a_rNode.add("chassis EEPROM:" + failure(a_rEeprom));
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
        tNode& l_Raw = l_Node.add("raw");
        int l_Offset = 0;
        for (const tJson& l_rLine : a_rEeprom["raw"]) {
            char l_Prefix[16];
            std::snprintf(l_Prefix, sizeof(l_Prefix), "%02X: ", l_Offset);
            l_Raw.add(l_Prefix + text(l_rLine));
            l_Offset += 16;
        }
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
    } else {
        l_Lib.add("controller driver: none (open status " + text(l_rController["openStatus"]) +
                  ")");
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
                l_Node.add(l_rAttribute.key() + l_Id + ": " + text(l_rAttribute.value()["value"]) +
                           failure(l_rAttribute.value()));
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

}  // namespace

std::string renderTree(const tJson& a_rDocument, bool a_Verbose) {
    tNode l_Root;
    const tJson& l_rEnv = a_rDocument["environment"];
    std::string l_Out = "PXI inventory";
    if (l_rEnv["standInServices"].is_string()) {
        l_Out +=
            " (simulated machine " +
            (l_rEnv["machine"].is_string() ? text(l_rEnv["machine"]) : std::string("default")) +
            ")";
    } else if (l_rEnv["machine"].is_string()) {
        l_Out += " (machine file " + text(l_rEnv["machine"]) + ")";
    }
    l_Out += "\n";
    const tJson& l_rDirs = a_rDocument["descriptionDirectories"];
    tNode& l_Dirs = l_Root.add("Descriptions");
    l_Dirs.add("chassis drivers: " + text(l_rDirs["chassisDrivers"]));
    l_Dirs.add("system modules: " + text(l_rDirs["systemModules"]));
    for (const char* l_pName : {"libdirRelocation", "datadirRelocation"}) {
        if (l_rDirs.contains(l_pName)) {
            l_Dirs.add(std::string(l_pName) + failure(l_rDirs[l_pName]));
        }
    }
    chassisTree(a_rDocument["chassis"], l_Root, a_Verbose);
    systemModuleTree(a_rDocument["systemModules"], l_Root, a_Verbose);
    for (const tJson& l_rFinder : a_rDocument["finders"]) {
        finderTree(l_rFinder, l_Root);
    }
    if (a_Verbose) {
        tNode& l_Libs = l_Root.add("Libraries");
        for (const tJson* l_pLib :
             {&a_rDocument["chassis"]["library"], &a_rDocument["systemModules"]["library"]}) {
            l_Libs.add(text((*l_pLib)["file"]) + ": " + text((*l_pLib)["path"]));
        }
        for (const tJson& l_rFinder : a_rDocument["finders"]) {
            l_Libs.add(text(l_rFinder["library"]["file"]) + ": " +
                       text(l_rFinder["library"]["path"]));
        }
        if (a_rDocument.contains("calls")) {
            tNode& l_Calls = l_Root.add("Calls");
            for (const tJson& l_rCall : a_rDocument["calls"]) {
                l_Calls.add(text(l_rCall["call"]) + " = " + text(l_rCall["status"]));
            }
        }
    }
    draw(l_Root, "", l_Out);
    const tJson& l_rFailures = a_rDocument["failures"];
    if (l_rFailures.empty()) {
        l_Out += "All calls answered.\n";
    } else {
        l_Out += std::to_string(l_rFailures.size()) + " call(s) failed:\n";
        for (const tJson& l_rFailure : l_rFailures) {
            l_Out += "  " + text(l_rFailure["call"]) + ": " +
                     (l_rFailure["code"].is_null() ? std::string("-") : text(l_rFailure["code"])) +
                     " " + text(l_rFailure["name"]) + ": " + text(l_rFailure["meaning"]) + "\n";
        }
    }
    return l_Out;
}

}  // namespace nQxPxiInventory
