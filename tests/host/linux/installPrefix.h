// An installation prefix for the Linux relocation service (QXPXI_INSTALL_PREFIX), in a
// temporary directory, where tests put description files as a package installs them.
#pragma once

#include <string>

#include "tests/support/qxTestSupport.h"

namespace qxlinuxtest {

class cInstallPrefix {
public:
    cInstallPrefix() : m_Env("QXPXI_INSTALL_PREFIX", m_Dir.path()) {}
    void chassisDriver(const std::string& a_rFile, const std::string& a_rText) const {
        m_Dir.writeFile("lib/qxpxihw/pxiechassis/" + a_rFile, a_rText);
    }
    void systemModule(const std::string& a_rFile, const std::string& a_rText) const {
        m_Dir.writeFile("lib/qxpxihw/pxiesysmodules/" + a_rFile, a_rText);
    }
    void controller(const std::string& a_rFile, const std::string& a_rText) const {
        m_Dir.writeFile("share/qxpxi/hardware_descriptions/controllers/" + a_rFile, a_rText);
    }

private:
    qxtest::cTempDir m_Dir;
    qxtest::cScopedEnv m_Env;
};

}  // namespace qxlinuxtest
