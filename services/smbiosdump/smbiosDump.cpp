#include "services/smbiosdump/smbiosDump.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace nQxSim {

namespace {

std::runtime_error failure(const std::string& a_rPath, const char* a_pWhat, int a_Errno) {
    return std::runtime_error(a_rPath + ": " + a_pWhat + ": " + std::strerror(a_Errno));
}

void makeParents(const std::string& a_rPath) {
    for (size_t l_Slash = a_rPath.find('/', 1); l_Slash != std::string::npos;
         l_Slash = a_rPath.find('/', l_Slash + 1)) {
        const std::string l_Dir = a_rPath.substr(0, l_Slash);
        if (mkdir(l_Dir.c_str(), 0755) != 0 && errno != EEXIST) {
            throw failure(l_Dir, "cannot create the directory", errno);
        }
    }
}

}  // namespace

std::vector<uint8_t> smbiosDumpOf(const std::string& a_rHeader,
                                  const std::vector<uint8_t>& a_rTable) {
    if (a_rTable.size() > 0xFFFF) {
        throw std::runtime_error("the SMBIOS table is longer than 65535 bytes (" +
                                 std::to_string(a_rTable.size()) + ")");
    }
    if (a_rHeader.find('\0') != std::string::npos) {
        throw std::runtime_error("the dump's header text holds a NUL");
    }
    std::vector<uint8_t> l_Dump(a_rHeader.begin(), a_rHeader.end());
    l_Dump.push_back(0);
    l_Dump.push_back(static_cast<uint8_t>(a_rTable.size() & 0xFF));
    l_Dump.push_back(static_cast<uint8_t>(a_rTable.size() >> 8));
    l_Dump.insert(l_Dump.end(), a_rTable.begin(), a_rTable.end());
    return l_Dump;
}

void writeFileAtomically(const std::string& a_rPath, const std::vector<uint8_t>& a_rBytes,
                         bool a_MakeParents) {
    if (a_MakeParents) {
        makeParents(a_rPath);
    }
    std::string l_Temp = a_rPath + ".XXXXXX";
    const int l_Fd = mkstemp(&l_Temp[0]);
    if (l_Fd < 0) {
        throw failure(a_rPath, "cannot create a temporary file beside it", errno);
    }
    // Closes and removes the temporary file on every failure.
    auto l_Fail = [&](const char* a_pWhat) {
        const int l_Errno = errno;
        close(l_Fd);
        unlink(l_Temp.c_str());
        return failure(a_rPath, a_pWhat, l_Errno);
    };
    if (fchmod(l_Fd, 0644) != 0) {
        throw l_Fail("cannot set the mode");
    }
    size_t l_Written = 0;
    while (l_Written < a_rBytes.size()) {
        const ssize_t l_Now = write(l_Fd, a_rBytes.data() + l_Written, a_rBytes.size() - l_Written);
        if (l_Now < 0 && errno == EINTR) {
            continue;
        }
        if (l_Now <= 0) {
            throw l_Fail("cannot be written");
        }
        l_Written += static_cast<size_t>(l_Now);
    }
    if (fsync(l_Fd) != 0) {
        throw l_Fail("cannot be flushed");
    }
    if (close(l_Fd) != 0) {
        const int l_Errno = errno;
        unlink(l_Temp.c_str());
        throw failure(a_rPath, "cannot be written", l_Errno);
    }
    if (rename(l_Temp.c_str(), a_rPath.c_str()) != 0) {
        const int l_Errno = errno;
        unlink(l_Temp.c_str());
        throw failure(a_rPath, "cannot be replaced", l_Errno);
    }
}

}  // namespace nQxSim
