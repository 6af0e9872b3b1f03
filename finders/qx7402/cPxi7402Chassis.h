// cPxi7402Chassis: the attribute answers of one chassis item. It holds nothing but the
// item's bus number; vendor and model are static texts that live as long as the
// library. Called under the session manager's lock.
#pragma once

#include <cstdint>

#include "qxpxi/QXPXIFinder.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

constexpr uint32_t kAttrVendor = QXPXI_FINDER_ATTR_VENDOR;
constexpr uint32_t kAttrModel = QXPXI_FINDER_ATTR_MODEL;
constexpr uint32_t kAttrItemClass = QXPXI_FINDER_ATTR_ITEM_CLASS;
constexpr uint32_t kAttrChassisBus = QXPXI_FINDER_ATTR_CHASSIS_BUS;
constexpr uint32_t kItemClassChassis = QXPXI_FINDER_ITEM_CLASS_CHASSIS;

class cPxi7402Chassis {
public:
    static constexpr const char* kVendor = "Quarrix";
    static constexpr const char* kModel = "QX PXI-7402";

    explicit cPxi7402Chassis(uint16_t a_Bus) : m_Bus(a_Bus) {}

    // Unsupported identifiers record -52005 and leave the value alone.
    void getStringAttribute(uint32_t a_Attribute, const char** a_ppValue,
                            tStatusRecord* a_pStatus) const;
    void getU32Attribute(uint32_t a_Attribute, uint32_t* a_pValue, tStatusRecord* a_pStatus) const;

private:
    uint16_t m_Bus;
};

}  // namespace QX_NS
