// cChassisDescIni: a chassis description (kinds 1024 and 2048). The identity is read
// from [Chassis] on demand; load only notes whether the chassis has star-trigger timing,
// which decides its kind. Same threading rules as iPxiDeviceIni.
#pragma once

#include <cstdint>
#include <string>

#include "config/pxiHardwareDatabase/iPxiDeviceIni.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cChassisDescIni : public iPxiDeviceIni {
public:
    static constexpr const char* kSection = "Chassis";

    void getVendor(std::string& a_rVendor, tStatusRecord* a_pStatus) const override;
    void getModel(std::string& a_rModel, tStatusRecord* a_pStatus) const override;
    // Never fails.
    void load(tStatusRecord* a_pStatus) override;

    bool hasStarSystemTimingSetList() const { return m_HasStarSystemTimingSetList; }
    // Whether the description belongs to kind a_Kind: 1024 needs "TriggerBusList" and
    // "StarSystemTimingSetList", 2048 "TriggerBusList" without the other. Any other kind,
    // or a failing check, reports kStatusDbKindInvalid.
    void checkKind(uint32_t a_Kind, tStatusRecord* a_pStatus) const;

private:
    bool m_HasStarSystemTimingSetList = false;
};

}  // namespace QX_NS
