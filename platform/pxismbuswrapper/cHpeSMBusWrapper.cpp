#include "platform/pxismbuswrapper/cHpeSMBusWrapper.h"

#include <cstring>
#include <new>

#include "platform/smbios/qxSmBios.h"

namespace QX_NS {

namespace {

constexpr const char* kManufacturer = "Hewlett Packard Enterprise";
constexpr const char* kModelEL1000 = "HPE Edgeline EL1000 PXI";
constexpr const char* kModelEL4000 = "HPE Edgeline EL4000 PXI";
constexpr const char* kUnknownSerial = "Unknown";

constexpr uint32_t kManufacturerOffset = 5;
constexpr uint32_t kModelOffset = 65;
constexpr uint32_t kModelMaxLength = 39;
constexpr uint32_t kRevisionOffset = 105;
constexpr uint32_t kSerialOffset = 106;
constexpr uint32_t kSerialMaxLength = 12;
constexpr uint32_t kChecksumOffset = 121;
// The SMBIOS lookup buffer: 12 characters and the NUL.
constexpr uint32_t kSerialBufferSize = 13;

void putText(uint8_t* a_pImage, uint32_t a_Offset, const char* a_pText, uint32_t a_MaxLength) {
    const size_t l_Length = strnlen(a_pText, a_MaxLength);
    memcpy(a_pImage + a_Offset, a_pText, l_Length);
    a_pImage[a_Offset + l_Length] = 0;
}

bool skip(const tStatusRecord* a_pStatus) {
    return a_pStatus == nullptr || a_pStatus->isError();
}

}  // namespace

cHpeSMBusWrapper::cHpeSMBusWrapper() {
    memset(m_Image, 0, sizeof(m_Image));
}

cHpeSMBusWrapper::~cHpeSMBusWrapper() = default;

void cHpeSMBusWrapper::Open(const char* a_pResourceName, tStatusRecord* a_pStatus) {
    m_Model = tModel::none;
    if (a_pStatus == nullptr) {
        return;
    }
    tModel l_Model = tModel::none;
    if (a_pResourceName != nullptr && strcmp(a_pResourceName, kResourceEL1000) == 0) {
        l_Model = tModel::el1000;
    } else if (a_pResourceName != nullptr && strcmp(a_pResourceName, kResourceEL4000) == 0) {
        l_Model = tModel::el4000;
    } else {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    buildImage(l_Model);
    m_Model = l_Model;
}

void cHpeSMBusWrapper::buildImage(tModel a_Model) {
    const bool l_Is1000 = a_Model == tModel::el1000;
    uint8_t* l_pImage = m_Image;
    memset(l_pImage, 0, kChassisEepromSize);

    l_pImage[0] = 0x5A;
    l_pImage[1] = 0x31;
    l_pImage[2] = 0x00;
    l_pImage[3] = 4;
    l_pImage[4] = 0;
    putText(l_pImage, kManufacturerOffset, kManufacturer, 26);
    putText(l_pImage, kModelOffset, l_Is1000 ? kModelEL1000 : kModelEL4000, kModelMaxLength);
    l_pImage[kRevisionOffset] = 0x41;
    l_pImage[119] = l_Is1000 ? 3 : 5;
    l_pImage[120] = l_Is1000 ? 2 : 4;
    l_pImage[123] = 1;
    l_pImage[124] = l_Is1000 ? 1 : 0;
    l_pImage[125] = 11;
    l_pImage[126] = 11;
    l_pImage[127] = l_Is1000 ? 1 : 11;
    if (l_Is1000) {
        static const uint8_t kSlots[] = {1, 2, 0x32, 3, 11, 3, 0x31, 3, 11};
        memcpy(l_pImage + 128, kSlots, sizeof(kSlots));
    } else {
        for (uint8_t l_Group = 0; l_Group < 4; ++l_Group) {
            uint8_t* l_pGroup = l_pImage + 128 + 4 * l_Group;
            l_pGroup[0] = 11;
            l_pGroup[1] = static_cast<uint8_t>(2 + l_Group);
            l_pGroup[2] = 1;
            l_pGroup[3] = 1;
        }
        l_pImage[144] = 11;
    }

    // The enclosure serial number. Whenever SMBIOS does not give one (no dump, no
    // enclosure structure, a field without a string, a number too long for the field)
    // the image says "Unknown" and the status is left alone: the serial is a detail of
    // the image, not of the SMBus operation a host asked for, so a machine without it
    // must not turn every successful operation into a warning.
    char l_Serial[kSerialBufferSize] = {};
    uint32_t l_Length = sizeof(l_Serial);
    const int32_t l_Code = SmBiosGetFirstString(kSmBiosEnclosureSerialNumber, l_Serial, &l_Length);
    const char* l_pSerial = l_Code == 0 ? l_Serial : kUnknownSerial;
    l_Serial[kSerialBufferSize - 1] = 0;
    putText(l_pImage, kSerialOffset, l_pSerial, kSerialMaxLength);

    uint16_t l_Sum = 0;
    for (uint32_t l_Index = 0; l_Index < kChassisEepromSize; ++l_Index) {
        l_Sum = static_cast<uint16_t>(l_Sum + l_pImage[l_Index]);
    }
    l_pImage[kChecksumOffset] = static_cast<uint8_t>(l_Sum & 0xFF);
    l_pImage[kChecksumOffset + 1] = static_cast<uint8_t>(l_Sum >> 8);
}

void cHpeSMBusWrapper::Close() {
    m_Model = tModel::none;
}

void cHpeSMBusWrapper::QuickWrite(uint8_t, tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

void cHpeSMBusWrapper::QuickRead(uint8_t, tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

void cHpeSMBusWrapper::SendByte(uint8_t, uint8_t, int32_t, tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

void cHpeSMBusWrapper::ReceiveByte(uint8_t, int32_t, uint8_t*, tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

void cHpeSMBusWrapper::WriteByte(uint8_t, uint8_t, uint8_t, int32_t, tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

void cHpeSMBusWrapper::ReadByte(uint8_t a_Address, uint8_t a_Command, int32_t, uint8_t* a_pData,
                                tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    if (a_Address != kChassisEepromAddress) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
        return;
    }
    if (a_pData == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    *a_pData = m_Image[a_Command];
}

void cHpeSMBusWrapper::WriteWord(uint8_t, uint8_t, uint16_t, int32_t, tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

void cHpeSMBusWrapper::ReadWord(uint8_t a_Address, uint8_t a_Command, int32_t, uint16_t* a_pWord,
                                tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    if (a_Address != kChassisEepromAddress || (a_Command & 1) != 0) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
        return;
    }
    if (a_pWord == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    // An even command is at most 254, so both bytes lie inside the image.
    *a_pWord = static_cast<uint16_t>(m_Image[a_Command] | (m_Image[a_Command + 1] << 8));
}

void cHpeSMBusWrapper::ProcessCall(uint8_t, uint8_t, uint16_t, int32_t, uint16_t*,
                                   tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

void cHpeSMBusWrapper::WriteBlock(uint8_t, uint8_t, uint8_t, const uint8_t*, int32_t,
                                  tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
    }
}

void cHpeSMBusWrapper::ReadBlock(uint8_t a_Address, uint8_t a_Command, int32_t, uint8_t* a_pCount,
                                 uint8_t* a_pBuffer, tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    if (a_Address != kChassisEepromAddress) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
        return;
    }
    if (a_pCount == nullptr || a_pBuffer == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    const uint32_t l_Count = a_Command < 224 ? 32u : kChassisEepromSize - a_Command;
    memcpy(a_pBuffer, m_Image + a_Command, l_Count);
    *a_pCount = static_cast<uint8_t>(l_Count);
}

void cHpeSMBusWrapper::copyOut(uint8_t a_Offset, uint32_t a_Length, uint8_t* a_pBuffer,
                               tStatusRecord* a_pStatus) const {
    // The image is 256 bytes: a request that would read past it is refused rather than
    // served from whatever follows the image in memory.
    if (static_cast<uint64_t>(a_Offset) + a_Length > kChassisEepromSize ||
        (a_pBuffer == nullptr && a_Length != 0)) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    if (a_Length != 0) {
        memcpy(a_pBuffer, m_Image + a_Offset, a_Length);
    }
}

void cHpeSMBusWrapper::GetChassisEEPROM(uint8_t a_Offset, uint32_t a_Length, uint8_t* a_pBuffer,
                                        tStatusRecord* a_pStatus) {
    if (!skip(a_pStatus)) {
        copyOut(a_Offset, a_Length, a_pBuffer, a_pStatus);
    }
}

void cHpeSMBusWrapper::ReadI2CEEPROM(uint8_t a_DeviceAddress, uint8_t a_Offset, uint32_t a_Length,
                                     uint8_t* a_pBuffer, tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    if (a_DeviceAddress != kChassisEepromAddress) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
        return;
    }
    copyOut(a_Offset, a_Length, a_pBuffer, a_pStatus);
}

void cHpeSMBusWrapper::GetResourceName(std::string& a_rName, tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    if (m_Model == tModel::none) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        return;
    }
    try {
        a_rName.assign(m_Model == tModel::el1000 ? kResourceEL1000 : kResourceEL4000);
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

}  // namespace QX_NS
