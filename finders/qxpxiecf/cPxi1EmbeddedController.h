// cPxi1EmbeddedController: recognises the PXI embedded controller the machine is, from
// the controller driver service or, when no controller session opens, from the SMBIOS
// manufacturer and product name matched against the embedded controller descriptions.
// Failures are thrown as qxerr::Exception; qxapalerr_featureUnsupported means "not a
// supported controller". Called under the finder's module mutex (identify) or from any
// thread (controllerBus, which shares nothing).
#pragma once

#include <cstdint>
#include <string>

#include "finders/qxpxiecf/tControllerRecord.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cPxi1EmbeddedControllerIni;
class cCntDrvWrapper_ex;

class cPxi1EmbeddedController {
public:
    static constexpr const char* kVendorText = "Quarrix";
    static constexpr const char* kSlotPathPrefix = "MR";

    // Fills the record; the hardware description database must exist.
    static void identify(tControllerRecord& a_rRecord);
    // The secondary bus number of the PCI bridge at the record's slot path.
    static uint32_t controllerBus(const tControllerRecord& a_rRecord);

    // Whether a_rText contains a_rPart, both lowered with the global locale; an empty
    // a_rPart never matches.
    static bool containsIgnoringCase(const std::string& a_rText, const std::string& a_rPart);

private:
    static void identifyFromDriver(cCntDrvWrapper_ex& a_rDriver, tControllerRecord& a_rRecord);
    static void identifyFromSmbios(tControllerRecord& a_rRecord);
    static const cPxi1EmbeddedControllerIni* findControllerDescription();
    static std::string readSmbiosString(uint32_t a_FieldCode);
};

}  // namespace QX_NS
