// jsonz: the in-place JSON text writer and the small reader used to carry a
// tJsonStatus into a tStatusRecord. The writer edits a buffer laid out as
// text, NUL, zero bytes, and a final 'J' end marker; the free room is found from it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/qxns.h"

namespace QX_NS {

struct tJsonStatus;

namespace jsonz {

// Called when an insertion does not fit; returns the equivalent point in the grown
// buffer, or null.
using tGrowFn = char* (*)(void* a_pContext, char* a_pPoint);

struct tWriter {
    tGrowFn grow;
    void* context;
};

// A writer that grows the buffer of the given status.
tWriter writerFor(tJsonStatus* a_pStatus);

// Copies text into a buffer of the given size, clears the rest, writes the end marker;
// returns the position of the text's last character, or null when it does not fit.
char* initialise(char* a_pBuffer, size_t a_Size, const char* a_pText);

// Each returns the next insertion point, or null on failure.
char* addObject(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName);
char* addString(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName, const char* a_pText);
char* addUnsigned(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName, uint32_t a_Value);
char* addSigned(const tWriter& a_rWriter, char* a_pPoint, const char* a_pName, int32_t a_Value);
char* leaveObject(char* a_pPoint);

// Reader.
const char* findMember(const char* a_pText, const char* a_pName);
const char* readString(const char* a_pValue, const char* a_pDefault, size_t* a_pCount);
int64_t readInteger(const char* a_pValue, int64_t a_Default);
void unescape(const char* a_pRaw, size_t a_Count, char* a_pDestination);

}  // namespace jsonz
}  // namespace QX_NS
