// cPxi1EmbeddedControllerIni: a PXI embedded controller description (kind 2): the
// controller's identity, its PCI slot path, the SMBIOS product names that recognise the
// machine, and its GPIB port. Same threading rules as iPxiDeviceIni.
#pragma once

#include <string>

#include "config/pxiHardwareDatabase/iPxiEmbeddedControllerIni.h"
#include "config/slotpath/cSlotPath.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cPxi1EmbeddedControllerIni : public iPxiEmbeddedControllerIni {
public:
    static constexpr const char* kControllerSection = "Controller";
    static constexpr const char* kEmbeddedSection = "Embedded";

    // Requires [Controller] Type "Embedded", [Embedded] PCISlotPath (a valid slot path),
    // and [Controller] Vendor and Model; the other keys are optional.
    void load(tStatusRecord* a_pStatus) override;
    void getGpibPortSlotPath(std::string& a_rSlotPath, tStatusRecord* a_pStatus) const override;

    // The product name that the machine's SMBIOS product must contain, or equal; an
    // empty one reports kStatusNotPresent and leaves the output untouched.
    void getSmbiosProduct(std::string& a_rProduct, tStatusRecord* a_pStatus) const;
    void getSmbiosProductExact(std::string& a_rProduct, tStatusRecord* a_pStatus) const;
    // Copies the controller's PCI slot path into a_rSlotPath.
    void getPciSlotPath(nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                        tStatusRecord* a_pStatus) const;
    // Set by "IsUnknownController" = "Yes" (exactly).
    bool isUnknownController() const { return m_IsUnknownController; }

private:
    void loadMembers(tStatusRecord* a_pStatus);

    nQxPxiDriverTools_1_0::cSlotPath m_PciSlotPath;
    std::string m_SmbiosProduct;
    std::string m_SmbiosProductExact;
    bool m_IsUnknownController = false;
    std::string m_GpibPortSlotPath;
};

}  // namespace QX_NS
