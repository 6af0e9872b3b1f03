// tJsonStatus: a status code that carries a JSON text describing it. Used by the PCI
// bridge and controller driver wrappers, the library loader, the installation paths
// and qxerr::Exception. Lives on one thread's stack or inside an exception; no lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/qxns.h"
#include "runtime/status/qxStatusCodes.h"
#include "runtime/status/tSourceLocation.h"

namespace QX_NS {

struct tJsonStatus;

// Grows the buffer to at least the requested capacity, or frees it for 0.
using tJsonReallocate = bool (*)(tJsonStatus* a_pStatus, int64_t a_NewCapacity);

struct tJsonStatus {
    int32_t code;
    uint32_t capacity;
    tJsonReallocate reallocate;
    char* json;

    tJsonStatus();
    ~tJsonStatus();
    tJsonStatus(const tJsonStatus&) = delete;
    tJsonStatus& operator=(const tJsonStatus&) = delete;

    bool isError() const { return code < 0; }

    // Offers a code (same precedence as tStatusRecord); a change resets the text to "{}".
    bool setCode(int32_t a_Code);
    // Offers a code and, when it changed the status, writes "error_constant", "file",
    // "line" and "component". a_pComplete, when given, says whether all text was written.
    bool setWithLocation(int32_t a_Code, const tSourceLocation& a_rLocation,
                         bool* a_pComplete = nullptr);
    // The same without "error_constant".
    bool setWithLocationNoConstant(int32_t a_Code, const tSourceLocation& a_rLocation,
                                   bool* a_pComplete = nullptr);
    // Copies the other status's text, then its code.
    void copyFrom(const tJsonStatus& a_rOther);
    // Code 0 and text "{}" (the buffer is kept).
    void clear();
    // Makes room for a_Extra more bytes (plus 2) and returns where new top-level members
    // can be inserted; null when that cannot be done.
    char* appendPoint(size_t a_Extra);
    // The JSON text, or "" when there is none.
    const char* text() const;
    // Frees the buffer.
    void release();
};

// The standard reallocate function (minimum 512 bytes, then powers of two).
bool jsonStatusReallocate(tJsonStatus* a_pStatus, int64_t a_NewCapacity);

}  // namespace QX_NS
