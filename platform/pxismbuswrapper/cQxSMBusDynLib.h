// cQxSMBusDynLib: the run-time binding of the SMBus service "libqxsmbus.so.2".
//
// Holds the library handle and one slot per service function, in lookup order. The
// forwarding calls use their slots directly; isComplete() tells whether every required
// slot was bound, and the wrappers built on it never call through an incomplete binding.
// Used by one thread at a time, under the owning library's locks.
#pragma once

#include <cstdint>

#include "qxpxi/services/qxsmbus.h"
#include "runtime/dynlib/qxDynLib.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// The file name of the SMBus service, interface version 1.
constexpr const char* kQxSMBusLibraryName = "libqxsmbus.so.2";
// The only service interface version that can be bound.
constexpr uint32_t kQxSMBusInterfaceVersion = 1;

class cQxSMBusDynLib : public tDynLibBinding {
public:
    // Binds the service of the given interface version into a_pStatus: any version but 1
    // reports -52005 and loads nothing; a missing library -52005 with the loader's text;
    // a function that resolved to null -52003. Does nothing when a_pStatus holds an error.
    cQxSMBusDynLib(uint32_t a_Version, tStatusRecord* a_pStatus);
    ~cQxSMBusDynLib() override = default;

    // True when every required function was bound.
    bool isComplete() const;

    decltype(&::QXSMBusOpen) Open = nullptr;
    decltype(&::QXSMBusClose) Close = nullptr;
    decltype(&::QXSMBusGetAttribute) GetAttribute = nullptr;
    decltype(&::QXSMBusSetAttribute) SetAttribute = nullptr;
    decltype(&::QXSMBusQuickWrite) QuickWrite = nullptr;
    decltype(&::QXSMBusQuickRead) QuickRead = nullptr;
    decltype(&::QXSMBusSendByte) SendByte = nullptr;
    decltype(&::QXSMBusReceiveByte) ReceiveByte = nullptr;
    decltype(&::QXSMBusWriteByte) WriteByte = nullptr;
    decltype(&::QXSMBusReadByte) ReadByte = nullptr;
    decltype(&::QXSMBusWriteWord) WriteWord = nullptr;
    decltype(&::QXSMBusReadWord) ReadWord = nullptr;
    decltype(&::QXSMBusProcessCall) ProcessCall = nullptr;
    decltype(&::QXSMBusWriteBlock) WriteBlock = nullptr;
    decltype(&::QXSMBusReadBlock) ReadBlock = nullptr;
    decltype(&::QXSMBusGetChassisEEPROM) GetChassisEEPROM = nullptr;
    decltype(&::QXSMBusReadI2CEEPROM) ReadI2CEEPROM = nullptr;
    decltype(&::QXSMBusWriteFirmware) WriteFirmware = nullptr;
};

}  // namespace QX_NS
