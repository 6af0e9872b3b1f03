// cQxSmBiosProvider: holds a copy of the SMBIOS structure table and answers string
// lookups by field code. The table comes from outside (a dump written by the platform)
// and is treated as hostile: every walk is bounded by the table, and every malformed
// structure gives a defined status instead of a read past the end.
// One provider per library, used only under that library's process-wide mutex.
#pragma once

#include <cstdint>
#include <cstdio>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

class cQxSmBiosProvider {
public:
    // Field code of the dump's header text.
    static constexpr uint32_t kFieldHeaderText = 0xF0001;
    static constexpr uint32_t kHeaderTextSize = 256;
    // Longest string the lookup hands out.
    static constexpr uint32_t kMaxStringLength = 128;

    cQxSmBiosProvider() = default;
    virtual ~cQxSmBiosProvider();
    cQxSmBiosProvider(const cQxSmBiosProvider&) = delete;
    cQxSmBiosProvider& operator=(const cQxSmBiosProvider&) = delete;

    // Reads the dump when no table is held yet.
    virtual void load(tStatusRecord* a_pStatus) = 0;

    // The string of field a_FieldCode in the a_Instance-th (0-based) structure of the
    // code's type. a_pLength is the buffer size on entry; when too small it receives the
    // size needed (string length plus its NUL). Loads the dump on first use.
    void lookup(uint32_t a_FieldCode, uint32_t a_Instance, char* a_pBuffer, uint32_t* a_pLength,
                tStatusRecord* a_pStatus);

    // Offset of the a_Instance-th structure of type a_Type within the table.
    void findStructure(uint8_t a_Type, uint32_t a_Instance, uint32_t* a_pOffset,
                       tStatusRecord* a_pStatus) const;
    // Checks that the structure at a_Offset lies inside the table and that its formatted
    // area holds the field named by a_FieldCode.
    void checkField(uint32_t a_Offset, uint32_t a_FieldCode, tStatusRecord* a_pStatus) const;

    // Reads a complete dump image (header text, length, table) from memory, as load
    // does from the dump file; for tests and fuzzing.
    void loadFromMemory(const void* a_pData, size_t a_Size, tStatusRecord* a_pStatus);

    bool isLoaded() const { return m_pTable != nullptr; }
    uint32_t tableLength() const { return m_TableLength; }
    const char* headerText() const { return m_HeaderText; }

protected:
    // Reads header text, table length and table from an open stream.
    void readDump(std::FILE* a_pFile, tStatusRecord* a_pStatus);
    void releaseTable();

private:
    void copyOut(const uint8_t* a_pText, uint32_t a_TextLength, char* a_pBuffer,
                 uint32_t* a_pLength, tStatusRecord* a_pStatus) const;

    uint8_t* m_pTable = nullptr;
    uint32_t m_TableLength = 0;
    char m_HeaderText[kHeaderTextSize] = {};
};

}  // namespace QX_NS
