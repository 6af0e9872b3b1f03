// Library-level SMBIOS string lookup. Each library that carries this code holds one
// provider, a static object created while the library is loaded; the functions below
// run the lookup on it with a fresh status record and return the record's code.
// Callers hold the library's process-wide mutex.
#pragma once

#include <cstdint>

#include "platform/smbios/cQxSmBiosProvider.h"
#include "runtime/qxns.h"

namespace QX_NS {

// Field codes used by the libraries: bits 0-7 offset, 8-15 structure type, 16-19 size class.
constexpr uint32_t kSmBiosSystemManufacturer = 0x104;
constexpr uint32_t kSmBiosSystemProductName = 0x105;
constexpr uint32_t kSmBiosEnclosureSerialNumber = 0x307;

// The library's one provider (reads "/run/qxpxisv/smbios/smbiosdmp").
cQxSmBiosProvider& getSmBiosProvider();

int32_t SmBiosGetString(uint32_t a_FieldCode, uint32_t a_Instance, char* a_pBuffer,
                        uint32_t* a_pLength);
int32_t SmBiosGetFirstString(uint32_t a_FieldCode, char* a_pBuffer, uint32_t* a_pLength);

}  // namespace QX_NS
