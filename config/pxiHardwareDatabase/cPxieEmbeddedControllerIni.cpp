#include "config/pxiHardwareDatabase/cPxieEmbeddedControllerIni.h"

#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

void cPxieEmbeddedControllerIni::getVendor(std::string& a_rVendor, tStatusRecord* a_pStatus) const {
    copyText(m_Vendor, a_rVendor, a_pStatus);
}

void cPxieEmbeddedControllerIni::getModel(std::string& a_rModel, tStatusRecord* a_pStatus) const {
    copyText(m_Model, a_rModel, a_pStatus);
}

void cPxieEmbeddedControllerIni::getGpibPortSlotPath(std::string& a_rSlotPath,
                                                     tStatusRecord* a_pStatus) const {
    copyText(m_GpibPortSlotPath, a_rSlotPath, a_pStatus);
}

void cPxieEmbeddedControllerIni::load(tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    try {
        loadMembers(a_pStatus);
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

void cPxieEmbeddedControllerIni::loadMembers(tStatusRecord* a_pStatus) {
    m_Vendor.clear();
    m_Model.clear();
    m_GpibPortSlotPath.clear();

    std::string l_Style;
    getString(kModuleParamsSection, "ModuleStyle", l_Style, a_pStatus);
    if (a_pStatus->isError())
        return;
    if (l_Style != kModuleStyle) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniValueInvalid);
        return;
    }
    getString(kModuleIdSection, "Vendor", m_Vendor, a_pStatus);
    getString(kModuleIdSection, "Model", m_Model, a_pStatus);
    getOptionalString(kModuleIdSection, "GPIBPortSlotPath", m_GpibPortSlotPath, a_pStatus);
}

}  // namespace QX_NS
