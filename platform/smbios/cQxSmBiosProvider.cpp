#include "platform/smbios/cQxSmBiosProvider.h"

#include <cstring>
#include <new>

namespace QX_NS {

namespace {

// Bytes of a field by its size class (bits 16 to 19 of a field code); 0: unknown class.
uint32_t fieldSize(uint32_t a_FieldCode) {
    switch ((a_FieldCode >> 16) & 0xF) {
        case 0:
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return 4;
        case 4:
            return 8;
        default:
            return 0;
    }
}

// The formatted area of an SMBIOS structure always holds type, length and handle.
constexpr uint32_t kMinStructureLength = 4;

}  // namespace

cQxSmBiosProvider::~cQxSmBiosProvider() {
    releaseTable();
}

void cQxSmBiosProvider::releaseTable() {
    delete[] m_pTable;
    m_pTable = nullptr;
    m_TableLength = 0;
}

void cQxSmBiosProvider::readDump(std::FILE* a_pFile, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;

    // Header text up to its NUL. Only the first 255 characters are kept; a longer text
    // is read to its end and then leaves the header empty.
    char l_Header[kHeaderTextSize] = {};
    size_t l_HeaderLength = 0;
    for (;;) {
        const int l_Byte = std::fgetc(a_pFile);
        if (l_Byte == EOF) {
            QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
            return;
        }
        if (l_Byte == 0)
            break;
        if (l_HeaderLength < kHeaderTextSize - 1)
            l_Header[l_HeaderLength] = static_cast<char>(l_Byte);
        ++l_HeaderLength;
    }

    uint8_t l_LengthBytes[2];
    if (std::fread(l_LengthBytes, 1, 2, a_pFile) != 2) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
        return;
    }
    const uint32_t l_TableLength =
        l_LengthBytes[0] | (static_cast<uint32_t>(l_LengthBytes[1]) << 8);

    // At least one byte, so that an empty table still counts as loaded.
    uint8_t* l_pTable = new (std::nothrow) uint8_t[l_TableLength == 0 ? 1 : l_TableLength];
    if (l_pTable == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    if (std::fread(l_pTable, 1, l_TableLength, a_pFile) != l_TableLength) {
        delete[] l_pTable;
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
        return;
    }

    releaseTable();
    m_pTable = l_pTable;
    m_TableLength = l_TableLength;
    std::memset(m_HeaderText, 0, sizeof(m_HeaderText));
    if (l_HeaderLength < kHeaderTextSize)
        std::memcpy(m_HeaderText, l_Header, l_HeaderLength);
}

void cQxSmBiosProvider::loadFromMemory(const void* a_pData, size_t a_Size,
                                       tStatusRecord* a_pStatus) {
    if (a_pStatus->isError() || isLoaded())
        return;
    // An empty image cannot even hold the header's NUL (and fmemopen refuses size 0).
    if (a_Size == 0 || a_pData == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
        return;
    }
    std::FILE* l_pFile = fmemopen(const_cast<void*>(a_pData), a_Size, "rb");
    if (l_pFile == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosUnavailable);
        return;
    }
    readDump(l_pFile, a_pStatus);
    std::fclose(l_pFile);
}

void cQxSmBiosProvider::findStructure(uint8_t a_Type, uint32_t a_Instance, uint32_t* a_pOffset,
                                      tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return;
    uint32_t l_Seen = 0;
    uint32_t l_Pos = 0;
    // Positions are kept below 2^17, so the sums below cannot overflow.
    while (l_Pos < m_TableLength) {
        if (m_TableLength - l_Pos < kMinStructureLength) {
            QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);  // truncated header
            return;
        }
        const uint32_t l_Length = m_pTable[l_Pos + 1];
        if (l_Length < kMinStructureLength) {
            // A length below the header would walk the same bytes again.
            QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
            return;
        }
        if (m_pTable[l_Pos] == a_Type) {
            if (l_Seen == a_Instance) {
                *a_pOffset = l_Pos;
                return;
            }
            ++l_Seen;
        }
        uint32_t l_Next = l_Pos + l_Length;
        if (l_Next > m_TableLength) {
            QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);  // formatted area past the end
            return;
        }
        // Skip the string set up to and including its double NUL.
        while (l_Next + 1 < m_TableLength && !(m_pTable[l_Next] == 0 && m_pTable[l_Next + 1] == 0))
            ++l_Next;
        l_Pos = l_Next + 2;
    }
    QX_SET_STATUS_P(a_pStatus, kStatusSmBiosNotFound);
}

