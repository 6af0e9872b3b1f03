// Construction, naming, the chassis EEPROM and the attribute queries.
#include "sysmodule/module/tPXIeSystemModule.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/pxismbuswrapper/cQxSMBusWrapper.h"
#include "runtime/status/tJsonStatusScope.h"
#include "sysmodule/module/cSystemModuleDescription.h"

namespace QX_NS {

namespace {

constexpr uint32_t kCntDrvAttrText200 = 0x10000200;
constexpr uint32_t kCntDrvAttrText201 = 0x10000700;

bool skip(const tStatusRecord* a_pStatus) {
    return a_pStatus == nullptr || a_pStatus->isError();
}

// "%hu" of the C library: white space, an optional sign, decimal digits; the value is
// kept modulo 65536.
bool scanUnsigned16(const char*& a_rpText, uint16_t& a_rValue) {
    const char* l_p = a_rpText;
    while (*l_p == ' ' || (*l_p >= '\t' && *l_p <= '\r'))
        ++l_p;
    bool l_Negative = false;
    if (*l_p == '+' || *l_p == '-') {
        l_Negative = *l_p == '-';
        ++l_p;
    }
    if (*l_p < '0' || *l_p > '9') {
        return false;
    }
    uint16_t l_Value = 0;
    for (; *l_p >= '0' && *l_p <= '9'; ++l_p) {
        l_Value = static_cast<uint16_t>(l_Value * 10u + static_cast<uint16_t>(*l_p - '0'));
    }
    a_rValue = l_Negative ? static_cast<uint16_t>(0u - l_Value) : l_Value;
    a_rpText = l_p;
    return true;
}

bool scanLiteral(const char*& a_rpText, const char* a_pLiteral) {
    const size_t l_Length = strlen(a_pLiteral);
    if (strncmp(a_rpText, a_pLiteral, l_Length) != 0) {
        return false;
    }
    a_rpText += l_Length;
    return true;
}

// "SMBUS::%hu::%hu::%hu::0": the numbers converted before a mismatch are kept.
void scanSmbusAddress(const char* a_pText, uint16_t& a_rBus, uint16_t& a_rDevice,
                      uint16_t& a_rFunction) {
    const char* l_p = a_pText;
    if (scanLiteral(l_p, "SMBUS::") && scanUnsigned16(l_p, a_rBus) && scanLiteral(l_p, "::") &&
        scanUnsigned16(l_p, a_rDevice) && scanLiteral(l_p, "::")) {
        scanUnsigned16(l_p, a_rFunction);
    }
}

}  // namespace

void tPXIeSystemModule::initialise() {
    memset(m_Eeprom, 0, sizeof(m_Eeprom));
    for (int32_t& l_rWidth : m_MaxLinkWidths)
        l_rWidth = -1;
    for (int32_t& l_rBus : m_LinkBuses)
        l_rBus = -1;
    for (int32_t& l_rValue : m_LinkValues)
        l_rValue = -1;
}

tPXIeSystemModule::tPXIeSystemModule(const std::string& a_rVendor, const std::string& a_rModel,
                                     nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd,
                                     iSMBusWrapper& a_rSMBus, iCntDrvWrapper_sc* a_pCntDrv,
                                     const nQxPxiDriverTools_1_0::iIniFile* a_pDescription,
                                     tStatusRecord* a_pStatus)
    : m_pDescription(a_pDescription), m_Vendor(a_rVendor), m_Model(a_rModel) {
    initialise();
    if (skip(a_pStatus)) {
        return;
    }
    m_ModuleStyle = cSystemModuleDescription(m_pDescription).getModuleStyle(a_pStatus);
    name(a_rSMBus, a_pStatus);
    if (a_pStatus->isError()) {
        // Not named: the caller discards the module.
        return;
    }
    readSmbusControllerBus(a_rSMBus, a_pStatus);
    readEeprom(a_rSMBus, a_pStatus);
    linksFromDescription(a_rPciBrd, a_pStatus);
    if (!a_pStatus->isError()) {
        // The descriptive text is a courtesy: its failures are not reported.
        tStatusRecord l_Text;
        if (m_ModuleStyle == cSystemModuleDescription::kStyleRemote) {
            if (cQxSMBusWrapper* l_pQx = dynamic_cast<cQxSMBusWrapper*>(&a_rSMBus)) {
                l_pQx->GetDescription(m_Text200, &l_Text);
            }
        } else if (a_pCntDrv != nullptr) {
            callWithJsonStatus(&l_Text, [&](tJsonStatus& a_rJson) {
                a_pCntDrv->GetAttributeUTF8(kCntDrvAttrText200, m_Text200, a_rJson);
            });
        }
    }
    finish(a_pStatus);
}

tPXIeSystemModule::tPXIeSystemModule(const std::string& a_rVendor, const std::string& a_rModel,
                                     nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc& a_rPciBrd,
                                     iSMBusWrapper& a_rSMBus, iCntDrvWrapper_sc& a_rCntDrv,
                                     tStatusRecord* a_pStatus)
    : m_pDescription(nullptr), m_Vendor(a_rVendor), m_Model(a_rModel) {
    initialise();
    m_ModuleStyle = cSystemModuleDescription::kStyleEmbedded;
    m_ControllerVariant = true;
    if (skip(a_pStatus)) {
        return;
    }
    name(a_rSMBus, a_pStatus);
    if (a_pStatus->isError()) {
        return;
    }
    readSmbusControllerBus(a_rSMBus, a_pStatus);
    readEeprom(a_rSMBus, a_pStatus);
    linksFromController(a_rPciBrd, a_rCntDrv, a_pStatus);
    if (!a_pStatus->isError()) {
        tStatusRecord l_Text200;
        callWithJsonStatus(&l_Text200, [&](tJsonStatus& a_rJson) {
            a_rCntDrv.GetAttributeUTF8(kCntDrvAttrText200, m_Text200, a_rJson);
        });
        tStatusRecord l_Text201;
        callWithJsonStatus(&l_Text201, [&](tJsonStatus& a_rJson) {
            a_rCntDrv.GetAttributeUTF8(kCntDrvAttrText201, m_Text201, a_rJson);
        });
    }
    finish(a_pStatus);
}

void tPXIeSystemModule::finish(tStatusRecord* a_pStatus) {
    // From here on the module exists: what went wrong after naming is kept for the
    // queries, and construction itself succeeds.
    m_ConstructionStatus = *a_pStatus;
    a_pStatus->clear();
}

void tPXIeSystemModule::name(iSMBusWrapper& a_rSMBus, tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    try {
        std::string l_Name;
        a_rSMBus.GetResourceName(l_Name, a_pStatus);
        if (a_pStatus->isError()) {
            return;
        }
        if (l_Name.size() < 2) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
            return;
        }
        m_ResourceName = l_Name;
        m_ModuleName = m_Vendor + " " + m_Model + " (" + l_Name + ")";
        m_ResourceList = l_Name;
        if (l_Name.compare(0, 2, "HP") != 0) {
            uint16_t l_Bus = 0;
            uint16_t l_Device = 0;
            uint16_t l_Function = 0;
            scanSmbusAddress(l_Name.c_str() + 2, l_Bus, l_Device, l_Function);
            char l_Instrument[22];
            const int l_Length =
                snprintf(l_Instrument, sizeof(l_Instrument), "PXI0::%u-%u.%u::INSTR",
                         static_cast<unsigned>(l_Bus), static_cast<unsigned>(l_Device),
                         static_cast<unsigned>(l_Function));
            if (l_Length < 0 || static_cast<size_t>(l_Length) >= sizeof(l_Instrument)) {
                l_Instrument[0] = 0;
            }
            m_ResourceList += ";";
            m_ResourceList += l_Instrument;
        }
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

void tPXIeSystemModule::readSmbusControllerBus(iSMBusWrapper& a_rSMBus, tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    if (cQxSMBusWrapper* l_pQx = dynamic_cast<cQxSMBusWrapper*>(&a_rSMBus)) {
        l_pQx->GetPciAddress(&m_SmbusControllerBus, nullptr, nullptr, a_pStatus);
    }
}

void tPXIeSystemModule::readEeprom(iSMBusWrapper& a_rSMBus, tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    a_rSMBus.ReadChassisEEPROM(m_Eeprom, a_pStatus);
    if (a_pStatus->isError()) {
        return;
    }
    if (m_Eeprom[0] != 0x5A || m_Eeprom[1] != 0x31 || m_Eeprom[2] != 0x00) {
        QX_SET_STATUS_P(a_pStatus, kStatusEepromInvalid);
    }
    uint32_t l_Sum = 0;
    for (uint32_t l_Index = 0; l_Index < kEepromSize; ++l_Index) {
        if (l_Index != 121 && l_Index != 122) {
            l_Sum += m_Eeprom[l_Index];
        }
    }
    if ((l_Sum & 0xFFFF) != static_cast<uint32_t>(m_Eeprom[121] | (m_Eeprom[122] << 8))) {
        QX_SET_STATUS_P(a_pStatus, kStatusEepromChecksumMismatch);
    }
    if (a_pStatus->isError()) {
        return;
    }
    switch (m_Eeprom[124]) {
        case 0:
            m_LinkCount = 2;
            break;
        case 1:
            m_LinkCount = 4;
            break;
        default:
            QX_SET_STATUS_P(a_pStatus, kStatusEepromInvalid);
            break;
    }
}

void tPXIeSystemModule::getAttribute(int32_t a_Id, void* a_pValue, tStatusRecord* a_pStatus) const {
    if (skip(a_pStatus)) {
        return;
    }
    if (m_ConstructionStatus.isError()) {
        a_pStatus->merge(m_ConstructionStatus);
        return;
    }
    if (a_pValue == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    if (a_Id == kAttrText200 || a_Id == kAttrText201) {
        const std::string& l_rText = a_Id == kAttrText200 ? m_Text200 : m_Text201;
        if (l_rText.empty()) {
            QX_SET_STATUS_P(a_pStatus, kStatusEmptyAttribute);
            return;
        }
        char* l_pOut = static_cast<char*>(a_pValue);
        if (l_rText.size() < kTextAttributeSize) {
            memcpy(l_pOut, l_rText.c_str(), l_rText.size() + 1);
        } else {
            l_pOut[0] = 0;
        }
        return;
    }
    int32_t l_Value = 0;
    bool l_BeyondLinks = false;
    if (a_Id >= kAttrMaxLinkWidthFirst && a_Id < kAttrMaxLinkWidthFirst + kLinkWidthCount) {
        l_Value = m_MaxLinkWidths[a_Id - kAttrMaxLinkWidthFirst];
    } else if (a_Id == kAttrLinkCount) {
        l_Value = m_LinkCount;
    } else if (a_Id >= kAttrLinkBusFirst && a_Id < kAttrLinkBusFirst + kMaxLinks) {
        l_Value = m_LinkBuses[a_Id - kAttrLinkBusFirst];
        l_BeyondLinks = a_Id - kAttrLinkBusFirst >= 2 && m_LinkCount == 2;
    } else if (a_Id >= kAttrLinkValueFirst && a_Id < kAttrLinkValueFirst + kMaxLinks) {
        l_Value = m_LinkValues[a_Id - kAttrLinkValueFirst];
        l_BeyondLinks = a_Id - kAttrLinkValueFirst >= 2 && m_LinkCount == 2;
    } else if (a_Id == kAttrModuleStyle) {
        l_Value = m_ModuleStyle;
    } else {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    memcpy(a_pValue, &l_Value, sizeof(l_Value));
    if (l_BeyondLinks) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

}  // namespace QX_NS
