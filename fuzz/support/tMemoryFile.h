// tMemoryFile: an anonymous in-memory file that a fuzz target refills with each input and
// hands to the code under test by path, as a description file would be.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace qxfuzz {

class tMemoryFile {
public:
    explicit tMemoryFile(const char* a_pName)
        : m_Fd(::memfd_create(a_pName, 0)), m_Path("/proc/self/fd/" + std::to_string(m_Fd)) {}
    ~tMemoryFile() {
        if (m_Fd >= 0)
            ::close(m_Fd);
    }
    tMemoryFile(const tMemoryFile&) = delete;
    tMemoryFile& operator=(const tMemoryFile&) = delete;

    const std::string& path() const { return m_Path; }

    // Replaces the content with the a_Size bytes at a_pData; false when that failed.
    bool fill(const uint8_t* a_pData, size_t a_Size) {
        if (m_Fd < 0 || ::ftruncate(m_Fd, 0) != 0)
            return false;
        size_t l_Done = 0;
        while (l_Done < a_Size) {
            const ssize_t l_Written =
                ::pwrite(m_Fd, a_pData + l_Done, a_Size - l_Done, off_t(l_Done));
            if (l_Written <= 0)
                return false;
            l_Done += size_t(l_Written);
        }
        return true;
    }

private:
    int m_Fd;
    std::string m_Path;
};

}  // namespace qxfuzz