void cQxSmBiosProvider::checkField(uint32_t a_Offset, uint32_t a_FieldCode,
                                   tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return;
    if (m_pTable == nullptr || a_Offset >= m_TableLength || m_TableLength - a_Offset < 2) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
        return;
    }
    const uint32_t l_Length = m_pTable[a_Offset + 1];
    if (l_Length < kMinStructureLength || l_Length > m_TableLength - a_Offset) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
        return;
    }
    const uint32_t l_Size = fieldSize(a_FieldCode);
    if (l_Size == 0) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
        return;
    }
    if ((a_FieldCode & 0xFF) + l_Size > l_Length)
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosNotFound);
}

void cQxSmBiosProvider::copyOut(const uint8_t* a_pText, uint32_t a_TextLength, char* a_pBuffer,
                                uint32_t* a_pLength, tStatusRecord* a_pStatus) const {
    if (*a_pLength < a_TextLength + 1) {
        *a_pLength = a_TextLength + 1;
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosBufferTooSmall);
        return;
    }
    if (a_pBuffer == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    std::memcpy(a_pBuffer, a_pText, a_TextLength);
    a_pBuffer[a_TextLength] = '\0';
}

void cQxSmBiosProvider::lookup(uint32_t a_FieldCode, uint32_t a_Instance, char* a_pBuffer,
                               uint32_t* a_pLength, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    if (a_pLength == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    if (!isLoaded()) {
        load(a_pStatus);
        if (a_pStatus->isError())
            return;
        if (!isLoaded()) {  // a provider whose load did nothing
            QX_SET_STATUS_P(a_pStatus, kStatusSmBiosUnavailable);
            return;
        }
    }

    if (((a_FieldCode >> 16) & 0xF) != 0) {
        if (a_FieldCode == kFieldHeaderText && a_Instance == 0) {
            copyOut(reinterpret_cast<const uint8_t*>(m_HeaderText),
                    static_cast<uint32_t>(std::strlen(m_HeaderText)), a_pBuffer, a_pLength,
                    a_pStatus);
        } else {
            QX_SET_STATUS_P(a_pStatus, kStatusSmBiosNotFound);  // numeric fields are not read
        }
        return;
    }

    uint32_t l_Offset = 0;
    findStructure(static_cast<uint8_t>((a_FieldCode >> 8) & 0xFF), a_Instance, &l_Offset,
                  a_pStatus);
    checkField(l_Offset, a_FieldCode, a_pStatus);
    if (a_pStatus->isError())
        return;

    const uint8_t l_StringNumber = m_pTable[l_Offset + (a_FieldCode & 0xFF)];
    if (l_StringNumber == 0) {
        if (a_pBuffer != nullptr && *a_pLength != 0)
            a_pBuffer[0] = '\0';
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosNoString);
        return;
    }

    // Walk the string set; every string before the wanted one must be present.
    uint32_t l_Pos = l_Offset + m_pTable[l_Offset + 1];
    for (uint32_t i = 1; i < l_StringNumber; ++i) {
        if (l_Pos >= m_TableLength || m_pTable[l_Pos] == 0) {
            QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);  // fewer strings than the number
            return;
        }
        const void* l_pNul = std::memchr(m_pTable + l_Pos, 0, m_TableLength - l_Pos);
        if (l_pNul == nullptr) {
            QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);  // string runs off the table
            return;
        }
        l_Pos = static_cast<uint32_t>(static_cast<const uint8_t*>(l_pNul) - m_pTable) + 1;
    }
    if (l_Pos >= m_TableLength || m_pTable[l_Pos] == 0) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);
        return;
    }
    uint32_t l_Window = m_TableLength - l_Pos;
    if (l_Window > kMaxStringLength + 1)
        l_Window = kMaxStringLength + 1;
    const void* l_pNul = std::memchr(m_pTable + l_Pos, 0, l_Window);
    if (l_pNul == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosCorrupt);  // too long or unterminated
        return;
    }
    const uint32_t l_TextLength =
        static_cast<uint32_t>(static_cast<const uint8_t*>(l_pNul) - (m_pTable + l_Pos));
    copyOut(m_pTable + l_Pos, l_TextLength, a_pBuffer, a_pLength, a_pStatus);
}

}  // namespace QX_NS
