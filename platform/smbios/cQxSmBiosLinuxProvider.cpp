#include "platform/smbios/cQxSmBiosLinuxProvider.h"

#include <cstdio>

namespace QX_NS {

cQxSmBiosLinuxProvider::cQxSmBiosLinuxProvider(const char* a_pDumpPath)
    : m_DumpPath(a_pDumpPath != nullptr ? a_pDumpPath : kDefaultDumpPath) {}

cQxSmBiosLinuxProvider::~cQxSmBiosLinuxProvider() = default;

void cQxSmBiosLinuxProvider::load(tStatusRecord* a_pStatus) {
    if (a_pStatus->isError() || isLoaded())
        return;
    std::FILE* l_pFile = std::fopen(m_DumpPath.c_str(), "rb");
    if (l_pFile == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusSmBiosUnavailable);
        return;
    }
    readDump(l_pFile, a_pStatus);
    std::fclose(l_pFile);
}

}  // namespace QX_NS
