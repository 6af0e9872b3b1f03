#include "platform/smbios/qxSmBios.h"

#include "platform/smbios/cQxSmBiosLinuxProvider.h"

namespace QX_NS {

namespace {
// Created while the library is loaded, destroyed when it is unloaded.
cQxSmBiosLinuxProvider g_SmBiosProvider;
}  // namespace

cQxSmBiosProvider& getSmBiosProvider() {
    return g_SmBiosProvider;
}

int32_t SmBiosGetString(uint32_t a_FieldCode, uint32_t a_Instance, char* a_pBuffer,
                        uint32_t* a_pLength) {
    tStatusRecord l_Status;
    g_SmBiosProvider.lookup(a_FieldCode, a_Instance, a_pBuffer, a_pLength, &l_Status);
    return l_Status.code32();
}

int32_t SmBiosGetFirstString(uint32_t a_FieldCode, char* a_pBuffer, uint32_t* a_pLength) {
    return SmBiosGetString(a_FieldCode, 0, a_pBuffer, a_pLength);
}

}  // namespace QX_NS
