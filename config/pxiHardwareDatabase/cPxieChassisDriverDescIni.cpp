#include "config/pxiHardwareDatabase/cPxieChassisDriverDescIni.h"

#include <cstdio>
#include <cstring>

#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

namespace {
constexpr const char kBridgeKeyPattern[] = "Bridge%uSubsystemID";
}

void cPxieChassisDriverDescIni::getVendor(std::string& a_rVendor, tStatusRecord* a_pStatus) const {
    getString(kSection, "Vendor", a_rVendor, a_pStatus);
}

void cPxieChassisDriverDescIni::getModel(std::string& a_rModel, tStatusRecord* a_pStatus) const {
    getString(kSection, "Model", a_rModel, a_pStatus);
}

void cPxieChassisDriverDescIni::load(tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    std::string l_Vendor;
    std::string l_Model;
    getVendor(l_Vendor, a_pStatus);
    getModel(l_Model, a_pStatus);
}

void cPxieChassisDriverDescIni::getRootBusBridgeSubsystemId(uint32_t a_Number,
                                                            std::string& a_rSubsystemId,
                                                            tStatusRecord* a_pStatus) const {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    // Room for the pattern with the largest 32-bit number in place of "%u".
    char l_Key[sizeof(kBridgeKeyPattern) + 12];
    std::snprintf(l_Key, sizeof(l_Key), kBridgeKeyPattern, a_Number);
    getString(kRootBusSection, l_Key, a_rSubsystemId, a_pStatus);
}

void cPxieChassisDriverDescIni::getRootBusBridgeCount(uint32_t& a_rCount,
                                                      tStatusRecord* a_pStatus) const {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    uint32_t l_Count = 0;
    std::string l_Value;
    for (;;) {
        tStatusRecord l_Status;
        getRootBusBridgeSubsystemId(l_Count + 1, l_Value, &l_Status);
        if (l_Status.isError())
            break;
        ++l_Count;
    }
    a_rCount = l_Count;
}

}  // namespace QX_NS
