// iPxiEmbeddedControllerIni: the common base of the two embedded controller description
// classes (PXI and PXI Express). Same threading rules as iPxiDeviceIni.
#pragma once

#include <string>

#include "config/pxiHardwareDatabase/iPxiDeviceIni.h"
#include "runtime/qxns.h"

namespace QX_NS {

class iPxiEmbeddedControllerIni : public iPxiDeviceIni {
public:
    ~iPxiEmbeddedControllerIni() override {}

    // The slot path text of the controller's GPIB port (empty when the file has none).
    virtual void getGpibPortSlotPath(std::string& a_rSlotPath, tStatusRecord* a_pStatus) const = 0;
};

}  // namespace QX_NS
