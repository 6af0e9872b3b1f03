#include "tools/pxi-inventory/metricsView.h"

#include "tools/pxi-inventory/exposition.h"

namespace nQxPxiInventory {

namespace {

const tJson kNone;

// A member that may be missing (a filtered run, a library that did not load).
const tJson& member(const tJson& a_rObject, const char* a_pKey) {
    if (a_rObject.is_object()) {
        const auto l_Found = a_rObject.find(a_pKey);
        if (l_Found != a_rObject.end()) {
            return *l_Found;
        }
    }
    return kNone;
}

// The elements of a member that may be missing, without copying them.
const tJson& elements(const tJson& a_rArray) {
    static const tJson s_Empty = tJson::array();
    return a_rArray.is_array() ? a_rArray : s_Empty;
}

std::string text(const tJson& a_rValue) {
    return a_rValue.is_string() ? a_rValue.get<std::string>() : std::string();
}

// The value a call delivered, or nothing when the call failed: a failed call is not a
// zero; it shows as its status under qxpxi_call_status.
bool delivered(const tJson& a_rCall, int64_t& a_rValue) {
    const tJson& l_rStatus = member(a_rCall, "status");
    const tJson& l_rValue = member(a_rCall, "value");
    if (!l_rStatus.is_number_integer() || l_rStatus.get<int64_t>() < 0 ||
        !l_rValue.is_number_integer()) {
        return false;
    }
    a_rValue = l_rValue.get<int64_t>();
    return true;
}

void libraries(const tJson& a_rDoc, cExposition& a_rOut) {
    a_rOut.family("qxpxi_library_loaded",
                  "1 when the qxpxi library could be loaded and was asked, 0 when not");
    auto l_Library = [&a_rOut](const tJson& a_rSection) {
        const tJson& l_rLibrary = member(a_rSection, "library");
        if (l_rLibrary.is_object()) {
            a_rOut.sample({{"library", text(member(l_rLibrary, "file"))}},
                          member(l_rLibrary, "loaded") == true ? 1 : 0);
        }
    };
    l_Library(member(a_rDoc, "chassis"));
    l_Library(member(a_rDoc, "systemModules"));
    const tJson& l_rFinders = member(a_rDoc, "finders");
    if (l_rFinders.is_array()) {
        for (const tJson& l_rFinder : l_rFinders) {
            l_Library(l_rFinder);
        }
    }
}

void chassis(const tJson& a_rDoc, cExposition& a_rOut) {
    const tJson& l_rModels = member(member(a_rDoc, "chassis"), "models");
    if (!l_rModels.is_array()) {
        return;
    }
    a_rOut.family("qxpxi_chassis_found",
                  "Chassis of the model found by the chassis library (PXISA_Chassis_GetCount)");
    for (const tJson& l_rModel : l_rModels) {
        int64_t l_Count = 0;
        if (delivered(member(l_rModel, "count"), l_Count)) {
            a_rOut.sample({{"vendor", text(member(l_rModel, "vendor"))},
                           {"model", text(member(l_rModel, "model"))}},
                          l_Count);
        }
    }
    a_rOut.family("qxpxi_chassis_root_bus",
                  "PCI root bus number of a chassis at a root bus level (1-based)");
    for (const tJson& l_rModel : l_rModels) {
        const tJson& l_rChassis = member(l_rModel, "chassis");
        for (const tJson& l_rOne : elements(l_rChassis)) {
            const tJson& l_rBuses = member(l_rOne, "rootBuses");
            for (const tJson& l_rBus : elements(l_rBuses)) {
                if (member(l_rBus, "bus").is_number_integer()) {
                    a_rOut.sample({{"vendor", text(member(l_rModel, "vendor"))},
                                   {"model", text(member(l_rModel, "model"))},
                                   {"chassis", member(l_rOne, "number").dump()},
                                   {"position", member(l_rBus, "position").dump()}},
                                  l_rBus["bus"].get<int64_t>());
                }
            }
        }
    }
}

void controller(const tJson& a_rDoc, cExposition& a_rOut) {
    const tJson& l_rIdentification = member(a_rDoc, "controllerIdentification");
    if (!l_rIdentification.is_object()) {
        return;
    }
    // One series per way, so that the sum says whether the controller is identified at
    // all and the series with 1 says how.
    a_rOut.family("qxpxi_controller_identified",
                  "1 for the way the embedded controller was identified (controller driver, "
                  "else SMBIOS and the controller descriptions); all 0 when it was not");
    const std::string l_Way = text(member(l_rIdentification, "way"));
    for (const char* l_pWay : {"controller driver", "SMBIOS"}) {
        a_rOut.sample({{"way", l_pWay}}, l_Way == l_pWay ? 1 : 0);
    }
}

struct tModule {
    const tJson* pIdentity;
    const tJson* pModule;
    tLabels labels() const {
        return {{"vendor", text(member(*pIdentity, "vendor"))},
                {"model", text(member(*pIdentity, "model"))},
                {"module", text(member(*pModule, "name"))}};
    }
    // The decoded chassis EEPROM: the library's, else the image read directly from the
    // SMBus service after the library refused it (a bad checksum, a bad signature).
    const tJson& eeprom() const {
        const tJson& l_rEeprom = member(*pModule, "eeprom");
        const tJson& l_rDirect = member(l_rEeprom, "throughSmbusService");
        return member(l_rEeprom, "checksum").is_object() ? l_rEeprom : l_rDirect;
    }
};

void attributeFamily(const std::vector<tModule>& a_rModules, const char* a_pPrefix, int a_Count,
                     cExposition& a_rOut) {
    for (const tModule& l_rModule : a_rModules) {
        const tJson& l_rAttributes = member(*l_rModule.pModule, "attributes");
        for (int l_Link = 1; l_Link <= a_Count; ++l_Link) {
            int64_t l_Value = 0;
            const std::string l_Name = a_pPrefix + std::to_string(l_Link);
            if (delivered(member(l_rAttributes, l_Name.c_str()), l_Value)) {
                tLabels l_Labels = l_rModule.labels();
                l_Labels.emplace_back("link", std::to_string(l_Link));
                a_rOut.sample(l_Labels, l_Value);
            }
        }
    }
}

void systemModules(const tJson& a_rDoc, cExposition& a_rOut) {
    const tJson& l_rIdentities = member(member(a_rDoc, "systemModules"), "identities");
    if (!l_rIdentities.is_array()) {
        return;
    }
    a_rOut.family("qxpxi_system_modules_found",
                  "System modules of the model found by the system module library "
                  "(PXISA_SystemModule_GetCount)");
    std::vector<tModule> l_Modules;
    for (const tJson& l_rIdentity : l_rIdentities) {
        int64_t l_Count = 0;
        if (delivered(member(l_rIdentity, "count"), l_Count)) {
            a_rOut.sample({{"vendor", text(member(l_rIdentity, "vendor"))},
                           {"model", text(member(l_rIdentity, "model"))}},
                          l_Count);
        }
        const tJson& l_rList = member(l_rIdentity, "modules");
        for (const tJson& l_rModule : elements(l_rList)) {
            if (member(l_rModule, "name").is_string()) {
                l_Modules.push_back({&l_rIdentity, &l_rModule});
            }
        }
    }
    a_rOut.family("qxpxi_system_module_links", "Links of the system module (attribute 100)");
    for (const tModule& l_rModule : l_Modules) {
        int64_t l_Value = 0;
        if (delivered(member(member(*l_rModule.pModule, "attributes"), "linkCount"), l_Value)) {
            a_rOut.sample(l_rModule.labels(), l_Value);
        }
    }
    a_rOut.family("qxpxi_system_module_link_width",
                  "Width of a link of the system module as its PCI bridge reports it "
                  "(attributes 105 to 108; -1 when the bridge could not be read)");
    attributeFamily(l_Modules, "linkValue", 4, a_rOut);
    a_rOut.family("qxpxi_system_module_max_link_width",
                  "Maximum width of a link of the system module (attributes 0 to 5)");
    attributeFamily(l_Modules, "maxLinkWidth", 6, a_rOut);

    a_rOut.family("qxpxi_chassis_eeprom_signature_valid",
                  "1 when the chassis EEPROM a system module reads starts with its signature");
    for (const tModule& l_rModule : l_Modules) {
        const tJson& l_rValid = member(member(l_rModule.eeprom(), "signature"), "valid");
        if (l_rValid.is_boolean()) {
            a_rOut.sample(l_rModule.labels(), l_rValid.get<bool>() ? 1 : 0);
        }
    }
    a_rOut.family("qxpxi_chassis_eeprom_checksum_valid",
                  "1 when the checksum stored in the chassis EEPROM a system module reads "
                  "matches its bytes, 0 when not (the library then refuses the module)");
    for (const tModule& l_rModule : l_Modules) {
        const tJson& l_rValid = member(member(l_rModule.eeprom(), "checksum"), "valid");
        if (l_rValid.is_boolean()) {
            a_rOut.sample(l_rModule.labels(), l_rValid.get<bool>() ? 1 : 0);
        }
    }
    a_rOut.family("qxpxi_chassis_eeprom_info",
                  "The chassis a system module controls, as its EEPROM names it (always 1)");
    for (const tModule& l_rModule : l_Modules) {
        const tJson& l_rEeprom = l_rModule.eeprom();
        if (member(l_rEeprom, "checksum").is_object()) {
            tLabels l_Labels = l_rModule.labels();
            l_Labels.emplace_back("chassis_vendor", text(member(l_rEeprom, "vendor")));
            l_Labels.emplace_back("chassis_model", text(member(l_rEeprom, "model")));
            l_Labels.emplace_back("chassis_revision", text(member(l_rEeprom, "revision")));
            l_Labels.emplace_back("chassis_serial_number", text(member(l_rEeprom, "serialNumber")));
            a_rOut.sample(l_Labels, 1);
        }
    }
}

void finders(const tJson& a_rDoc, cExposition& a_rOut) {
    const tJson& l_rFinders = member(a_rDoc, "finders");
    if (!l_rFinders.is_array()) {
        return;
    }
    a_rOut.family("qxpxi_finder_items",
                  "Items the finder plug-in lists (nQXPXIFINDER100_openList)");
    for (const tJson& l_rFinder : l_rFinders) {
        int64_t l_Count = 0;
        if (delivered(member(l_rFinder, "count"), l_Count)) {
            a_rOut.sample({{"finder", text(member(member(l_rFinder, "library"), "file"))}},
                          l_Count);
        }
    }
}

}  // namespace

std::string renderMetrics(const tJson& a_rDoc) {
    cExposition l_Out;
    l_Out.family("qxpxi_inventory_simulated",
                 "1 when the machine is simulated by the stand-in services, not this computer");
    l_Out.sample({}, member(member(a_rDoc, "environment"), "simulated") == true ? 1 : 0);
    l_Out.family("qxpxi_inventory_exit_status",
                 "Exit status of pxi-inventory: 0 every call answered, 1 a library missing or "
                 "a call failed (qxpxi_call_status)");
    const tJson& l_rExit = member(a_rDoc, "exitStatus");
    l_Out.sample({}, l_rExit.is_number_integer() ? l_rExit.get<int64_t>() : 1);

    l_Out.family("qxpxi_service_present",
                 "1 when the loader finds the platform service, 0 when not");
    const tJson& l_rServices = member(member(a_rDoc, "environment"), "platformServices");
    for (const tJson& l_rService : elements(l_rServices)) {
        l_Out.sample({{"service", text(member(l_rService, "file"))}},
                     member(l_rService, "found") == true ? 1 : 0);
    }
    libraries(a_rDoc, l_Out);
    chassis(a_rDoc, l_Out);
    controller(a_rDoc, l_Out);
    systemModules(a_rDoc, l_Out);
    finders(a_rDoc, l_Out);

    // Present even when empty, so that its help is there to read.
    l_Out.family("qxpxi_call_status",
                 "Status code of a call that failed (NaN: a library or entry point that could "
                 "not be bound); no series when every call answered");
    const tJson& l_rFailures = member(a_rDoc, "failures");
    for (const tJson& l_rFailure : elements(l_rFailures)) {
        const tLabels l_Labels = {{"call", text(member(l_rFailure, "call"))},
                                  {"name", text(member(l_rFailure, "name"))}};
        const tJson& l_rCode = member(l_rFailure, "code");
        if (l_rCode.is_number_integer()) {
            l_Out.sample(l_Labels, l_rCode.get<int64_t>());
        } else {
            l_Out.unknown(l_Labels);
        }
    }
    return l_Out.text();
}

}  // namespace nQxPxiInventory
