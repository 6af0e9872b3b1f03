#include "config/pxiHardwareDatabase/cChassisDescIni.h"

#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

void cChassisDescIni::getVendor(std::string& a_rVendor, tStatusRecord* a_pStatus) const {
    getString(kSection, "Vendor", a_rVendor, a_pStatus);
}

void cChassisDescIni::getModel(std::string& a_rModel, tStatusRecord* a_pStatus) const {
    getString(kSection, "Model", a_rModel, a_pStatus);
}

void cChassisDescIni::load(tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    m_HasStarSystemTimingSetList = hasKey(kSection, "StarSystemTimingSetList", a_pStatus);
}

void cChassisDescIni::checkKind(uint32_t a_Kind, tStatusRecord* a_pStatus) const {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    const bool l_HasTriggerBus = hasKey(kSection, "TriggerBusList", a_pStatus);
    if (a_pStatus->isError())
        return;
    bool l_Fits = false;
    if (a_Kind == kPxiDeviceKindChassisStarTrigger) {
        l_Fits = l_HasTriggerBus && m_HasStarSystemTimingSetList;
    } else if (a_Kind == kPxiDeviceKindChassisNoStarTrigger) {
        l_Fits = l_HasTriggerBus && !m_HasStarSystemTimingSetList;
    }
    if (!l_Fits)
        QX_SET_STATUS_P(a_pStatus, kStatusDbKindInvalid);
}

}  // namespace QX_NS
