// cPxieEmbeddedControllerIni: a PXI Express embedded system module description (kind
// 256), from the system module directory that it shares with the remote modules; a file
// loads as this kind only when its [ModuleParams] ModuleStyle is "Embedded". Same
// threading rules as iPxiDeviceIni.
#pragma once

#include <string>

#include "config/pxiHardwareDatabase/iPxiEmbeddedControllerIni.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cPxieEmbeddedControllerIni : public iPxiEmbeddedControllerIni {
public:
    static constexpr const char* kModuleStyle = "Embedded";

    // Requires ModuleStyle "Embedded" (another text: kStatusIniValueInvalid) and
    // [ModuleId] Vendor and Model; GPIBPortSlotPath is optional.
    void load(tStatusRecord* a_pStatus) override;
    void getGpibPortSlotPath(std::string& a_rSlotPath, tStatusRecord* a_pStatus) const override;

    // The system module keys (SMBus adapter, switch, links, peer-to-peer sections) are
    // read by the system module library through getString and converted there; their
    // accessors belong below this line.

private:
    void loadMembers(tStatusRecord* a_pStatus);

    std::string m_GpibPortSlotPath;
};

}  // namespace QX_NS
