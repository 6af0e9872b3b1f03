// cQxSMBusWrapper: an SMBus adapter reached through the SMBus service.
//
// Holds its own binding of the service, the session (null when none) and the service
// interface version it was created for. A session comes either from Open (the wrapper
// owns it: Close or the destructor closes it) or from an adapter list (adopted: the list
// closes it with the whole list, so Close and the destructor only forget it). Every
// service result is recorded in the caller's status, warnings included. Besides the
// adapter interface it offers the adapter's attribute reads used by discovery.
// Transactions and attribute reads change nothing in the wrapper, so several threads
// may run them at once on one open adapter (the service allows that); Open, Close and
// destruction must not overlap them (the library's registry keeps an adapter open while
// any transaction holds it).
#pragma once

#include <cstdint>
#include <string>

#include "platform/pxismbuswrapper/cQxSMBusDynLib.h"
#include "platform/pxismbuswrapper/iSMBusWrapper.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cQxSMBusWrapper : public iSMBusWrapper {
public:
    // Attribute ids of the service.
    static constexpr uint32_t kAttrOpenMode = 1001;  // set to 1 after every open
    static constexpr uint32_t kAttrUsable = 1002;    // usable when greater than 0
    static constexpr uint32_t kAttrIdentity1 = 101;  // identity values 101 to 104
    static constexpr uint32_t kAttrIdentity2 = 102;
    static constexpr uint32_t kAttrVendorId = 103;
    static constexpr uint32_t kAttrProductId = 104;
    static constexpr uint32_t kAttrPciBus = 105;  // SMBus controller, 16-bit each
    static constexpr uint32_t kAttrPciDevice = 106;
    static constexpr uint32_t kAttrPciFunction = 107;
    static constexpr uint32_t kAttrResourceName = 301;  // texts owned by the service
    static constexpr uint32_t kAttrDescription = 302;

    // Binds the service (version 1 only; see cQxSMBusDynLib); no session yet.
    cQxSMBusWrapper(uint32_t a_Version, tStatusRecord* a_pStatus);
    // Binds the service and adopts a session handed out by the adapter list.
    cQxSMBusWrapper(uint32_t a_Version, void* a_pSession, tStatusRecord* a_pStatus);
    ~cQxSMBusWrapper() override;

    uint32_t version() const { return m_Version; }
    bool isOpen() const { return m_pSession != nullptr; }

    void Open(const char* a_pResourceName, tStatusRecord* a_pStatus) override;
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
    void ReadBlock(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec, uint8_t* a_pCount,
                   uint8_t* a_pBuffer, tStatusRecord* a_pStatus) override;
    void GetChassisEEPROM(uint8_t a_Offset, uint32_t a_Length, uint8_t* a_pBuffer,
                          tStatusRecord* a_pStatus) override;
    void ReadI2CEEPROM(uint8_t a_DeviceAddress, uint8_t a_Offset, uint32_t a_Length,
                       uint8_t* a_pBuffer, tStatusRecord* a_pStatus) override;
    // Attribute 301.
    void GetResourceName(std::string& a_rName, tStatusRecord* a_pStatus) override;

    // Attribute 1002 greater than 0; false after a failed read.
    bool IsUsable(tStatusRecord* a_pStatus);
    // Attributes 101 to 104; only the outputs given are read (103: vendor id, 104:
    // product id).
    void GetIdentity(uint32_t* a_pIdentity1, uint32_t* a_pIdentity2, uint32_t* a_pVendorId,
                     uint32_t* a_pProductId, tStatusRecord* a_pStatus);
    // Attributes 105 to 107: PCI bus, device and function of the adapter's SMBus
    // controller; only the outputs given are read.
    void GetPciAddress(uint16_t* a_pBus, uint16_t* a_pDevice, uint16_t* a_pFunction,
                       tStatusRecord* a_pStatus);
    // Attribute 302, a descriptive text.
    void GetDescription(std::string& a_rText, tStatusRecord* a_pStatus);

private:
    // False (and the binding's failure, or -52003, recorded) when no call can be made.
    bool ready(tStatusRecord* a_pStatus);
    void record(int32_t a_Result, tStatusRecord* a_pStatus, int a_Line);
    void getText(uint32_t a_Attribute, std::string& a_rText, tStatusRecord* a_pStatus);
    template <typename tValue>
    void getValue(uint32_t a_Attribute, tValue* a_pValue, tStatusRecord* a_pStatus);

    // Binds into m_BindStatus; skipped (and marked as unusable) when the caller's status
    // already holds an error.
    static tStatusRecord* bindStatus(tStatusRecord& a_rBind, const tStatusRecord* a_pCaller);

    uint32_t m_Version;
    tStatusRecord m_BindStatus;  // outcome of binding the service
    cQxSMBusDynLib m_Lib;
    void* m_pSession = nullptr;
    bool m_OwnsSession = false;
};

}  // namespace QX_NS
