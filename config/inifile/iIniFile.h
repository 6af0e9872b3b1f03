// iIniFile: the abstract access to one INI file. Every description class of the hardware
// database derives from it (through cIniFile and iPxiDeviceIni), so the order of the
// virtual operations below is part of the contract and must not change.
//
// Every operation that takes a status record does nothing when the record already holds
// an error on entry. Operations that need a loaded document report kStatusIniNotOpen when
// there is none; setters and removers on a read-only document report kStatusIniReadOnly.
// A null status pointer makes an operation do nothing. No exception leaves any operation.
// An object is used by one thread at a time; callers lock around shared objects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

class iIniFile {
public:
    // Bit 0 of the flags of open: the document may be read but not changed.
    static constexpr uint32_t kOpenReadOnly = 0x1;

    virtual ~iIniFile() {}

    // Closes whatever was open, then loads the file at the path. A null or empty path
    // reports kStatusEmptyPath; a file that cannot be loaded reports
    // kStatusFileAccessFailed and leaves an empty document open.
    virtual void open(const char* a_pPath, uint32_t a_Flags, tStatusRecord* a_pStatus) = 0;
    virtual void getPath(std::string& a_rPath, tStatusRecord* a_pStatus) const = 0;
    // Discards the document without saving.
    virtual void close() = 0;
    // Writes the document to the stored path (does not consult the read-only flag).
    virtual void save(tStatusRecord* a_pStatus) = 0;
    // Replaces the document by an empty one with the engine defaults.
    virtual void reset(tStatusRecord* a_pStatus) = 0;

    // Appends every section name, in order.
    virtual void getSectionNames(std::vector<std::string>& a_rNames,
                                 tStatusRecord* a_pStatus) const = 0;
    virtual bool hasSection(const char* a_pSection, tStatusRecord* a_pStatus) const = 0;
    virtual bool hasKey(const char* a_pSection, const char* a_pKey,
                        tStatusRecord* a_pStatus) const = 0;
    virtual void removeKey(const char* a_pSection, const char* a_pKey,
                           tStatusRecord* a_pStatus) = 0;
    virtual void removeSection(const char* a_pSection, tStatusRecord* a_pStatus) = 0;
    virtual void renameSection(const char* a_pSection, const char* a_pNewName,
                               tStatusRecord* a_pStatus) = 0;

    virtual void getString(const char* a_pSection, const char* a_pKey, std::string& a_rValue,
                           tStatusRecord* a_pStatus) const = 0;
    // Stores the value escaped and between double quotes. A null text is the empty string.
    virtual void setString(const char* a_pSection, const char* a_pKey, const char* a_pText,
                           tStatusRecord* a_pStatus) = 0;
    virtual void getHex(const char* a_pSection, const char* a_pKey, uint32_t& a_rValue,
                        tStatusRecord* a_pStatus) const = 0;
    virtual void setHex(const char* a_pSection, const char* a_pKey, uint32_t a_Value,
                        tStatusRecord* a_pStatus) = 0;
    virtual void getInt(const char* a_pSection, const char* a_pKey, int32_t& a_rValue,
                        tStatusRecord* a_pStatus) const = 0;
    virtual void setInt(const char* a_pSection, const char* a_pKey, int32_t a_Value,
                        tStatusRecord* a_pStatus) = 0;
    virtual void getUInt(const char* a_pSection, const char* a_pKey, uint32_t& a_rValue,
                         tStatusRecord* a_pStatus) const = 0;
    virtual void setUInt(const char* a_pSection, const char* a_pKey, uint32_t a_Value,
                         tStatusRecord* a_pStatus) = 0;
    // List getters append to the caller's list; items before a bad one stay appended.
    virtual void getIntList(const char* a_pSection, const char* a_pKey,
                            std::vector<int32_t>& a_rValues, tStatusRecord* a_pStatus) const = 0;
    virtual void setIntList(const char* a_pSection, const char* a_pKey,
                            const std::vector<int32_t>& a_rValues, tStatusRecord* a_pStatus) = 0;
    virtual void getStringList(const char* a_pSection, const char* a_pKey,
                               std::vector<std::string>& a_rValues,
                               tStatusRecord* a_pStatus) const = 0;
    virtual void setStringList(const char* a_pSection, const char* a_pKey,
                               const std::vector<std::string>& a_rValues,
                               tStatusRecord* a_pStatus) = 0;

    // True when the file changed since it was loaded or saved, or cannot be examined.
    virtual bool isChangedOnDisk(tStatusRecord* a_pStatus) const = 0;
    virtual bool getVerifySave() const = 0;
    virtual void setVerifySave(bool a_Verify) = 0;
};

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
