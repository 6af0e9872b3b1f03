#include "runtime/process/tModuleEntry.h"

#include "runtime/process/qxDebugPrint.h"

namespace QX_NS {

tModuleEntry::tModuleEntry(tModuleMainHook a_Hook, const char* a_pFile, int a_Line)
    : m_Hook(a_Hook) {
    // A library without a main hook has nothing to attach.
    if (m_Hook == nullptr)
        return;
    bool l_Attached = false;
    try {
        l_Attached = m_Hook(kModuleAttach);
    } catch (...) {
        l_Attached = false;
    }
    if (l_Attached) {
        m_Attached = true;
        return;
    }
    // The library cannot work half-built, and the loader gives no way to refuse the load.
    debugPrint("[%s|%s|%d] !!ASSERT!!\n", QX_COMPONENT, a_pFile != nullptr ? a_pFile : "", a_Line);
    debugPrint(
        "Main failed during process attach request.  Module not loaded. No choice but to halt "
        "the process.\n");
    if (debugPrintHooks().halt != nullptr)
        debugPrintHooks().halt("ASSERT");
}

tModuleEntry::~tModuleEntry() {
    if (!m_Attached)
        return;
    m_Attached = false;
    try {
        (void)m_Hook(kModuleDetach);
    } catch (...) {
        // Unloading goes on regardless.
    }
}

}  // namespace QX_NS
