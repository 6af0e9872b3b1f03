#include "runtime/process/qxDebugPrint.h"

#include <cstdio>

namespace QX_NS {
namespace {

constexpr size_t kMessageSize = 512;

void writeToStandardError(const char* a_pMessage) {
    std::fprintf(stderr, "%s", a_pMessage);
}

// After a fatal message nothing may run on: stop at once, without unwinding or exit handlers.
[[noreturn]] void haltProcess(const char* /*a_pReason*/) {
    __builtin_trap();
}

}  // namespace

tDebugPrintHooks& debugPrintHooks() {
    static tDebugPrintHooks s_Hooks{vsnprintf, writeToStandardError, haltProcess};
    return s_Hooks;
}

void debugPrint(const char* a_pFormat, ...) {
    const tDebugPrintHooks& l_rHooks = debugPrintHooks();
    if (a_pFormat == nullptr || l_rHooks.format == nullptr || l_rHooks.output == nullptr)
        return;
    char l_Message[kMessageSize];
    l_Message[0] = '\0';
    va_list l_Args;
    va_start(l_Args, a_pFormat);
    const int l_Result = l_rHooks.format(l_Message, sizeof l_Message, a_pFormat, l_Args);
    va_end(l_Args);
    if (l_Result < 0)
        l_Message[0] = '\0';
    l_Message[kMessageSize - 1] = '\0';
    l_rHooks.output(l_Message);
}

}  // namespace QX_NS
