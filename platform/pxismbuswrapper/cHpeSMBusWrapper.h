// cHpeSMBusWrapper: the built-in SMBus adapter of the HPE Edgeline EL1000 and EL4000 PXI
// systems, which answers chassis EEPROM reads from an image it builds itself.
//
// Open accepts exactly "HPSMBUS::EL1000" and "HPSMBUS::EL4000" and builds the 256-byte
// chassis EEPROM image of that model, with the enclosure serial number from SMBIOS
// (or "Unknown") and a valid checksum. Reads are served from the image and never leave
// it; a read that would pass its end reports -52005. Operations that would write to the
// bus, and reads of other addresses, report -52002. Nothing touches a real SMBus.
// Reads change nothing once the image is built, so several threads may run them at once;
// Open and Close must not overlap them. Open reads the library's SMBIOS provider, which
// the discovery cache also reads under its own lock, so the library opens this adapter
// through its SMBIOS guard.
#pragma once

#include <cstdint>
#include <string>

#include "platform/pxismbuswrapper/iSMBusWrapper.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cHpeSMBusWrapper : public iSMBusWrapper {
public:
    static constexpr const char* kResourceEL1000 = "HPSMBUS::EL1000";
    static constexpr const char* kResourceEL4000 = "HPSMBUS::EL4000";

    cHpeSMBusWrapper();
    ~cHpeSMBusWrapper() override;

    // Builds the image; the status is not tested on entry. An unknown resource name
    // reports -52005 and leaves the adapter closed.
    void Open(const char* a_pResourceName, tStatusRecord* a_pStatus) override;
    // Forgets the model; the image stays.
    void Close() override;
    void QuickWrite(uint8_t a_Address, tStatusRecord* a_pStatus) override;
    void QuickRead(uint8_t a_Address, tStatusRecord* a_pStatus) override;
    void SendByte(uint8_t a_Address, uint8_t a_Data, int32_t a_Pec,
                  tStatusRecord* a_pStatus) override;
    void ReceiveByte(uint8_t a_Address, int32_t a_Pec, uint8_t* a_pData,
                     tStatusRecord* a_pStatus) override;
    void WriteByte(uint8_t a_Address, uint8_t a_Command, uint8_t a_Data, int32_t a_Pec,
                   tStatusRecord* a_pStatus) override;
    void ReadByte(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec, uint8_t* a_pData,
                  tStatusRecord* a_pStatus) override;
    void WriteWord(uint8_t a_Address, uint8_t a_Command, uint16_t a_Word, int32_t a_Pec,
                   tStatusRecord* a_pStatus) override;
    void ReadWord(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec, uint16_t* a_pWord,
                  tStatusRecord* a_pStatus) override;
    void ProcessCall(uint8_t a_Address, uint8_t a_Command, uint16_t a_Word, int32_t a_Pec,
                     uint16_t* a_pResult, tStatusRecord* a_pStatus) override;
    void WriteBlock(uint8_t a_Address, uint8_t a_Command, uint8_t a_Count, const uint8_t* a_pData,
                    int32_t a_Pec, tStatusRecord* a_pStatus) override;
    // Command below 224: 32 bytes; otherwise the bytes up to the end of the image.
    void ReadBlock(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec, uint8_t* a_pCount,
                   uint8_t* a_pBuffer, tStatusRecord* a_pStatus) override;
    void GetChassisEEPROM(uint8_t a_Offset, uint32_t a_Length, uint8_t* a_pBuffer,
                          tStatusRecord* a_pStatus) override;
    void ReadI2CEEPROM(uint8_t a_DeviceAddress, uint8_t a_Offset, uint32_t a_Length,
                       uint8_t* a_pBuffer, tStatusRecord* a_pStatus) override;
    // The resource name of the model opened; -52003 when closed.
    void GetResourceName(std::string& a_rName, tStatusRecord* a_pStatus) override;

    // The image as built by the last Open (all zeros before).
    const uint8_t* image() const { return m_Image; }

private:
    enum class tModel { none, el1000, el4000 };

    void buildImage(tModel a_Model);
    void copyOut(uint8_t a_Offset, uint32_t a_Length, uint8_t* a_pBuffer,
                 tStatusRecord* a_pStatus) const;

    uint8_t m_Image[kChassisEepromSize];
    tModel m_Model = tModel::none;
};

}  // namespace QX_NS
