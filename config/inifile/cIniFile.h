// cIniFile: iIniFile on top of one INI document (tIniDocument). It is the base class of
// every description class; those classes normally override open only (to force read-only
// and load their members) and read values through the getters.
//
// Thread-safety: an object is used by one thread at a time; the database that owns the
// description objects holds its lock around them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/inifile/iIniFile.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

class tIniDocument;

class cIniFile : public iIniFile {
public:
    cIniFile();
    ~cIniFile() override;
    cIniFile(const cIniFile&) = delete;
    cIniFile& operator=(const cIniFile&) = delete;

    void open(const char* a_pPath, uint32_t a_Flags, tStatusRecord* a_pStatus) override;
    void getPath(std::string& a_rPath, tStatusRecord* a_pStatus) const override;
    void close() override;
    void save(tStatusRecord* a_pStatus) override;
    void reset(tStatusRecord* a_pStatus) override;

    void getSectionNames(std::vector<std::string>& a_rNames,
                         tStatusRecord* a_pStatus) const override;
    bool hasSection(const char* a_pSection, tStatusRecord* a_pStatus) const override;
    bool hasKey(const char* a_pSection, const char* a_pKey,
                tStatusRecord* a_pStatus) const override;
    void removeKey(const char* a_pSection, const char* a_pKey, tStatusRecord* a_pStatus) override;
    void removeSection(const char* a_pSection, tStatusRecord* a_pStatus) override;
    void renameSection(const char* a_pSection, const char* a_pNewName,
                       tStatusRecord* a_pStatus) override;

    void getString(const char* a_pSection, const char* a_pKey, std::string& a_rValue,
                   tStatusRecord* a_pStatus) const override;
    void setString(const char* a_pSection, const char* a_pKey, const char* a_pText,
                   tStatusRecord* a_pStatus) override;
    void getHex(const char* a_pSection, const char* a_pKey, uint32_t& a_rValue,
                tStatusRecord* a_pStatus) const override;
    void setHex(const char* a_pSection, const char* a_pKey, uint32_t a_Value,
                tStatusRecord* a_pStatus) override;
    void getInt(const char* a_pSection, const char* a_pKey, int32_t& a_rValue,
                tStatusRecord* a_pStatus) const override;
    void setInt(const char* a_pSection, const char* a_pKey, int32_t a_Value,
                tStatusRecord* a_pStatus) override;
    void getUInt(const char* a_pSection, const char* a_pKey, uint32_t& a_rValue,
                 tStatusRecord* a_pStatus) const override;
    void setUInt(const char* a_pSection, const char* a_pKey, uint32_t a_Value,
                 tStatusRecord* a_pStatus) override;
    void getIntList(const char* a_pSection, const char* a_pKey, std::vector<int32_t>& a_rValues,
                    tStatusRecord* a_pStatus) const override;
    void setIntList(const char* a_pSection, const char* a_pKey,
                    const std::vector<int32_t>& a_rValues, tStatusRecord* a_pStatus) override;
    void getStringList(const char* a_pSection, const char* a_pKey,
                       std::vector<std::string>& a_rValues,
                       tStatusRecord* a_pStatus) const override;
    void setStringList(const char* a_pSection, const char* a_pKey,
                       const std::vector<std::string>& a_rValues,
                       tStatusRecord* a_pStatus) override;

    bool isChangedOnDisk(tStatusRecord* a_pStatus) const override;
    bool getVerifySave() const override { return m_VerifySave != 0; }
    void setVerifySave(bool a_Verify) override { m_VerifySave = a_Verify ? 1 : 0; }

    // Whether a document is open, and whether open was asked for read-only access.
    bool isOpen() const { return m_pDocument != nullptr; }
    bool isReadOnly() const { return m_ReadOnly != 0; }

protected:
    // The engine document, for white-box tests and tools; null while closed.
    tIniDocument* document() const { return m_pDocument.get(); }

private:
    // Common entry check: no error held, a status to write to, a document open.
    bool canRead(tStatusRecord* a_pStatus) const;
    bool canWrite(tStatusRecord* a_pStatus) const;
    void storeValue(const char* a_pSection, const char* a_pKey, const char* a_pValue, bool a_Quoted,
                    tStatusRecord* a_pStatus);

    std::string m_Path;
    std::unique_ptr<tIniDocument> m_pDocument;
    uint8_t m_ReadOnly;
    uint8_t m_VerifySave;
};

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
