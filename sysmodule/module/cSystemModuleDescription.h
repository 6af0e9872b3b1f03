// cSystemModuleDescription: typed reading of the system module keys of a controller
// description (kinds 256 and 512 of the hardware description database).
//
// Every value is read as a string through the description's string getter and
// converted here. Each operation does nothing when the status holds an error on entry.
// What a missing key means differs per key and is stated at each operation; "cleared"
// means the getter's kStatusIniKeyNotFound is removed from the status.
// The object only refers to the description (owned by the database manager) and holds
// no state of its own; it is used under the system module library's cache lock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/inifile/iIniFile.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"
#include "sysmodule/module/tSysModuleValueParsers.h"

namespace QX_NS {

class cSystemModuleDescription {
public:
    // Module styles as the module reports them (attribute 109).
    static constexpr int32_t kStyleEmbedded = 0;
    static constexpr int32_t kStyleRemote = 1;
    static constexpr int kMaximumLinkWidthCount = 6;

    explicit cSystemModuleDescription(const nQxPxiDriverTools_1_0::iIniFile* a_pIni)
        : m_pIni(a_pIni) {}

    // [ModuleParams] ModuleStyle as text; a missing key keeps the getter's status.
    void getModuleStyleText(std::string& a_rText, tStatusRecord* a_pStatus) const;
    // "Embedded" gives kStyleEmbedded, "Remote" kStyleRemote (exact); anything else -1.
    static int32_t moduleStyleFromText(const std::string& a_rText);
    // Module style for module construction: a missing key (cleared) or any other text
    // reports kStatusDescriptionInvalid and returns -1.
    int32_t getModuleStyle(tStatusRecord* a_pStatus) const;

    // [ModuleId] SMBIOSProduct; false (error cleared) when the key is missing.
    bool getSmbiosProduct(std::string& a_rProduct, tStatusRecord* a_pStatus) const;
    // [ModuleId] SwitchID; false (error cleared) when missing; fewer than four numbers
    // report kStatusDescriptionInvalid (and true: the key is there).
    bool getSwitchId(tPciBridgeIds& a_rIds, tStatusRecord* a_pStatus) const;
    // [ModuleParams] SMBUSFixedResName; a missing key keeps the getter's status.
    void getSmbusFixedResName(std::string& a_rName, tStatusRecord* a_pStatus) const;
    // [ModuleId] SMBUSVIDPID: vendor id in bits 31-16, product id in bits 15-0; a
    // missing key keeps the getter's status, no number reports kStatusDescriptionInvalid.
    void getSmbusVidPid(uint16_t& a_rVendorId, uint16_t& a_rProductId,
                        tStatusRecord* a_pStatus) const;

    // "Link<n>" of [2LinkBusNumbers] or [4LinkBusNumbers]: another link count reports
    // kStatusEepromInvalid; a missing key (cleared) kStatusDescriptionInvalid.
    void getLinkPath(int32_t a_LinkCount, uint32_t a_Link, std::string& a_rPath,
                     tStatusRecord* a_pStatus) const;
    // [ModuleParams] MaximumLinkWidths into a_pWidths[0..5]: a missing key (cleared) or
    // fewer than six numbers report kStatusDescriptionInvalid; numbers read stay.
    void getMaximumLinkWidths(int32_t (&a_rWidths)[kMaximumLinkWidthCount],
                              tStatusRecord* a_pStatus) const;

    // "Ports" of [2LinkP2PConnectivity] or [4LinkP2PConnectivity], appended to a_rPorts:
    // another link count reports kStatusEepromInvalid; a missing key (cleared)
    // kStatusDescriptionInvalid.
    void getP2PPorts(int32_t a_LinkCount, std::vector<uint32_t>& a_rPorts,
                     tStatusRecord* a_pStatus) const;
    // The port's own key ("%04X" of the port key) in the same section: the ports it
    // reaches, appended to a_rTargets; errors as getP2PPorts.
    void getP2PTargets(int32_t a_LinkCount, uint32_t a_Port, std::vector<uint32_t>& a_rTargets,
                       tStatusRecord* a_pStatus) const;

private:
    // The getter; false when it failed (the failure stays in the status).
    bool read(const char* a_pSection, const char* a_pKey, std::string& a_rValue,
              tStatusRecord* a_pStatus) const;
    // The getter for a key whose absence is allowed: false, error cleared, when missing.
    bool readOptional(const char* a_pSection, const char* a_pKey, std::string& a_rValue,
                      tStatusRecord* a_pStatus) const;
    // The getter for a key that must be there: missing (cleared) or unreadable reports
    // kStatusDescriptionInvalid.
    bool readRequired(const char* a_pSection, const char* a_pKey, std::string& a_rValue,
                      tStatusRecord* a_pStatus) const;
    static const char* linkSection(int32_t a_LinkCount);
    static const char* p2pSection(int32_t a_LinkCount);

    const nQxPxiDriverTools_1_0::iIniFile* m_pIni;
};

}  // namespace QX_NS
