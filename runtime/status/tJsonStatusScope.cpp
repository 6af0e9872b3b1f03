#include "runtime/status/tJsonStatusScope.h"

#include <cstdio>
#include <cstring>

#include "runtime/status/jsonz.h"

namespace QX_NS {
namespace {

// Raw characters read for the component: enough for 9 characters even when all are escaped.
constexpr size_t kComponentRawLimit = 6 * (tStatusRecord::kComponentSize - 1);
constexpr size_t kFileRawLimit = tStatusRecord::kFileSize - 1;

}  // namespace

void mergeJsonIntoRecord(const tJsonStatus& a_rSource, tStatusRecord* a_pTarget) {
    if (a_pTarget == nullptr || a_rSource.code == 0 || a_pTarget->isError())
        return;
    const char* l_pText = a_rSource.text();

    size_t l_Count = 0;
    const char* l_pRaw = jsonz::readString(jsonz::findMember(l_pText, "component"), "", &l_Count);
    char l_Component[kComponentRawLimit + 1];
    jsonz::unescape(l_pRaw, l_Count < kComponentRawLimit ? l_Count : kComponentRawLimit,
                    l_Component);

    l_pRaw = jsonz::readString(jsonz::findMember(l_pText, "file"), "", &l_Count);
    if (l_Count > kFileRawLimit) {
        // Keep the tail, which names the file; never start it inside an escape.
        size_t l_Drop = l_Count - kFileRawLimit;
        while (l_Drop < l_Count && l_pRaw[l_Drop] == '\\')
            ++l_Drop;
        l_pRaw += l_Drop;
        l_Count -= l_Drop;
    }
    char l_File[kFileRawLimit + 1];
    jsonz::unescape(l_pRaw, l_Count, l_File);

    const int64_t l_Line = jsonz::readInteger(jsonz::findMember(l_pText, "line"), 0);
    a_pTarget->set(a_rSource.code, l_Component, l_File,
                   l_Line < 0 ? 0 : static_cast<uint64_t>(l_Line));
}

tJsonStatusScope::~tJsonStatusScope() {
    flush();
}

void tJsonStatusScope::flush() {
    mergeJsonIntoRecord(m_Status, m_pTarget);
    m_Status.release();
    m_Status.code = 0;
}

void mergeRecordIntoJson(const tStatusRecord& a_rSource, tJsonStatus* a_pTarget) {
    if (a_pTarget == nullptr || a_rSource.code == 0)
        return;
    if (!a_pTarget->setCode(static_cast<int32_t>(a_rSource.code)))
        return;
    if (!a_rSource.isFullSize())
        return;
    const jsonz::tWriter l_Writer = jsonz::writerFor(a_pTarget);
    char* l_pPoint = a_pTarget->appendPoint(0);
    if (a_rSource.file[0] != '\0') {
        // The record's fields are always NUL-terminated within their size.
        char l_File[tStatusRecord::kFileSize];
        std::memcpy(l_File, a_rSource.file, sizeof l_File);
        l_File[sizeof l_File - 1] = '\0';
        l_pPoint = jsonz::addString(l_Writer, l_pPoint, "file", l_File);
        l_pPoint =
            jsonz::addUnsigned(l_Writer, l_pPoint, "line", static_cast<uint32_t>(a_rSource.line));
    }
    if (a_rSource.component[0] != '\0') {
        char l_Component[tStatusRecord::kComponentSize];
        std::memcpy(l_Component, a_rSource.component, sizeof l_Component);
        l_Component[sizeof l_Component - 1] = '\0';
        jsonz::addString(l_Writer, l_pPoint, "component", l_Component);
    }
}

tStatusRecordScope::~tStatusRecordScope() {
    mergeRecordIntoJson(m_Record, m_pTarget);
}

}  // namespace QX_NS
