// Allocation that reports exhaustion through a status record instead of an exception.
#pragma once

#include <cstddef>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// Null at once when the status holds an error; null and -52000 when no memory is left.
void* allocateArray(size_t a_Size, tStatusRecord* a_pStatus);
void* allocateObject(size_t a_Size, tStatusRecord* a_pStatus);
void releaseArray(void* a_pPointer);
void releaseObject(void* a_pPointer);

}  // namespace QX_NS
