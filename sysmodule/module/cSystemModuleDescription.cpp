#include "sysmodule/module/cSystemModuleDescription.h"

#include <cstdio>

namespace QX_NS {

namespace {

constexpr const char* kModuleParams = "ModuleParams";
constexpr const char* kModuleId = "ModuleId";

bool skip(const tStatusRecord* a_pStatus) {
    return a_pStatus == nullptr || a_pStatus->isError();
}

}  // namespace

bool cSystemModuleDescription::read(const char* a_pSection, const char* a_pKey,
                                    std::string& a_rValue, tStatusRecord* a_pStatus) const {
    if (skip(a_pStatus)) {
        return false;
    }
    if (m_pIni == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        return false;
    }
    m_pIni->getString(a_pSection, a_pKey, a_rValue, a_pStatus);
    return !a_pStatus->isError();
}

bool cSystemModuleDescription::readOptional(const char* a_pSection, const char* a_pKey,
                                            std::string& a_rValue, tStatusRecord* a_pStatus) const {
    if (skip(a_pStatus)) {
        return false;
    }
    tStatusRecord l_Read;
    if (!read(a_pSection, a_pKey, a_rValue, &l_Read)) {
        return false;
    }
    a_pStatus->merge(l_Read);
    return true;
}

bool cSystemModuleDescription::readRequired(const char* a_pSection, const char* a_pKey,
                                            std::string& a_rValue, tStatusRecord* a_pStatus) const {
    if (skip(a_pStatus)) {
        return false;
    }
    if (!readOptional(a_pSection, a_pKey, a_rValue, a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, kStatusDescriptionInvalid);
        return false;
    }
    return true;
}

const char* cSystemModuleDescription::linkSection(int32_t a_LinkCount) {
    return a_LinkCount == 2 ? "2LinkBusNumbers" : a_LinkCount == 4 ? "4LinkBusNumbers" : nullptr;
}

const char* cSystemModuleDescription::p2pSection(int32_t a_LinkCount) {
    return a_LinkCount == 2   ? "2LinkP2PConnectivity"
           : a_LinkCount == 4 ? "4LinkP2PConnectivity"
                              : nullptr;
}

void cSystemModuleDescription::getModuleStyleText(std::string& a_rText,
                                                  tStatusRecord* a_pStatus) const {
    read(kModuleParams, "ModuleStyle", a_rText, a_pStatus);
}

int32_t cSystemModuleDescription::moduleStyleFromText(const std::string& a_rText) {
    if (a_rText == "Embedded")
        return kStyleEmbedded;
    if (a_rText == "Remote")
        return kStyleRemote;
    return -1;
}

int32_t cSystemModuleDescription::getModuleStyle(tStatusRecord* a_pStatus) const {
    std::string l_Text;
    if (!readRequired(kModuleParams, "ModuleStyle", l_Text, a_pStatus)) {
        return -1;
    }
    const int32_t l_Style = moduleStyleFromText(l_Text);
    if (l_Style < 0) {
        QX_SET_STATUS_P(a_pStatus, kStatusDescriptionInvalid);
    }
    return l_Style;
}

bool cSystemModuleDescription::getSmbiosProduct(std::string& a_rProduct,
                                                tStatusRecord* a_pStatus) const {
    return readOptional(kModuleId, "SMBIOSProduct", a_rProduct, a_pStatus);
}

bool cSystemModuleDescription::getSwitchId(tPciBridgeIds& a_rIds, tStatusRecord* a_pStatus) const {
    std::string l_Text;
    if (!readOptional(kModuleId, "SwitchID", l_Text, a_pStatus)) {
        return false;
    }
    if (parsePciBridgeIds(l_Text.c_str(), a_rIds) < 4) {
        QX_SET_STATUS_P(a_pStatus, kStatusDescriptionInvalid);
    }
    return true;
}

void cSystemModuleDescription::getSmbusFixedResName(std::string& a_rName,
                                                    tStatusRecord* a_pStatus) const {
    read(kModuleParams, "SMBUSFixedResName", a_rName, a_pStatus);
}

void cSystemModuleDescription::getSmbusVidPid(uint16_t& a_rVendorId, uint16_t& a_rProductId,
                                              tStatusRecord* a_pStatus) const {
    std::string l_Text;
    if (!read(kModuleId, "SMBUSVIDPID", l_Text, a_pStatus)) {
        return;
    }
    uint32_t l_Value = 0;
    if (!parseHexNumber(l_Text.c_str(), l_Value)) {
        QX_SET_STATUS_P(a_pStatus, kStatusDescriptionInvalid);
        return;
    }
    a_rVendorId = static_cast<uint16_t>(l_Value >> 16);
    a_rProductId = static_cast<uint16_t>(l_Value & 0xFFFF);
}

void cSystemModuleDescription::getLinkPath(int32_t a_LinkCount, uint32_t a_Link,
                                           std::string& a_rPath, tStatusRecord* a_pStatus) const {
    if (skip(a_pStatus)) {
        return;
    }
    const char* l_pSection = linkSection(a_LinkCount);
    if (l_pSection == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusEepromInvalid);
        return;
    }
    char l_Key[24];
    snprintf(l_Key, sizeof(l_Key), "Link%u", a_Link);
    readRequired(l_pSection, l_Key, a_rPath, a_pStatus);
}

void cSystemModuleDescription::getMaximumLinkWidths(int32_t (&a_rWidths)[kMaximumLinkWidthCount],
                                                    tStatusRecord* a_pStatus) const {
    std::string l_Text;
    if (!readRequired(kModuleParams, "MaximumLinkWidths", l_Text, a_pStatus)) {
        return;
    }
    if (parseDecimalList(l_Text.c_str(), a_rWidths, kMaximumLinkWidthCount) <
        kMaximumLinkWidthCount) {
        QX_SET_STATUS_P(a_pStatus, kStatusDescriptionInvalid);
    }
}

void cSystemModuleDescription::getP2PPorts(int32_t a_LinkCount, std::vector<uint32_t>& a_rPorts,
                                           tStatusRecord* a_pStatus) const {
    if (skip(a_pStatus)) {
        return;
    }
    const char* l_pSection = p2pSection(a_LinkCount);
    if (l_pSection == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusEepromInvalid);
        return;
    }
    std::string l_Text;
    if (readRequired(l_pSection, "Ports", l_Text, a_pStatus)) {
        parseHexList(l_Text, a_rPorts);
    }
}

void cSystemModuleDescription::getP2PTargets(int32_t a_LinkCount, uint32_t a_Port,
                                             std::vector<uint32_t>& a_rTargets,
                                             tStatusRecord* a_pStatus) const {
    if (skip(a_pStatus)) {
        return;
    }
    const char* l_pSection = p2pSection(a_LinkCount);
    if (l_pSection == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusEepromInvalid);
        return;
    }
    char l_Key[16];
    snprintf(l_Key, sizeof(l_Key), "%04X", a_Port);
    std::string l_Text;
    if (readRequired(l_pSection, l_Key, l_Text, a_pStatus)) {
        parseHexList(l_Text, a_rTargets);
    }
}

}  // namespace QX_NS
