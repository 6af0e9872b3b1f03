// The loader for outside service libraries: load, lookup and unload by name, with the
// failure described in the status's JSON text. Stateless; dlerror is per thread.
#pragma once

#include <dlfcn.h>

#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"

namespace QX_NS {
namespace qxdynlib {

// The flags every caller passes (RTLD_NOW | RTLD_GLOBAL).
constexpr int kDefaultFlags = RTLD_NOW | RTLD_GLOBAL;

// Each does nothing and returns null when the status already holds an error.
void* load(const char* a_pPath, int a_Flags, tJsonStatus& a_rStatus);
void* lookup(void* a_pHandle, const char* a_pName, tJsonStatus& a_rStatus);
void unload(void* a_pHandle);

}  // namespace qxdynlib

// Common shape of a service binding: owns the library handle and closes it on
// destruction. A binding class derives from it, and in its constructor calls open() and
// then bind() for each function of its table, in table order.
class tDynLibBinding {
public:
    tDynLibBinding() = default;
    virtual ~tDynLibBinding();
    tDynLibBinding(const tDynLibBinding&) = delete;
    tDynLibBinding& operator=(const tDynLibBinding&) = delete;

    bool isLoaded() const { return m_pHandle != nullptr; }

protected:
    // Loads the library (when the status holds no error).
    void open(const char* a_pPath, tJsonStatus& a_rStatus);
    // Looks a function up into its slot. After a failed name the status keeps that first
    // failure, and the following names are still looked up; nothing happens without a handle.
    template <typename tFn>
    void bind(tFn& a_rSlot, const char* a_pName, tJsonStatus& a_rStatus) {
        a_rSlot = reinterpret_cast<tFn>(lookupSlot(a_pName, a_rStatus));
    }
    // Sets the service's not-loaded code (no error constant) when a required slot is still
    // null and the status holds no error yet.
    static void requireBound(bool a_AllBound, int32_t a_NotLoadedCode,
                             const tSourceLocation& a_rLocation, tJsonStatus& a_rStatus);

    void* m_pHandle = nullptr;

private:
    void* lookupSlot(const char* a_pName, tJsonStatus& a_rStatus);
};

}  // namespace QX_NS
