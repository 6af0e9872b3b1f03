// cPxiFilePaths: the platform's installation directories (defaults, moved by the
// relocation service), the directory of each description kind, and the two file-system
// queries the description database needs.
//
// Thread safety: the directory table is built once per process on first use (a
// function-local static, so concurrent first calls build it once) and only read after
// that; the other operations keep no state. Any thread may call any operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

class cPxiFilePathsTestAccess;  // defined by white-box tests only

class cPxiFilePaths {
public:
    static constexpr size_t kEntryCount = 19;
    // Size of the buffer offered to the relocation service for one directory.
    static constexpr size_t kRelocationBufferSize = 255;

    // Copies the value of the installation directory a_pName ("libdir", "datadir", ...)
    // into a_rValue. The table's creation status is merged into a_rStatus first, so a
    // relocation failure is seen by every lookup. Unknown name: kStatusUnknownKey, output
    // untouched. Does nothing when a_rStatus already holds an error.
    static void getRelocatedDir(const char* a_pName, std::string& a_rValue, tJsonStatus& a_rStatus);

    // The directory of description kind a_Kind (2, 16, 256, 512, 768, 1024 or 2048),
    // ending in "/". Another kind: kStatusDbKindInvalid.
    static void getDescriptionDirectory(uint32_t a_Kind, std::string& a_rDirectory,
                                        tStatusRecord* a_pStatus);

    // Appends the paths matching the wildcard a_pPattern, sorted by name. No match: the
    // warning kStatusNoFilesMatched and nothing appended.
    static void findFiles(const char* a_pPattern, std::vector<std::string>& a_rFiles,
                          tStatusRecord* a_pStatus);

    // Modification and access time, in seconds, of a file or directory; either output
    // may be null, not both.
    static void getFileTimes(const char* a_pPath, time_t* a_pModified, time_t* a_pAccessed,
                             tStatusRecord* a_pStatus);

private:
    friend class cPxiFilePathsTestAccess;

    struct tEntry {
        const char* name;
        std::string value;
    };

    cPxiFilePaths();
    cPxiFilePaths(const cPxiFilePaths&) = delete;
    cPxiFilePaths& operator=(const cPxiFilePaths&) = delete;

    static cPxiFilePaths& instance();
    void applyRelocations();

    tEntry m_Entries[kEntryCount];
    tJsonStatus m_CreationStatus;
};

}  // namespace QX_NS
