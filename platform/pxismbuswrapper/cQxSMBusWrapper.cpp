#include "platform/pxismbuswrapper/cQxSMBusWrapper.h"

#include <new>

namespace QX_NS {

tStatusRecord* cQxSMBusWrapper::bindStatus(tStatusRecord& a_rBind, const tStatusRecord* a_pCaller) {
    if (a_pCaller == nullptr || a_pCaller->isError()) {
        QX_SET_STATUS(a_rBind, qxapalerr_softwareFaultAPALInternalUseOnly);
    }
    return &a_rBind;
}

cQxSMBusWrapper::cQxSMBusWrapper(uint32_t a_Version, tStatusRecord* a_pStatus)
    : m_Version(a_Version), m_Lib(a_Version, bindStatus(m_BindStatus, a_pStatus)) {
    if (a_pStatus != nullptr && !a_pStatus->isError()) {
        a_pStatus->merge(m_BindStatus);
    }
}

cQxSMBusWrapper::cQxSMBusWrapper(uint32_t a_Version, void* a_pSession, tStatusRecord* a_pStatus)
    : cQxSMBusWrapper(a_Version, a_pStatus) {
    m_pSession = a_pSession;
    m_OwnsSession = false;
}

cQxSMBusWrapper::~cQxSMBusWrapper() {
    // A session this wrapper opened has no other owner; one adopted from a list is
    // closed by the list.
    Close();
}

bool cQxSMBusWrapper::ready(tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError()) {
        return false;
    }
    if (m_BindStatus.isError() || !m_Lib.isComplete()) {
        if (m_BindStatus.isError()) {
            a_pStatus->merge(m_BindStatus);
        } else {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        }
        return false;
    }
    return true;
}

void cQxSMBusWrapper::record(int32_t a_Result, tStatusRecord* a_pStatus, int a_Line) {
    if (a_Result != 0) {
        a_pStatus->set(a_Result, QX_COMPONENT, __FILE__, static_cast<uint64_t>(a_Line));
    }
}

#define QX_SMBUS_RECORD(result) record((result), a_pStatus, __LINE__)

void cQxSMBusWrapper::Open(const char* a_pResourceName, tStatusRecord* a_pStatus) {
    if (!ready(a_pStatus)) {
        return;
    }
    if (a_pResourceName == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    // A second Open must not leak the first session.
    Close();
    void* l_pSession = nullptr;
    QX_SMBUS_RECORD(m_Lib.Open(a_pResourceName, &l_pSession));
    if (l_pSession == nullptr) {
        return;
    }
    m_pSession = l_pSession;
    m_OwnsSession = true;
    if (a_pStatus->isError()) {
        return;
    }
    const int32_t l_One = 1;
    QX_SMBUS_RECORD(m_Lib.SetAttribute(m_pSession, kAttrOpenMode, &l_One));
}

void cQxSMBusWrapper::Close() {
    if (m_pSession == nullptr) {
        return;
    }
    if (m_OwnsSession && m_Lib.Close.isBound()) {
        m_Lib.Close(m_pSession);
    }
    m_pSession = nullptr;
    m_OwnsSession = false;
}

void cQxSMBusWrapper::QuickWrite(uint8_t a_Address, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.QuickWrite(m_pSession, a_Address));
    }
}

void cQxSMBusWrapper::QuickRead(uint8_t a_Address, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.QuickRead(m_pSession, a_Address));
    }
}

void cQxSMBusWrapper::SendByte(uint8_t a_Address, uint8_t a_Data, int32_t a_Pec,
                               tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.SendByte(m_pSession, a_Address, a_Data, a_Pec));
    }
}

void cQxSMBusWrapper::ReceiveByte(uint8_t a_Address, int32_t a_Pec, uint8_t* a_pData,
                                  tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.ReceiveByte(m_pSession, a_Address, a_Pec, a_pData));
    }
}

void cQxSMBusWrapper::WriteByte(uint8_t a_Address, uint8_t a_Command, uint8_t a_Data, int32_t a_Pec,
                                tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.WriteByte(m_pSession, a_Address, a_Command, a_Data, a_Pec));
    }
}

void cQxSMBusWrapper::ReadByte(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec,
                               uint8_t* a_pData, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.ReadByte(m_pSession, a_Address, a_Command, a_Pec, a_pData));
    }
}

void cQxSMBusWrapper::WriteWord(uint8_t a_Address, uint8_t a_Command, uint16_t a_Word,
                                int32_t a_Pec, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.WriteWord(m_pSession, a_Address, a_Command, a_Word, a_Pec));
    }
}

