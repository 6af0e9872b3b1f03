// cQxSmBiosLinuxProvider: the provider that reads the dump file written by the platform.
// The path is fixed for the libraries; tests may name another file.
#pragma once

#include <string>

#include "platform/smbios/cQxSmBiosProvider.h"

namespace QX_NS {

class cQxSmBiosLinuxProvider : public cQxSmBiosProvider {
public:
    static constexpr const char* kDefaultDumpPath = "/run/qxpxisv/smbios/smbiosdmp";

    explicit cQxSmBiosLinuxProvider(const char* a_pDumpPath = kDefaultDumpPath);
    ~cQxSmBiosLinuxProvider() override;

    void load(tStatusRecord* a_pStatus) override;

    const std::string& dumpPath() const { return m_DumpPath; }

private:
    std::string m_DumpPath;
};

}  // namespace QX_NS
