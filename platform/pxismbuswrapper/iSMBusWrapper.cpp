#include "platform/pxismbuswrapper/iSMBusWrapper.h"

namespace QX_NS {

iSMBusWrapper::~iSMBusWrapper() = default;

void iSMBusWrapper::ReadChassisEEPROM(uint8_t* a_pBuffer, tStatusRecord* a_pStatus) {
    GetChassisEEPROM(0, kChassisEepromSize, a_pBuffer, a_pStatus);
}

}  // namespace QX_NS
