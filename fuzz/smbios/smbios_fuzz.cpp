// Loads an SMBIOS dump image from the input and looks strings up in it.
// Input: 4 bytes field code (little-endian), 1 byte instance, 1 byte buffer size, then
// the dump image (header text, NUL, 2-byte table length, table).
#include <cstdint>
#include <cstring>

#include "platform/smbios/cQxSmBiosLinuxProvider.h"

using namespace QX_NS;

namespace {

void query(cQxSmBiosProvider& a_rProvider, uint32_t a_Code, uint32_t a_Instance,
           uint32_t a_BufferSize) {
    char l_Buffer[256];
    uint32_t l_Length = a_BufferSize;
    tStatusRecord l_Status;
    a_rProvider.lookup(a_Code, a_Instance, a_BufferSize == 0 ? nullptr : l_Buffer, &l_Length,
                       &l_Status);
    if (l_Status.code == 0) {
        // A successful answer is a NUL-terminated text inside the buffer.
        if (std::memchr(l_Buffer, 0, a_BufferSize) == nullptr)
            __builtin_trap();
    } else if (l_Status.code == kStatusSmBiosBufferTooSmall) {
        if (l_Length <= a_BufferSize || l_Length > 256)
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* a_pData, size_t a_Size) {
    if (a_Size < 6)
        return 0;
    const uint32_t l_Code = a_pData[0] | (a_pData[1] << 8) | (a_pData[2] << 16) |
                            (static_cast<uint32_t>(a_pData[3]) << 24);
    const uint32_t l_Instance = a_pData[4];
    const uint32_t l_BufferSize = a_pData[5];

    cQxSmBiosLinuxProvider l_Provider("/nonexistent/smbiosdmp");
    tStatusRecord l_Status;
    l_Provider.loadFromMemory(a_pData + 6, a_Size - 6, &l_Status);
    if (l_Status.isError())
        return 0;

    query(l_Provider, l_Code, l_Instance, l_BufferSize);
    for (uint32_t l_Fixed : {0x104u, 0x105u, 0x307u, 0xF0001u}) {
        query(l_Provider, l_Fixed, 0, 256);
        query(l_Provider, l_Fixed, 1, 0);
    }
    return 0;
}
