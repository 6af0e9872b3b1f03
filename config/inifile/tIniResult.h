// Results of the INI document engine. cIniFile maps them to status codes.
#pragma once

#include <cstdint>

#include "runtime/qxns.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

enum tIniResult : int32_t {
    kIniOk = 0,
    kIniLineLimitTooSmall = -2,
    kIniUnsupportedEncoding = -3,
    kIniEmptyName = -6,  // also: a name that could not be written back as itself
    kIniOutOfMemory = -12,
    kIniAccessDenied = -13,  // also: the rename of the temporary file failed
    kIniInvalidPath = -22,   // missing, empty or longer than the path field holds
    kIniWriteError = -28,    // write, flush, sync or close of the output failed
    kIniOpenFailed = -5001,  // the file exists but cannot be opened
    kIniReadError = -5002,
    kIniTempFileFailed = -5003,
    kIniOutputOpenFailed = -5004,
    kIniSignedInvalid = -5021,  // also: a split character of 128 or more
    kIniUnsignedInvalid = -5022,
};

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
