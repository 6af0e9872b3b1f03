// iTraceDestination: where trace output goes. The slot order of the operations is fixed;
// the unnamed ones are kept for that order and have no effect in this system.
#pragma once

#include <cstddef>

#include "runtime/qxns.h"

namespace QX_NS {

class iTraceDestination {
public:
    virtual ~iTraceDestination() = default;
    virtual void writeText(const char* a_pText) = 0;
    virtual void writeBytes(const char* a_pData, size_t a_Length) = 0;
    virtual void reservedSlot3() = 0;
    // Copies the description, cut to a_Size - 1 characters; reports the size it needs.
    virtual void describe(char* a_pBuffer, size_t a_Size, size_t* a_pNeeded) = 0;
    virtual bool reservedSlot5() = 0;
    virtual void reservedSlot6() = 0;
    virtual const char* name() const = 0;
};

}  // namespace QX_NS