void cQxSMBusWrapper::ReadWord(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec,
                               uint16_t* a_pWord, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.ReadWord(m_pSession, a_Address, a_Command, a_Pec, a_pWord));
    }
}

void cQxSMBusWrapper::ProcessCall(uint8_t a_Address, uint8_t a_Command, uint16_t a_Word,
                                  int32_t a_Pec, uint16_t* a_pResult, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(
            m_Lib.ProcessCall(m_pSession, a_Address, a_Command, a_Word, a_Pec, a_pResult));
    }
}

void cQxSMBusWrapper::WriteBlock(uint8_t a_Address, uint8_t a_Command, uint8_t a_Count,
                                 const uint8_t* a_pData, int32_t a_Pec, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(
            m_Lib.WriteBlock(m_pSession, a_Address, a_Command, a_Count, a_pData, a_Pec));
    }
}

void cQxSMBusWrapper::ReadBlock(uint8_t a_Address, uint8_t a_Command, int32_t a_Pec,
                                uint8_t* a_pCount, uint8_t* a_pBuffer, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(
            m_Lib.ReadBlock(m_pSession, a_Address, a_Command, a_Pec, a_pCount, a_pBuffer));
    }
}

void cQxSMBusWrapper::GetChassisEEPROM(uint8_t a_Offset, uint32_t a_Length, uint8_t* a_pBuffer,
                                       tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(m_Lib.GetChassisEEPROM(m_pSession, a_Offset, a_Length, a_pBuffer));
    }
}

void cQxSMBusWrapper::ReadI2CEEPROM(uint8_t a_DeviceAddress, uint8_t a_Offset, uint32_t a_Length,
                                    uint8_t* a_pBuffer, tStatusRecord* a_pStatus) {
    if (ready(a_pStatus)) {
        QX_SMBUS_RECORD(
            m_Lib.ReadI2CEEPROM(m_pSession, a_DeviceAddress, a_Offset, a_Length, a_pBuffer));
    }
}

template <typename tValue>
void cQxSMBusWrapper::getValue(uint32_t a_Attribute, tValue* a_pValue, tStatusRecord* a_pStatus) {
    if (a_pValue == nullptr || !ready(a_pStatus)) {
        return;
    }
    tValue l_Value = 0;
    QX_SMBUS_RECORD(m_Lib.GetAttribute(m_pSession, a_Attribute, &l_Value));
    if (!a_pStatus->isError()) {
        *a_pValue = l_Value;
    }
}

void cQxSMBusWrapper::getText(uint32_t a_Attribute, std::string& a_rText,
                              tStatusRecord* a_pStatus) {
    if (!ready(a_pStatus)) {
        return;
    }
    const char* l_pText = nullptr;
    QX_SMBUS_RECORD(m_Lib.GetAttribute(m_pSession, a_Attribute, &l_pText));
    if (a_pStatus->isError()) {
        return;
    }
    try {
        a_rText.assign(l_pText != nullptr ? l_pText : "");
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

void cQxSMBusWrapper::GetResourceName(std::string& a_rName, tStatusRecord* a_pStatus) {
    getText(kAttrResourceName, a_rName, a_pStatus);
}

void cQxSMBusWrapper::GetDescription(std::string& a_rText, tStatusRecord* a_pStatus) {
    getText(kAttrDescription, a_rText, a_pStatus);
}

bool cQxSMBusWrapper::IsUsable(tStatusRecord* a_pStatus) {
    int32_t l_Value = 0;
    getValue(kAttrUsable, &l_Value, a_pStatus);
    return a_pStatus != nullptr && !a_pStatus->isError() && l_Value > 0;
}

void cQxSMBusWrapper::GetIdentity(uint32_t* a_pIdentity1, uint32_t* a_pIdentity2,
                                  uint32_t* a_pVendorId, uint32_t* a_pProductId,
                                  tStatusRecord* a_pStatus) {
    getValue(kAttrIdentity1, a_pIdentity1, a_pStatus);
    getValue(kAttrIdentity2, a_pIdentity2, a_pStatus);
    getValue(kAttrVendorId, a_pVendorId, a_pStatus);
    getValue(kAttrProductId, a_pProductId, a_pStatus);
}

void cQxSMBusWrapper::GetPciAddress(uint16_t* a_pBus, uint16_t* a_pDevice, uint16_t* a_pFunction,
                                    tStatusRecord* a_pStatus) {
    getValue(kAttrPciBus, a_pBus, a_pStatus);
    getValue(kAttrPciDevice, a_pDevice, a_pStatus);
    getValue(kAttrPciFunction, a_pFunction, a_pStatus);
}

}  // namespace QX_NS
