#include "config/inifile/tIniFileOps.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

int makeTempCloseOnExec(char* a_pTemplate) {
    return ::mkostemp(a_pTemplate, O_CLOEXEC);
}

const tIniFileOps kDefaultOps = {
    &std::fopen, &::fdopen,    &std::fread,          &std::fwrite, &std::fflush,
    &::fsync,    &std::fclose, &makeTempCloseOnExec, &std::rename, &std::remove,
};

tIniFileOps g_Ops = kDefaultOps;

}  // namespace

tIniFileOps& iniFileOps() {
    return g_Ops;
}

const tIniFileOps& defaultIniFileOps() {
    return kDefaultOps;
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
