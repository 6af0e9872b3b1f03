#include "config/pxiHardwareDatabase/cPxieEmbeddedControllerIni.h"

#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

void cPxieEmbeddedControllerIni::getGpibPortSlotPath(std::string& a_rSlotPath,
                                                     tStatusRecord* a_pStatus) const {
    copyText(m_GpibPortSlotPath, a_rSlotPath, a_pStatus);
}

void cPxieEmbeddedControllerIni::load(tStatusRecord* a_pStatus) {
    loadGuarded(a_pStatus, [&] { loadMembers(a_pStatus); });
}

void cPxieEmbeddedControllerIni::loadMembers(tStatusRecord* a_pStatus) {
    m_Vendor.clear();
    m_Model.clear();
    m_GpibPortSlotPath.clear();

    std::string l_Style;
    getString(kModuleParamsSection, "ModuleStyle", l_Style, a_pStatus);
    if (a_pStatus->isError())
        return;
    // Another style is a remote module's file, read here because both kinds share one
    // directory. The remote class reports the mirror case with kStatusInvalidArgument: the
    // two codes are each class's own, kept as they always were, and neither reaches a host,
    // as the database drops the record of a file that fails to load as a kind.
    if (l_Style != kModuleStyle) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniValueInvalid);
        return;
    }
    getString(kModuleIdSection, "Vendor", m_Vendor, a_pStatus);
    getString(kModuleIdSection, "Model", m_Model, a_pStatus);
    getOptionalString(kModuleIdSection, "GPIBPortSlotPath", m_GpibPortSlotPath, a_pStatus);
}

}  // namespace QX_NS
