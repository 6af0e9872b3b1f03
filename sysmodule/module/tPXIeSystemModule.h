// tPXIeSystemModule: one discovered system module (an embedded or a remote controller)
// with the SMBus adapter through which the chassis it controls is reached.
//
// Construction names the module, reads and checks the chassis EEPROM over SMBus, learns
// the link count from it, follows each link's path through the PCI bridge hierarchy and
// records link widths and two text attributes. Two variants:
//   - described: from a system module description (kinds 256/512) for any controller;
//   - controller: for the embedded controller the software runs on, from what its
//     controller driver reports.
// The constructor's status reports only failures up to naming (no resource name, bad
// ModuleStyle); the caller then discards the module. Later failures are stored in the
// module: every attribute, EEPROM and peer-to-peer query reports them, while the module
// name and resource list stay available.
//
// Running out of memory is reported as -52000 wherever the module can catch it; copying
// the vendor and model into a new module may still throw std::bad_alloc, which the
// caller converts.
//
// The service accesses are used during construction only; the module keeps none. The
// peer-to-peer table is loaded on the first peer-to-peer query (the controller variant
// opens a controller driver access of its own for that). Not thread-safe: the system
// module library uses modules only under its cache lock.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "config/inifile/iIniFile.h"
#include "platform/cntdrvwrapper/iCntDrvWrapper_sc.h"
#include "platform/pcibrdwrapper/iPciBrdWrapper_sc.h"
#include "platform/pxismbuswrapper/iSMBusWrapper.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"
#include "sysmodule/module/tSysModuleValueParsers.h"

namespace QX_NS {

class tPXIeSystemModule {
public:
    // Attribute ids of getAttribute.
    static constexpr int32_t kAttrMaxLinkWidthFirst = 0;  // 0..5: maximum link widths 1..6
    static constexpr int32_t kAttrLinkCount = 100;
    static constexpr int32_t kAttrLinkBusFirst = 101;    // 101..104: bus behind link 1..4
    static constexpr int32_t kAttrLinkValueFirst = 105;  // 105..108: link value of link 1..4
    static constexpr int32_t kAttrModuleStyle = 109;     // 0 embedded, 1 remote
    static constexpr int32_t kAttrText200 = 200;
    static constexpr int32_t kAttrText201 = 201;
    // Size of the caller's buffer for text attributes.
    static constexpr uint32_t kTextAttributeSize = 256;
    // Status of a text attribute that holds no text.
    static constexpr int32_t kStatusEmptyAttribute = -2;

    static constexpr uint32_t kEepromSize = iSMBusWrapper::kChassisEepromSize;
    static constexpr int kMaxLinks = 4;
    static constexpr int kLinkWidthCount = 6;

    // Described variant. a_pCntDrv may be null (no controller driver). The description
    // is owned by the database manager, which outlives the module.
    tPXIeSystemModule(const std::string& a_rVendor, const std::string& a_rModel,
                      nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd, iSMBusWrapper& a_rSMBus,
                      iCntDrvWrapper_sc* a_pCntDrv,
                      const nQxPxiDriverTools_1_0::iIniFile* a_pDescription,
                      tStatusRecord* a_pStatus);
    // Controller variant.
    tPXIeSystemModule(const std::string& a_rVendor, const std::string& a_rModel,
                      nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd, iSMBusWrapper& a_rSMBus,
                      iCntDrvWrapper_sc& a_rCntDrv, tStatusRecord* a_pStatus);
    tPXIeSystemModule(const tPXIeSystemModule&) = delete;
    tPXIeSystemModule& operator=(const tPXIeSystemModule&) = delete;

    const std::string& getVendor() const { return m_Vendor; }
    const std::string& getModel() const { return m_Model; }
    // "vendor model (resource)".
    const std::string& getModuleName() const { return m_ModuleName; }
    const std::string& getResourceName() const { return m_ResourceName; }
    // The resource name, followed by ";" and a PXI instrument resource name unless the
    // resource name begins with "HP".
    const std::string& getResourceList() const { return m_ResourceList; }
    // The 256-byte image as read (meaningful when getConstructionStatus holds no error).
    const uint8_t* getChassisEEPROM() const { return m_Eeprom; }
    const tStatusRecord& getConstructionStatus() const { return m_ConstructionStatus; }
    bool isControllerVariant() const { return m_ControllerVariant; }

    // Writes one attribute to a_pValue: an int32_t for numeric ids, a 256-byte buffer for
    // 200 and 201. A stored construction error is reported instead. With 2 links, ids
    // 103, 104, 107 and 108 write -1 and report -52002; unknown ids report -52005; an
    // empty text reports -2 and writes nothing.
    void getAttribute(int32_t a_Id, void* a_pValue, tStatusRecord* a_pStatus) const;

    // 1 when the module routes peer-to-peer traffic from port a_Source to port a_Target
    // (port key: bus * 256 + device * 8 + function), 0 when not, -1 with the status set
    // on failure: a stored construction error, a remote module (-52002), table data
    // missing (-26902), or a port that is not in the table (-52005).
    int32_t getP2PSupport(uint32_t a_Source, uint32_t a_Target, tStatusRecord* a_pStatus);

private:
    void initialise();
    void name(iSMBusWrapper& a_rSMBus, tStatusRecord* a_pStatus);
    void readSmbusControllerBus(iSMBusWrapper& a_rSMBus, tStatusRecord* a_pStatus);
    void readEeprom(iSMBusWrapper& a_rSMBus, tStatusRecord* a_pStatus);
    void linksFromDescription(nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd,
                              tStatusRecord* a_pStatus);
    void linksFromController(nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd,
                             iCntDrvWrapper_sc& a_rCntDrv, tStatusRecord* a_pStatus);
    // Follows a link path; returns the bridge where it ends (0xFFFFFFFF: none).
    uint32_t walkLinkPath(nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd,
                          const std::string& a_rPath, tStatusRecord* a_pStatus) const;
    uint32_t selectSwitch(nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd,
                          const tPciBridgeIds& a_rIds, tStatusRecord* a_pStatus) const;
    // Reads the link bus and link value of link a_Index (0-based) from the bridge.
    void readLinkEnd(nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd, uint32_t a_Bridge,
                     int a_Index, tStatusRecord* a_pStatus);
    void finish(tStatusRecord* a_pStatus);

    void loadP2PFromDescription(tStatusRecord* a_pStatus);
    void loadP2PFromController(tStatusRecord* a_pStatus);
    void addP2PEntry(uint32_t a_Port, std::vector<uint32_t>& a_rTargets, tStatusRecord* a_pStatus);

    const nQxPxiDriverTools_1_0::iIniFile* m_pDescription;
    std::string m_Vendor;
    std::string m_Model;
    uint16_t m_SmbusControllerBus = 0xFFFF;
    std::string m_ModuleName;
    std::string m_ResourceName;
    std::string m_ResourceList;
    bool m_P2PLoaded = false;
    bool m_ControllerVariant = false;
    uint8_t m_Eeprom[kEepromSize];
    int32_t m_LinkCount = -1;
    int32_t m_MaxLinkWidths[kLinkWidthCount];
    int32_t m_LinkBuses[kMaxLinks];
    int32_t m_LinkValues[kMaxLinks];
    int32_t m_ModuleStyle = -1;
    std::string m_Text200;
    std::string m_Text201;
    std::map<uint32_t, std::vector<uint32_t>> m_P2PTable;
    tStatusRecord m_ConstructionStatus;
};

}  // namespace QX_NS
