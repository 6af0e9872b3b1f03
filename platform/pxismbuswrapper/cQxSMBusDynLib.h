// cQxSMBusDynLib: the run-time binding of the SMBus service "libqxsmbus.so.2".
//
// Holds the library handle and the table of service functions, in lookup order. Callers
// call the functions directly; isComplete() tells whether every required function was
// bound, and the wrappers built on it never call through an incomplete binding.
// Only read once bound: several threads may call through one binding at once (the
// transactions of one open adapter); binding and release must not overlap them.
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

// The common part of the SMBus service's bindings, which report into a status record.
class tQxSMBusBinding : public tDynLibBinding {
protected:
    // Loads the service of interface version a_Version: nothing when a_pStatus holds an
    // error; -52005 for any version but 1, and for a missing library (with the loader's
    // text). True when the library is loaded and a_pStatus holds no error.
    bool openService(uint32_t a_Version, tStatusRecord* a_pStatus);
    // Binds the table into a_pStatus; a required function that resolved to null, -52003.
    void bindRequired(tStatusRecord* a_pStatus);
};

class cQxSMBusDynLib : public tQxSMBusBinding {
public:
    // Binds the service of the given interface version into a_pStatus: any version but 1
    // reports -52005 and loads nothing; a missing library -52005 with the loader's text;
    // a function that resolved to null -52003. Does nothing when a_pStatus holds an error.
    cQxSMBusDynLib(uint32_t a_Version, tStatusRecord* a_pStatus);
    ~cQxSMBusDynLib() override = default;

    // True when every required function was bound.
    bool isComplete() const { return isTableBound(); }

    // The table: one entry per function of the service, in lookup order.
    tFunction<decltype(&::QXSMBusOpen)> Open{*this, "QXSMBusOpen"};
    tFunction<decltype(&::QXSMBusClose)> Close{*this, "QXSMBusClose"};
    tFunction<decltype(&::QXSMBusGetAttribute)> GetAttribute{*this, "QXSMBusGetAttribute"};
    tFunction<decltype(&::QXSMBusSetAttribute)> SetAttribute{*this, "QXSMBusSetAttribute"};
    tFunction<decltype(&::QXSMBusQuickWrite)> QuickWrite{*this, "QXSMBusQuickWrite"};
    tFunction<decltype(&::QXSMBusQuickRead)> QuickRead{*this, "QXSMBusQuickRead"};
    tFunction<decltype(&::QXSMBusSendByte)> SendByte{*this, "QXSMBusSendByte"};
    tFunction<decltype(&::QXSMBusReceiveByte)> ReceiveByte{*this, "QXSMBusReceiveByte"};
    tFunction<decltype(&::QXSMBusWriteByte)> WriteByte{*this, "QXSMBusWriteByte"};
    tFunction<decltype(&::QXSMBusReadByte)> ReadByte{*this, "QXSMBusReadByte"};
    tFunction<decltype(&::QXSMBusWriteWord)> WriteWord{*this, "QXSMBusWriteWord"};
    tFunction<decltype(&::QXSMBusReadWord)> ReadWord{*this, "QXSMBusReadWord"};
    tFunction<decltype(&::QXSMBusProcessCall)> ProcessCall{*this, "QXSMBusProcessCall"};
    tFunction<decltype(&::QXSMBusWriteBlock)> WriteBlock{*this, "QXSMBusWriteBlock"};
    tFunction<decltype(&::QXSMBusReadBlock)> ReadBlock{*this, "QXSMBusReadBlock"};
    tFunction<decltype(&::QXSMBusGetChassisEEPROM)> GetChassisEEPROM{*this,
                                                                     "QXSMBusGetChassisEEPROM"};
    tFunction<decltype(&::QXSMBusReadI2CEEPROM)> ReadI2CEEPROM{*this, "QXSMBusReadI2CEEPROM"};
    tFunction<decltype(&::QXSMBusWriteFirmware)> WriteFirmware{*this, "QXSMBusWriteFirmware"};
};

}  // namespace QX_NS
