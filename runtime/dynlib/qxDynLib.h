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
// destruction, and holds the binding's table of functions. A binding class declares one
// tFunction member per function of the service, each with its name, and in its
// constructor calls open() and then bindTable(), which looks them up in declaration
// order; isTableBound() tells whether all were found.
class tDynLibBinding {
public:
    class tEntry;
    // One function of the table: its name in the service and, once bound, its address.
    template <typename tFn>
    class tFunction;

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
    // bind() for every function of the table, in table order.
    void bindTable(tJsonStatus& a_rStatus);
    // The whole binding of a service whose functions are all required: open(), then
    // bindTable(), then requireBound() with the service's not-loaded code.
    void bindService(const char* a_pPath, int32_t a_NotLoadedCode,
                     const tSourceLocation& a_rLocation, tJsonStatus& a_rStatus);
    // Whether every function of the table is bound.
    bool isTableBound() const;
    // Sets the service's not-loaded code (no error constant) when a required slot is still
    // null and the status holds no error yet.
    static void requireBound(bool a_AllBound, int32_t a_NotLoadedCode,
                             const tSourceLocation& a_rLocation, tJsonStatus& a_rStatus);

    void* m_pHandle = nullptr;

private:
    void* lookupSlot(const char* a_pName, tJsonStatus& a_rStatus);

    tEntry* m_pFirst = nullptr;
    tEntry* m_pLast = nullptr;
};

// The untyped part of a table entry; entries link themselves into their binding's table
// when they are constructed.
class tDynLibBinding::tEntry {
public:
    tEntry(tDynLibBinding& a_rOwner, const char* a_pName) : m_pName(a_pName) {
        (a_rOwner.m_pLast != nullptr ? a_rOwner.m_pLast->m_pNext : a_rOwner.m_pFirst) = this;
        a_rOwner.m_pLast = this;
    }
    tEntry(const tEntry&) = delete;
    tEntry& operator=(const tEntry&) = delete;

    bool isBound() const { return m_pAddress != nullptr; }

protected:
    void* m_pAddress = nullptr;

private:
    friend class tDynLibBinding;
    const char* m_pName;
    tEntry* m_pNext = nullptr;
};

template <typename tFn>
class tDynLibBinding::tFunction : public tEntry {
public:
    tFunction(tDynLibBinding& a_rOwner, const char* a_pName) : tEntry(a_rOwner, a_pName) {}

    tFn get() const { return reinterpret_cast<tFn>(m_pAddress); }
    // Calls the function, which must be bound.
    template <typename... tArgs>
    auto operator()(tArgs... a_Args) const {
        return get()(a_Args...);
    }
    // Calls the function, or answers a_Unbound without calling anything when it is not
    // bound.
    template <typename... tArgs>
    int32_t callOr(int32_t a_Unbound, tArgs... a_Args) const {
        return isBound() ? get()(a_Args...) : a_Unbound;
    }
};

}  // namespace QX_NS
