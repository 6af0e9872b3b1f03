// The status codes raised or tested anywhere in the libraries. 0 is success, negative
// values are errors, positive values are warnings. Each code's constant is made from the
// one list of the public status header (QXPXI_STATUS_LIST), which gives it its number
// (the QXPXI_STATUS_ define), its name (the constant's name here) and its meaning.
#pragma once

#include <cstdint>

#include "qxpxi/qxstatus.h"
#include "runtime/qxns.h"

namespace QX_NS {

constexpr int32_t kStatusSuccess = QXPXI_STATUS_SUCCESS;

#define QX_STATUS_CONSTANT(suffix, name, meaning) constexpr int32_t name = QXPXI_STATUS_##suffix;
QXPXI_STATUS_LIST(QX_STATUS_CONSTANT)
#undef QX_STATUS_CONSTANT

}  // namespace QX_NS
