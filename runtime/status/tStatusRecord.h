// tStatusRecord: the fixed-size status that record-based code passes by pointer through
// every call. Setting it never allocates. Used by one thread at a time (it lives on the
// caller's stack); needs no lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/qxns.h"
#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

struct tStatusRecord {
    static constexpr uint64_t kFullSize = 216;
    static constexpr size_t kComponentSize = 10;
    static constexpr size_t kFileSize = 101;
    static constexpr size_t kExtensionSlots = 10;

    uint64_t size;
    int64_t code;
    char component[kComponentSize];
    char file[kFileSize];
    uint64_t line;
    uint64_t extension[kExtensionSlots];

    tStatusRecord() { initialise(); }

    void initialise();

    // Offers a code with its raising place; returns whether the record changed. A first
    // warning or error is taken, an error replaces a warning, nothing else changes it.
    bool set(int64_t a_Code, const char* a_pComponent, const char* a_pFile, uint64_t a_Line);
    bool merge(const tStatusRecord& a_rOther);
    bool isError() const { return code < 0; }
    bool isWarning() const { return code > 0; }
    void clear();
    int32_t code32() const { return static_cast<int32_t>(code); }

    bool isFullSize() const { return size >= kFullSize; }

    // Precedence shared with tJsonStatus: would offering a_New over a_Old change it?
    static bool takesPrecedence(int64_t a_Old, int64_t a_New) {
        if (a_New == 0) return false;
        if (a_Old == 0) return true;
        return a_New < 0 && a_Old > 0;
    }

    // Field copies, also used when a JSON status is carried into a record.
    static void copyComponent(char (&a_rDest)[kComponentSize], const char* a_pSource);
    static void copyFile(char (&a_rDest)[kFileSize], const char* a_pSource);
};

static_assert(sizeof(tStatusRecord) == 216, "tStatusRecord must be 216 bytes");
static_assert(offsetof(tStatusRecord, line) == 128, "tStatusRecord layout");

}  // namespace QX_NS

// Records a code raised at this place, with this library's component name.
#define QX_SET_STATUS(rec, c) (rec).set((c), QX_COMPONENT, __FILE__, __LINE__)
#define QX_SET_STATUS_P(prec, c) (prec)->set((c), QX_COMPONENT, __FILE__, __LINE__)
