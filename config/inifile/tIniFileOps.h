// The file operations the INI engine performs, as a table of function pointers. Normal
// code uses the C library through the default table; tests swap single entries to make a
// write, a sync, a rename or a read fail at a chosen point. Swap entries only while no
// document is being loaded or saved, and restore the default table afterwards.
#pragma once

#include <cstddef>
#include <cstdio>

#include "runtime/qxns.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

struct tIniFileOps {
    FILE* (*openFile)(const char* a_pPath, const char* a_pMode);
    FILE* (*openDescriptor)(int a_Descriptor, const char* a_pMode);
    size_t (*readFile)(void* a_pBuffer, size_t a_Size, size_t a_Count, FILE* a_pFile);
    size_t (*writeFile)(const void* a_pBuffer, size_t a_Size, size_t a_Count, FILE* a_pFile);
    int (*flushFile)(FILE* a_pFile);
    int (*syncDescriptor)(int a_Descriptor);
    int (*closeFile)(FILE* a_pFile);
    // Replaces the trailing XXXXXX of the template and creates the file exclusively.
    int (*makeTemp)(char* a_pTemplate);
    int (*renamePath)(const char* a_pFrom, const char* a_pTo);
    int (*removePath)(const char* a_pPath);
};

// The table in use (initially the C library's functions).
tIniFileOps& iniFileOps();
const tIniFileOps& defaultIniFileOps();

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
