// Fixture support of the description tests: a temporary installation tree that the
// installation path table is pointed at, and small file helpers.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "tests/support/cPxiFilePathsTestAccess.h"

namespace hwdbtest {

// Description directories below a fresh temporary root, which the table's "libdir" and
// "datadir" point at while the object lives.
class cInstallTree {
public:
    cInstallTree() {
        char l_Template[] = "/tmp/qxhwdbXXXXXX";
        const char* l_pRoot = mkdtemp(l_Template);
        m_Root = l_pRoot != nullptr ? l_pRoot : "/nonexistent";
        QX_NS::cPxiFilePathsTestAccess::setDirectory("libdir", m_Root + "/lib");
        QX_NS::cPxiFilePathsTestAccess::setDirectory("datadir", m_Root + "/share");
    }
    ~cInstallTree() {
        const std::string l_Command = "rm -rf '" + m_Root + "'";
        if (std::system(l_Command.c_str()) != 0)
            ADD_FAILURE() << l_Command;
    }
    cInstallTree(const cInstallTree&) = delete;
    cInstallTree& operator=(const cInstallTree&) = delete;

    const std::string& root() const { return m_Root; }
    std::string controllers() const {
        return m_Root + "/share/qxpxi/hardware_descriptions/controllers";
    }
    std::string chassisDrivers() const { return m_Root + "/lib/qxpxihw/pxiechassis"; }
    std::string systemModules() const { return m_Root + "/lib/qxpxihw/pxiesysmodules"; }
    std::string chassis() const { return m_Root + "/share/pxisa/chassis"; }

    // Writes a file, creating its directory; returns its path.
    std::string write(const std::string& a_rDir, const std::string& a_rName,
                      const std::string& a_rText) const {
        makeDirs(a_rDir);
        const std::string l_Path = a_rDir + "/" + a_rName;
        std::ofstream(l_Path, std::ios::binary) << a_rText;
        return l_Path;
    }
    static void makeDirs(const std::string& a_rDir) {
        for (size_t l_Slash = a_rDir.find('/', 1);; l_Slash = a_rDir.find('/', l_Slash + 1)) {
            mkdir(a_rDir.substr(0, l_Slash).c_str(), 0755);
            if (l_Slash == std::string::npos)
                break;
        }
    }
    // Sets a directory's modification time, so that tests need not wait for the clock.
    static void setTime(const std::string& a_rDir, time_t a_Time) {
        struct timespec l_Times[2] = {{a_Time, 0}, {a_Time, 0}};
        if (utimensat(AT_FDCWD, a_rDir.c_str(), l_Times, 0) != 0)
            ADD_FAILURE() << a_rDir;
    }

private:
    std::string m_Root;
};

}  // namespace hwdbtest
