#include "config/pxiHardwareDatabase/cPxieRemoteControllerIni.h"

#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

void cPxieRemoteControllerIni::getOrderablePartNumber(std::string& a_rPartNumber,
                                                      tStatusRecord* a_pStatus) const {
    copyText(m_OrderablePartNumber, a_rPartNumber, a_pStatus);
}

void cPxieRemoteControllerIni::getUpstreamTraversalMap(std::string& a_rMap,
                                                       tStatusRecord* a_pStatus) const {
    copyText(m_UpstreamTraversalMap, a_rMap, a_pStatus);
}

void cPxieRemoteControllerIni::load(tStatusRecord* a_pStatus) {
    loadGuarded(a_pStatus, [&] { loadMembers(a_pStatus); });
}

void cPxieRemoteControllerIni::loadMembers(tStatusRecord* a_pStatus) {
    m_Vendor.clear();
    m_Model.clear();
    m_OrderablePartNumber.clear();
    m_Integrated = false;
    m_UpstreamTraversalMap.clear();
    m_DownstreamTraversalMaps.clear();
    m_Labels.clear();
    m_LinkWidthPerLabel = 0;

    loadModuleIdentity(kModuleStyle, kStatusInvalidArgument, a_pStatus);
    getOptionalString(kModuleIdSection, "OrderablePartNumber", m_OrderablePartNumber, a_pStatus);

    if (a_pStatus->isError())
        return;
    if (hasKey(kModuleParamsSection, "Integrated", a_pStatus)) {
        std::string l_Integrated;
        getString(kModuleParamsSection, "Integrated", l_Integrated, a_pStatus);
        if (a_pStatus->isError())
            return;
        if (l_Integrated == "Yes") {
            m_Integrated = true;
        } else if (l_Integrated != "No") {
            QX_SET_STATUS_P(a_pStatus, kStatusIniItemInvalid);
            return;
        }
    }

    getString(kUpstreamPortSection, "TraversalMap", m_UpstreamTraversalMap, a_pStatus);
    if (a_pStatus->isError())
        return;

    // Without downstream ports the description is complete here.
    if (!hasKey(kModuleParamsSection, "DownstreamPorts", a_pStatus))
        return;
    std::vector<std::string> l_Ports;
    getStringList(kModuleParamsSection, "DownstreamPorts", l_Ports, a_pStatus);
    for (const std::string& l_rPort : l_Ports) {
        if (a_pStatus->isError())
            return;
        const std::string l_Section = kDownstreamPortSectionPrefix + l_rPort;
        std::string l_Map;
        getString(l_Section.c_str(), "TraversalMap", l_Map, a_pStatus);
        if (!a_pStatus->isError())
            m_DownstreamTraversalMaps.push_back(l_Map);
    }
    getStringList(kModuleParamsSection, "Labels", m_Labels, a_pStatus);
    if (a_pStatus->isError())
        return;

    tStatusRecord l_WidthStatus;
    uint32_t l_Width = 0;
    getUInt(kModuleParamsSection, "LinkWidthPerLabel", l_Width, &l_WidthStatus);
    if (l_WidthStatus.code == kStatusIniKeyNotFound)
        return;
    a_pStatus->merge(l_WidthStatus);
    if (a_pStatus->isError())
        return;
    if (l_Width != 1 && l_Width != 4 && l_Width != 8 && l_Width != 16) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniItemInvalid);
        return;
    }
    m_LinkWidthPerLabel = l_Width;
}

}  // namespace QX_NS
