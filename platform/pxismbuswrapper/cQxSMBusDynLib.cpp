#include "platform/pxismbuswrapper/cQxSMBusDynLib.h"

#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {

cQxSMBusDynLib::cQxSMBusDynLib(uint32_t a_Version, tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError()) {
        return;
    }
    if (a_Version != kQxSMBusInterfaceVersion) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    tJsonStatusScope l_Status(a_pStatus);
    open(kQxSMBusLibraryName, l_Status);
    l_Status.flush();
    if (a_pStatus->isError()) {
        return;
    }
    bind(Open, "QXSMBusOpen", l_Status);
    bind(Close, "QXSMBusClose", l_Status);
    bind(GetAttribute, "QXSMBusGetAttribute", l_Status);
    bind(SetAttribute, "QXSMBusSetAttribute", l_Status);
    bind(QuickWrite, "QXSMBusQuickWrite", l_Status);
    bind(QuickRead, "QXSMBusQuickRead", l_Status);
    bind(SendByte, "QXSMBusSendByte", l_Status);
    bind(ReceiveByte, "QXSMBusReceiveByte", l_Status);
    bind(WriteByte, "QXSMBusWriteByte", l_Status);
    bind(ReadByte, "QXSMBusReadByte", l_Status);
    bind(WriteWord, "QXSMBusWriteWord", l_Status);
    bind(ReadWord, "QXSMBusReadWord", l_Status);
    bind(ProcessCall, "QXSMBusProcessCall", l_Status);
    bind(WriteBlock, "QXSMBusWriteBlock", l_Status);
    bind(ReadBlock, "QXSMBusReadBlock", l_Status);
    bind(GetChassisEEPROM, "QXSMBusGetChassisEEPROM", l_Status);
    bind(ReadI2CEEPROM, "QXSMBusReadI2CEEPROM", l_Status);
    bind(WriteFirmware, "QXSMBusWriteFirmware", l_Status);
    l_Status.flush();
    if (!a_pStatus->isError() && !isComplete()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
    }
}

bool cQxSMBusDynLib::isComplete() const {
    return Open && Close && GetAttribute && SetAttribute && QuickWrite && QuickRead && SendByte &&
           ReceiveByte && WriteByte && ReadByte && WriteWord && ReadWord && ProcessCall &&
           WriteBlock && ReadBlock && GetChassisEEPROM && ReadI2CEEPROM && WriteFirmware;
}

}  // namespace QX_NS
