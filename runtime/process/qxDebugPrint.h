// Debug print to standard error through a per-library hook table. Normal operation
// writes nothing; the fatal attach message is the only user.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "runtime/qxns.h"

namespace QX_NS {

struct tDebugPrintHooks {
    int (*format)(char* a_pBuffer, size_t a_Size, const char* a_pFormat, va_list a_Args);
    void (*output)(const char* a_pMessage);
    void (*halt)(const char* a_pReason);
};

// The library's hook table (tests may replace the hooks).
tDebugPrintHooks& debugPrintHooks();

// Formats into a 512-byte buffer (longer messages are cut to 511 characters) and writes it.
void debugPrint(const char* a_pFormat, ...) __attribute__((format(printf, 1, 2)));

}  // namespace QX_NS
