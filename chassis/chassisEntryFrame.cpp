#include "chassis/chassisEntryFrame.h"

#include "chassis/chassisModule.h"

namespace QX_NS {

cPxieChassis* enterChassisFrame(tStatusRecord& a_rStatus, const char* a_pFile, uint64_t a_Line) {
    cPxieChassis* l_pCache = chassisCache();
    if (l_pCache == nullptr || !l_pCache->isCreated()) {
        a_rStatus.set(qxapalerr_softwareFaultAPALInternalUseOnly, QX_COMPONENT, a_pFile, a_Line);
        return nullptr;
    }
    return l_pCache;
}

}  // namespace QX_NS
