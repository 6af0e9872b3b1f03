// The system module library's entry points. The public header is used when the tree has
// it; otherwise the same C declarations are made here, so that the tool builds (and
// reports the library as missing) before that library lands.
#pragma once

#if __has_include("qxpxi/QXPXIeSMu.h")
#include "qxpxi/QXPXIeSMu.h"
#else
#include <stdint.h>

extern "C" {
typedef struct {
    uint32_t bus;
    uint32_t device;
    uint32_t function;
} tPXISA_PciAddress;
int32_t PXISA_SystemModule_GetCount(const char* vendor, const char* model, int32_t* count);
int32_t PXISA_SystemModule_GetName(const char* vendor, const char* model, int32_t index,
                                   char* moduleName, char* resourceList);
int32_t PXISA_SystemModule_GetInformation(const char* moduleName, const char* resourceList,
                                          int32_t attributeId, void* value);
int32_t PXISA_SystemModule_GetChassisEEPROM(const char* moduleName, const char* resourceList,
                                            uint8_t* buffer);
int32_t QXPXI_SystemModule_GetEmbeddedP2PSupport(const char* moduleName, const char* resourceList,
                                                 tPXISA_PciAddress source, tPXISA_PciAddress target,
                                                 int32_t* supported);
}
#define PXISA_SYSTEMMODULE_TEXT_SIZE 256
#endif
