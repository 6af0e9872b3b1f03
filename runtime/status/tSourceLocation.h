// The place that goes with a code set into a tJsonStatus.
#pragma once

#include <cstdint>

#include "runtime/qxns.h"

namespace QX_NS {

struct tSourceLocation {
    const char* file;
    uint32_t line;
    const char* component;      // may be null: no "component" member
    const char* errorConstant;  // may be null: no "error_constant" member
};

}  // namespace QX_NS

// A location at this line of this file, in this library, with the given error constant.
#define QX_LOCATION(constant) \
    ::QX_NS::tSourceLocation { __FILE__, static_cast<uint32_t>(__LINE__), QX_COMPONENT, (constant) }
