#include "runtime/trace/tConsoleTraceDestination.h"

#include <cstdio>
#include <cstring>

#include "runtime/process/qxDebugPrint.h"

namespace QX_NS {

void tConsoleTraceDestination::writeText(const char* a_pText) {
    if (a_pText != nullptr)
        debugPrint("%s", a_pText);
}

void tConsoleTraceDestination::writeBytes(const char* a_pData, size_t a_Length) {
    if (a_pData == nullptr)
        return;
    // The precision bounds the read: the data need not be NUL-terminated.
    char l_Format[32];
    std::snprintf(l_Format, sizeof l_Format, "%%.%zus", a_Length);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    debugPrint(l_Format, a_pData);
#pragma GCC diagnostic pop
}

void tConsoleTraceDestination::describe(char* a_pBuffer, size_t a_Size, size_t* a_pNeeded) {
    const size_t l_Length = std::strlen(kDescription);
    if (a_pNeeded != nullptr)
        *a_pNeeded = l_Length + 1;
    if (a_pBuffer == nullptr || a_Size == 0)
        return;
    const size_t l_Copied = l_Length < a_Size - 1 ? l_Length : a_Size - 1;
    std::memcpy(a_pBuffer, kDescription, l_Copied);
    a_pBuffer[l_Copied] = '\0';
}

}  // namespace QX_NS
