#include "runtime/process/qxAllocate.h"

#include <new>

namespace QX_NS {

void* allocateArray(size_t a_Size, tStatusRecord* a_pStatus) {
    if (a_pStatus != nullptr && a_pStatus->isError())
        return nullptr;
    void* l_pMemory = new (std::nothrow) char[a_Size];
    if (l_pMemory == nullptr && a_pStatus != nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
    return l_pMemory;
}

void* allocateObject(size_t a_Size, tStatusRecord* a_pStatus) {
    if (a_pStatus != nullptr && a_pStatus->isError())
        return nullptr;
    void* l_pMemory = ::operator new(a_Size, std::nothrow);
    if (l_pMemory == nullptr && a_pStatus != nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
    return l_pMemory;
}

void releaseArray(void* a_pPointer) {
    delete[] static_cast<char*>(a_pPointer);
}

void releaseObject(void* a_pPointer) {
    ::operator delete(a_pPointer, std::nothrow);
}

}  // namespace QX_NS
