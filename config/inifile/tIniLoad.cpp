// Loading a document from a file or from memory.
#include <errno.h>
#include <sys/stat.h>

#include <cstring>
#include <new>

#include "config/inifile/tIniDocument.h"
#include "config/inifile/tIniFileOps.h"
#include "config/inifile/tIniReader.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

// Length of a UTF-8 mark to skip, or -1 for a UTF-16 or UTF-32 mark.
int byteOrderMark(const unsigned char* a_pBytes, size_t a_Count) {
    if (a_Count >= 4 &&
        ((a_pBytes[0] == 0xFF && a_pBytes[1] == 0xFE && a_pBytes[2] == 0 && a_pBytes[3] == 0) ||
         (a_pBytes[0] == 0 && a_pBytes[1] == 0 && a_pBytes[2] == 0xFE && a_pBytes[3] == 0xFF))) {
        return -1;
    }
    if (a_Count >= 2 && ((a_pBytes[0] == 0xFF && a_pBytes[1] == 0xFE) ||
                         (a_pBytes[0] == 0xFE && a_pBytes[1] == 0xFF))) {
        return -1;
    }
    if (a_Count >= 3 && a_pBytes[0] == 0xEF && a_pBytes[1] == 0xBB && a_pBytes[2] == 0xBF) {
        return 3;
    }
    return 0;
}

// Closes the file on every path out of load.
struct tFileCloser {
    FILE* m_pFile;
    ~tFileCloser() {
        if (m_pFile != nullptr)
            iniFileOps().closeFile(m_pFile);
    }
};

}  // namespace

int32_t tIniDocument::loadFromMemory(const char* a_pData, size_t a_Size) {
    clear();
    if (a_pData == nullptr)
        a_Size = 0;
    try {
        const int l_Mark = byteOrderMark(reinterpret_cast<const unsigned char*>(a_pData), a_Size);
        if (l_Mark < 0)
            return kIniUnsupportedEncoding;
        tIniReader l_Reader(*this);
        if (a_Size > 0)
            l_Reader.feed(a_pData + l_Mark, a_Size - static_cast<size_t>(l_Mark));
        l_Reader.finish();
        return kIniOk;
    } catch (const std::bad_alloc&) {
        clear();
        return kIniOutOfMemory;
    }
}

int32_t tIniDocument::load(const char* a_pPath) {
    if (a_pPath == nullptr || *a_pPath == '\0' || std::strlen(a_pPath) > kMaxPathLength) {
        return kIniInvalidPath;
    }
    // Only regular files and directories are opened: opening a FIFO would wait for a
    // writer, and a device such as /dev/zero would be read without end.
    struct stat l_Before;
    if (::stat(a_pPath, &l_Before) == 0 && !S_ISREG(l_Before.st_mode) && !S_ISDIR(l_Before.st_mode))
        return kIniOpenFailed;
    const tIniFileOps& l_rOps = iniFileOps();
    tFileCloser l_File = {l_rOps.openFile(a_pPath, "rbe")};
    if (l_File.m_pFile == nullptr) {
        struct stat l_Stat;
        return ::stat(a_pPath, &l_Stat) == 0 ? kIniOpenFailed : kIniInvalidPath;
    }
    struct stat l_Stat;
    if (::fstat(fileno(l_File.m_pFile), &l_Stat) != 0)
        return kIniReadError;
    // A directory opens for reading but yields a read error; say so at once. Anything else
    // that is not a regular file (it replaced the file after the check above) is refused too.
    if (!S_ISREG(l_Stat.st_mode))
        return kIniOpenFailed;

    clear();
    try {
        char l_Chunk[kReadChunkSize];
        size_t l_Count = l_rOps.readFile(l_Chunk, 1, 4, l_File.m_pFile);
        if (l_Count < 4 && !std::feof(l_File.m_pFile))
            return kIniReadError;
        const int l_Mark = byteOrderMark(reinterpret_cast<unsigned char*>(l_Chunk), l_Count);
        if (l_Mark < 0)
            return kIniUnsupportedEncoding;
        tIniReader l_Reader(*this);
        l_Reader.feed(l_Chunk + l_Mark, l_Count - static_cast<size_t>(l_Mark));
        // A short read is the end of the file or an error; only the end stops quietly.
        while (!std::feof(l_File.m_pFile)) {
            l_Count = l_rOps.readFile(l_Chunk, 1, sizeof(l_Chunk), l_File.m_pFile);
            if (l_Count < sizeof(l_Chunk) && !std::feof(l_File.m_pFile)) {
                clear();
                return kIniReadError;
            }
            l_Reader.feed(l_Chunk, l_Count);
        }
        l_Reader.finish();
        m_FilePath = a_pPath;
    } catch (const std::bad_alloc&) {
        clear();
        return kIniOutOfMemory;
    }
    m_FileTime = l_Stat.st_mtim;
    return kIniOk;
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
