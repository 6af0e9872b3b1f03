// The embedded controller finder as a host sees it: loaded with dlopen, called through
// its six entry points.
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/qxTestSupport.h"

namespace ecftest {

using tOpenList = int32_t(uint32_t*, void**);
using tCloseList = void(void*);
using tGetNthItem = int32_t(void*, uint32_t, void**);
using tGetString = int32_t(void*, uint32_t, const char**);
using tGetU32 = int32_t(void*, uint32_t, uint32_t*);
using tGetIdselMap = int32_t(void*, const uint8_t**);

constexpr int32_t kInvalidParameter = -52005;

struct cFinder {
    qxtest::cHostLibrary lib{"libqxpxiecf.so"};
    tOpenList* openList = lib.require<tOpenList>("nQXPXIFINDER100_openList");
    tCloseList* closeList = lib.require<tCloseList>("nQXPXIFINDER100_closeList");
    tGetNthItem* getNthItem = lib.require<tGetNthItem>("nQXPXIFINDER100_getNthItem");
    tGetString* getString = lib.require<tGetString>("nQXPXIFINDER100_getStringAttribute");
    tGetU32* getU32 = lib.require<tGetU32>("nQXPXIFINDER100_getU32Attribute");
    tGetIdselMap* getIdselMap = lib.require<tGetIdselMap>("nQXPXIFINDER100_getControllerIDSELMap");

    // The text of a string attribute, or "<code>" when the query fails.
    std::string text(void* a_pItem, uint32_t a_Attribute) const {
        const char* l_pValue = nullptr;
        const int32_t l_Code = getString(a_pItem, a_Attribute, &l_pValue);
        return l_Code == 0 ? std::string(l_pValue) : "<" + std::to_string(l_Code) + ">";
    }
};

// The outcome of one openList.
struct tOpened {
    int32_t code;
    uint32_t count;
    void* list;
};

inline tOpened open(const cFinder& a_rFinder) {
    tOpened l_Result{0, 0xDEAD, reinterpret_cast<void*>(0x1)};
    l_Result.code = a_rFinder.openList(&l_Result.count, &l_Result.list);
    return l_Result;
}

}  // namespace ecftest
