#include "runtime/status/tJsonStatus.h"

#include <cstring>
#include <new>

#include "runtime/status/jsonz.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {
namespace {

constexpr size_t kMaxAppendRequest = 2147483645u;
constexpr int64_t kMinimumCapacity = 512;

}  // namespace

bool jsonStatusReallocate(tJsonStatus* a_pStatus, int64_t a_NewCapacity) {
    if (a_pStatus == nullptr)
        return false;
    if (a_NewCapacity == 0) {
        delete[] a_pStatus->json;
        a_pStatus->json = nullptr;
        a_pStatus->capacity = 0;
        return true;
    }
    if (a_NewCapacity < 0)
        return false;
    if (a_NewCapacity <= static_cast<int64_t>(a_pStatus->capacity))
        return true;
    int64_t l_Size = kMinimumCapacity;
    while (l_Size < a_NewCapacity)
        l_Size *= 2;
    if (l_Size > static_cast<int64_t>(UINT32_MAX))
        return false;

    char* l_pBuffer = new (std::nothrow) char[static_cast<size_t>(l_Size)];
    if (l_pBuffer == nullptr)
        return false;
    const char* l_pOld = a_pStatus->json != nullptr ? a_pStatus->json : "{}";
    if (jsonz::initialise(l_pBuffer, static_cast<size_t>(l_Size), l_pOld) == nullptr) {
        jsonz::initialise(l_pBuffer, static_cast<size_t>(l_Size), "{}");
    }
    delete[] a_pStatus->json;
    a_pStatus->json = l_pBuffer;
    a_pStatus->capacity = static_cast<uint32_t>(l_Size);
    return true;
}

tJsonStatus::tJsonStatus()
    : code(0), capacity(0), reallocate(jsonStatusReallocate), json(nullptr) {}

tJsonStatus::~tJsonStatus() {
    release();
}

void tJsonStatus::release() {
    if (json == nullptr)
        return;
    if (reallocate == nullptr || !reallocate(this, 0)) {
        delete[] json;
        json = nullptr;
        capacity = 0;
    }
}

bool tJsonStatus::setCode(int32_t a_Code) {
    if (!tStatusRecord::takesPrecedence(code, a_Code))
        return false;
    code = a_Code;
    // The text always describes the code held, never an earlier one.
    if (json != nullptr)
        jsonz::initialise(json, capacity, "{}");
    return true;
}

namespace {

bool setLocated(tJsonStatus& a_rStatus, int32_t a_Code, const tSourceLocation& a_rLocation,
                bool a_WithConstant, bool* a_pComplete) {
    if (a_pComplete != nullptr)
        *a_pComplete = true;
    if (!a_rStatus.setCode(a_Code))
        return false;
    const jsonz::tWriter l_Writer = jsonz::writerFor(&a_rStatus);
    char* l_pPoint = a_rStatus.appendPoint(0);
    if (a_WithConstant && a_rLocation.errorConstant != nullptr) {
        l_pPoint =
            jsonz::addString(l_Writer, l_pPoint, "error_constant", a_rLocation.errorConstant);
    }
    l_pPoint = jsonz::addString(l_Writer, l_pPoint, "file",
                                a_rLocation.file != nullptr ? a_rLocation.file : "");
    l_pPoint = jsonz::addSigned(l_Writer, l_pPoint, "line", static_cast<int32_t>(a_rLocation.line));
    if (a_rLocation.component != nullptr) {
        l_pPoint = jsonz::addString(l_Writer, l_pPoint, "component", a_rLocation.component);
    }
    if (a_pComplete != nullptr)
        *a_pComplete = l_pPoint != nullptr;
    return true;
}

}  // namespace

bool tJsonStatus::setWithLocation(int32_t a_Code, const tSourceLocation& a_rLocation,
                                  bool* a_pComplete) {
    return setLocated(*this, a_Code, a_rLocation, true, a_pComplete);
}

bool tJsonStatus::setWithLocationNoConstant(int32_t a_Code, const tSourceLocation& a_rLocation,
                                            bool* a_pComplete) {
    return setLocated(*this, a_Code, a_rLocation, false, a_pComplete);
}

void tJsonStatus::copyFrom(const tJsonStatus& a_rOther) {
    if (&a_rOther == this)
        return;
    if (a_rOther.json == nullptr) {
        release();
    } else {
        const size_t l_Length = std::strlen(a_rOther.json);
        if (appendPoint(l_Length) != nullptr) {
            jsonz::initialise(json, capacity, a_rOther.json);
        } else if (json != nullptr) {
            // No room for the text: keep none rather than one describing another code.
            jsonz::initialise(json, capacity, "{}");
        }
    }
    code = a_rOther.code;
}

void tJsonStatus::clear() {
    code = 0;
    if (json != nullptr)
        jsonz::initialise(json, capacity, "{}");
}

char* tJsonStatus::appendPoint(size_t a_Extra) {
    if (a_Extra > kMaxAppendRequest)
        return nullptr;
    if (reallocate == nullptr)
        return nullptr;
    if (!reallocate(this, static_cast<int64_t>(a_Extra) + 2) || json == nullptr)
        return nullptr;
    const size_t l_Length = std::strlen(json);
    if (l_Length == 0 || json[l_Length - 1] != '}')
        return nullptr;
    return json + l_Length - 1;
}

const char* tJsonStatus::text() const {
    return json != nullptr ? json : "";
}

}  // namespace QX_NS
