// iSMBusWrapper: one SMBus adapter, reached through the SMBus service (cQxSMBusWrapper)
// or answered from a built-in chassis EEPROM image (cHpeSMBusWrapper).
//
// Every operation but Close takes the status record last and does nothing when that
// record holds an error on entry (the built-in adapter's Open is the one exception: it
// always runs). Addresses are 8-bit with the read/write bit in bit 0 (the chassis
// EEPROM answers at 0xA4); a PEC value other than 0 asks for packet error checking.
// Both implementations allow transactions from several threads at once on an open
// adapter; Open and Close must not overlap them.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

class iSMBusWrapper {
public:
    // Size of the chassis EEPROM image.
    static constexpr uint32_t kChassisEepromSize = 256;
    // SMBus address of the chassis EEPROM.
    static constexpr uint8_t kChassisEepromAddress = 0xA4;

    virtual ~iSMBusWrapper();

    virtual void Open(const char* a_pResourceName, tStatusRecord* a_pStatus) = 0;
    virtual void Close() = 0;
    virtual void QuickWrite(uint8_t a_Address, tStatusRecord* a_pStatus) = 0;
    virtual void QuickRead(uint8_t a_Address, tStatusRecord* a_pStatus) = 0;
    virtual void SendByte(uint8_t a_Address, uint8_t a_Data, int32_t a_Pec,
                          tStatusRecord* a_pStatus) = 0;
    virtual void ReceiveByte(uint8_t a_Address, int32_t a_Pec, uint8_t* a_pData,
                             tStatusRecord* a_pStatus) = 0;
    virtual void WriteByte(uint8_t a_Address, uint8_t a_Command, uint8_t a_Data, int32_t a_Pec,
                           tStatusRecord* a_pStatus) = 0;
    virtual void ReadByte(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec, uint8_t* a_pData,
                          tStatusRecord* a_pStatus) = 0;
    virtual void WriteWord(uint8_t a_Address, uint8_t a_Command, uint16_t a_Word, int32_t a_Pec,
                           tStatusRecord* a_pStatus) = 0;
    virtual void ReadWord(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec, uint16_t* a_pWord,
                          tStatusRecord* a_pStatus) = 0;
    virtual void ProcessCall(uint8_t a_Address, uint8_t a_Command, uint16_t a_Word, int32_t a_Pec,
                             uint16_t* a_pResult, tStatusRecord* a_pStatus) = 0;
    virtual void WriteBlock(uint8_t a_Address, uint8_t a_Command, uint8_t a_Count,
                            const uint8_t* a_pData, int32_t a_Pec, tStatusRecord* a_pStatus) = 0;
    // a_pBuffer must hold 256 bytes; a_pCount receives the number of bytes read.
    virtual void ReadBlock(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec, uint8_t* a_pCount,
                           uint8_t* a_pBuffer, tStatusRecord* a_pStatus) = 0;
    // The whole chassis EEPROM image: GetChassisEEPROM(0, 256, a_pBuffer).
    virtual void ReadChassisEEPROM(uint8_t* a_pBuffer /* 256 bytes */, tStatusRecord* a_pStatus);
    virtual void GetChassisEEPROM(uint8_t a_Offset, uint32_t a_Length, uint8_t* a_pBuffer,
                                  tStatusRecord* a_pStatus) = 0;
    virtual void ReadI2CEEPROM(uint8_t a_DeviceAddress, uint8_t a_Offset, uint32_t a_Length,
                               uint8_t* a_pBuffer, tStatusRecord* a_pStatus) = 0;
    virtual void GetResourceName(std::string& a_rName, tStatusRecord* a_pStatus) = 0;

protected:
    iSMBusWrapper() = default;
    iSMBusWrapper(const iSMBusWrapper&) = delete;
    iSMBusWrapper& operator=(const iSMBusWrapper&) = delete;
};

}  // namespace QX_NS
