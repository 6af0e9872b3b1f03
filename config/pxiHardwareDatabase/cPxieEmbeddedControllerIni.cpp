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

    loadModuleIdentity(kModuleStyle, kStatusIniValueInvalid, a_pStatus);
    getOptionalString(kModuleIdSection, "GPIBPortSlotPath", m_GpibPortSlotPath, a_pStatus);
}

}  // namespace QX_NS
