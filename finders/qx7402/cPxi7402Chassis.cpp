#include "finders/qx7402/cPxi7402Chassis.h"

namespace QX_NS {

void cPxi7402Chassis::getStringAttribute(uint32_t a_Attribute, const char** a_ppValue,
                                         tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return;
    switch (a_Attribute) {
        case kAttrVendor:
            *a_ppValue = kVendor;
            break;
        case kAttrModel:
            *a_ppValue = kModel;
            break;
        default:
            QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
            break;
    }
}

void cPxi7402Chassis::getU32Attribute(uint32_t a_Attribute, uint32_t* a_pValue,
                                      tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return;
    switch (a_Attribute) {
        case kAttrItemClass:
            *a_pValue = kItemClassChassis;
            break;
        case kAttrChassisBus:
            *a_pValue = m_Bus;
            break;
        default:
            QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
            break;
    }
}

}  // namespace QX_NS
