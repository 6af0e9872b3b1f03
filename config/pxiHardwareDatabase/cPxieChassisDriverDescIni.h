// cPxieChassisDriverDescIni: a chassis driver description (kind 16): the identity of a
// PXI Express chassis model and the subsystem IDs of the bridges above its PCI root
// buses, read from the file on demand. Same threading rules as iPxiDeviceIni.
#pragma once

#include <cstdint>
#include <string>

#include "config/pxiHardwareDatabase/iPxiDeviceIni.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cPxieChassisDriverDescIni : public iPxiDeviceIni {
public:
    static constexpr const char* kSection = "Chassis";
    static constexpr const char* kRootBusSection = "RootBusBridges";

    void getVendor(std::string& a_rVendor, tStatusRecord* a_pStatus) const override;
    void getModel(std::string& a_rModel, tStatusRecord* a_pStatus) const override;
    // Fails with kStatusIniKeyNotFound when "Vendor" or "Model" is missing.
    void load(tStatusRecord* a_pStatus) override;

    // The text "<subsystem vendor id>:<subsystem id>" (hexadecimal) of root bus bridge
    // a_Number, counted from 1. Missing: kStatusIniKeyNotFound.
    void getRootBusBridgeSubsystemId(uint32_t a_Number, std::string& a_rSubsystemId,
                                     tStatusRecord* a_pStatus) const;
    // The number of consecutive bridge keys from 1; never touches a_pStatus beyond the
    // entry check (a file without the section gives 0).
    void getRootBusBridgeCount(uint32_t& a_rCount, tStatusRecord* a_pStatus) const;
};

}  // namespace QX_NS
