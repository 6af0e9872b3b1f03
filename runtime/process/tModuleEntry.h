// The module entry object: the last static object of a library, whose construction
// calls the library main hook with "attach" and whose destruction calls it with
// "detach". A failed attach writes the fatal message and stops the process.
#pragma once

#include "runtime/qxns.h"

namespace QX_NS {

enum : int { kModuleAttach = 1, kModuleDetach = 2 };

using tModuleMainHook = bool (*)(int a_Reason);

class tModuleEntry {
public:
    tModuleEntry(tModuleMainHook a_Hook, const char* a_pFile, int a_Line);
    ~tModuleEntry();
    tModuleEntry(const tModuleEntry&) = delete;
    tModuleEntry& operator=(const tModuleEntry&) = delete;
    bool isAttached() const { return m_Attached; }

private:
    tModuleMainHook m_Hook;
    bool m_Attached = false;
};

}  // namespace QX_NS

// Defines the library's module entry object at namespace scope; it must come after every
// other static object of the library in construction order.
#define QX_DEFINE_MODULE_ENTRY(hook) \
    static ::QX_NS::tModuleEntry g_QxModuleEntry((hook), __FILE__, __LINE__)
