#include "runtime/status/tStatusRecord.h"

#include <cstring>

namespace QX_NS {

void tStatusRecord::initialise() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    size = kFullSize;
}

void tStatusRecord::copyComponent(char (&a_rDest)[kComponentSize], const char* a_pSource) {
    std::memset(a_rDest, 0, kComponentSize);
    if (a_pSource != nullptr) {
        const size_t l_Length = strnlen(a_pSource, kComponentSize);
        std::memcpy(a_rDest, a_pSource, l_Length);
    }
    a_rDest[kComponentSize - 1] = '\0';
}

void tStatusRecord::copyFile(char (&a_rDest)[kFileSize], const char* a_pSource) {
    std::memset(a_rDest, 0, kFileSize);
    if (a_pSource == nullptr)
        return;
    const size_t l_Length = std::strlen(a_pSource);
    if (l_Length <= kFileSize - 1) {
        std::memcpy(a_rDest, a_pSource, l_Length);
        return;
    }
    // Too long: keep both ends, which name the tree and the file.
    std::memcpy(a_rDest, a_pSource, 49);
    a_rDest[49] = '.';
    a_rDest[50] = '.';
    std::memcpy(a_rDest + 51, a_pSource + l_Length - 49, 49);
    a_rDest[kFileSize - 1] = '\0';
}

bool tStatusRecord::set(int64_t a_Code, const char* a_pComponent, const char* a_pFile,
                        uint64_t a_Line) {
    if (!takesPrecedence(code, a_Code))
        return false;
    code = a_Code;
    if (isFullSize()) {
        copyComponent(component, a_pComponent);
        copyFile(file, a_pFile);
        line = a_Line;
        extension[0] = 0;
    }
    return true;
}

bool tStatusRecord::merge(const tStatusRecord& a_rOther) {
    const bool l_OtherFull = a_rOther.isFullSize();
    const bool l_Changed = set(a_rOther.code, l_OtherFull ? a_rOther.component : "",
                               l_OtherFull ? a_rOther.file : "", l_OtherFull ? a_rOther.line : 0);
    if (l_Changed && l_OtherFull && isFullSize()) {
        for (size_t i = 0; i < kExtensionSlots; ++i) {
            extension[i] = a_rOther.extension[i];
            if (a_rOther.extension[i] == 0)
                break;
        }
    }
    return l_Changed;
}

void tStatusRecord::clear() {
    code = 0;
    if (isFullSize()) {
        std::memset(component, 0, sizeof(component));
        std::memset(file, 0, sizeof(file));
        line = 0;
        extension[0] = 0;
    }
}

}  // namespace QX_NS
