#include "config/inifile/cIniFile.h"

#include <sys/stat.h>

#include <cstdio>
#include <new>

#include "config/inifile/tIniConversions.h"
#include "config/inifile/tIniDocument.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

constexpr int kSaveAttempts = 5;

// Runs an operation so that no exception leaves it: memory exhaustion becomes
// a_OutOfMemory, anything else an internal fault.
template <typename tFunction>
void firewall(tStatusRecord* a_pStatus, int32_t a_OutOfMemory, tFunction a_Work) {
    try {
        a_Work();
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, a_OutOfMemory);
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
    }
}

bool sameTime(const timespec& a_rA, const timespec& a_rB) {
    return a_rA.tv_sec == a_rB.tv_sec && a_rA.tv_nsec == a_rB.tv_nsec;
}

}  // namespace

cIniFile::cIniFile() : m_ReadOnly(0), m_VerifySave(0) {}

cIniFile::~cIniFile() {}

bool cIniFile::canRead(tStatusRecord* a_pStatus) const {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return false;
    if (m_pDocument == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniNotOpen);
        return false;
    }
    return true;
}

bool cIniFile::canWrite(tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return false;
    if (m_ReadOnly != 0) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniReadOnly);
        return false;
    }
    return true;
}

void cIniFile::open(const char* a_pPath, uint32_t a_Flags, tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    if (a_pPath == nullptr || *a_pPath == '\0') {
        QX_SET_STATUS_P(a_pStatus, kStatusEmptyPath);
        return;
    }
    close();
    firewall(a_pStatus, qxapalerr_memoryFull, [&] {
        m_Path = a_pPath;
        m_pDocument.reset(new (std::nothrow) tIniDocument());
        if (m_pDocument == nullptr) {
            QX_SET_STATUS_P(a_pStatus, kStatusIniCreateFailed);
            return;
        }
        m_pDocument->applyOpenSettings();
        m_ReadOnly = (a_Flags & kOpenReadOnly) != 0 ? 1 : 0;
        // A path longer than the document holds is refused by the load rather than cut,
        // so that no other file is ever opened in its place.
        if (m_pDocument->load(a_pPath) != kIniOk) {
            QX_SET_STATUS_P(a_pStatus, kStatusFileAccessFailed);
        }
    });
}

void cIniFile::getPath(std::string& a_rPath, tStatusRecord* a_pStatus) const {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    firewall(a_pStatus, qxapalerr_memoryFull, [&] { a_rPath = m_Path; });
}

void cIniFile::close() {
    m_pDocument.reset();
}

void cIniFile::save(tStatusRecord* a_pStatus) {
    if (!canRead(a_pStatus))
        return;
    firewall(a_pStatus, kStatusIniWriteFailed, [&] {
        const timespec l_Before = m_pDocument->m_FileTime;
        for (int l_Attempt = 0; l_Attempt < kSaveAttempts; ++l_Attempt) {
            if (m_pDocument->save(m_Path.c_str()) != kIniOk) {
                QX_SET_STATUS_P(a_pStatus, kStatusIniWriteFailed);
                return;
            }
            if (m_VerifySave == 0 || !sameTime(m_pDocument->m_FileTime, l_Before))
                return;
        }
        // The file's time stamp never moved: the save cannot be shown to have happened.
        QX_SET_STATUS_P(a_pStatus, kStatusIniWriteFailed);
    });
}

void cIniFile::reset(tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    close();
    m_pDocument.reset(new (std::nothrow) tIniDocument());
    if (m_pDocument == nullptr)
        QX_SET_STATUS_P(a_pStatus, kStatusIniCreateFailed);
}

void cIniFile::getSectionNames(std::vector<std::string>& a_rNames, tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return;
    firewall(a_pStatus, qxapalerr_memoryFull, [&] {
        for (const tIniSection& l_rSection : m_pDocument->m_Sections) {
            a_rNames.push_back(l_rSection.name);
        }
    });
}

bool cIniFile::hasSection(const char* a_pSection, tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return false;
    return m_pDocument->findSection(a_pSection) != nullptr;
}

bool cIniFile::hasKey(const char* a_pSection, const char* a_pKey, tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return false;
    return m_pDocument->findKey(a_pSection, a_pKey) != nullptr;
}

void cIniFile::removeKey(const char* a_pSection, const char* a_pKey, tStatusRecord* a_pStatus) {
    if (!canWrite(a_pStatus))
        return;
    if (!m_pDocument->removeKey(a_pSection, a_pKey)) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniKeyNotFound);
    }
}

void cIniFile::removeSection(const char* a_pSection, tStatusRecord* a_pStatus) {
    if (!canWrite(a_pStatus))
        return;
    if (!m_pDocument->removeSection(a_pSection)) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniSectionNotFound);
    }
}

void cIniFile::renameSection(const char* a_pSection, const char* a_pNewName,
                             tStatusRecord* a_pStatus) {
    if (!canWrite(a_pStatus))
        return;
    bool l_Found = false;
    const int32_t l_Result = m_pDocument->renameSection(a_pSection, a_pNewName, l_Found);
    if (!l_Found || l_Result == kIniOutOfMemory) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniSectionNotFound);
    } else if (l_Result != kIniOk) {
        // A section without a name could never be written back as a header.
        QX_SET_STATUS_P(a_pStatus, kStatusIniWriteFailed);
    }
}

void cIniFile::getString(const char* a_pSection, const char* a_pKey, std::string& a_rValue,
                         tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return;
    const tIniKey* l_pKey = m_pDocument->findKey(a_pSection, a_pKey);
    if (l_pKey == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniKeyNotFound);
        return;
    }
    firewall(a_pStatus, qxapalerr_memoryFull, [&] { a_rValue = l_pKey->value; });
}

void cIniFile::storeValue(const char* a_pSection, const char* a_pKey, const char* a_pValue,
                          bool a_Quoted, tStatusRecord* a_pStatus) {
    if (m_pDocument->setValue(a_pSection, a_pKey, a_pValue, a_Quoted ? '"' : 0) != kIniOk) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniWriteFailed);
    }
}

void cIniFile::setString(const char* a_pSection, const char* a_pKey, const char* a_pText,
                         tStatusRecord* a_pStatus) {
    if (!canWrite(a_pStatus))
        return;
    firewall(a_pStatus, kStatusIniWriteFailed, [&] {
        std::string l_Escaped;
        escapeValue(a_pText, l_Escaped);
        storeValue(a_pSection, a_pKey, l_Escaped.c_str(), true, a_pStatus);
    });
}

void cIniFile::getHex(const char* a_pSection, const char* a_pKey, uint32_t& a_rValue,
                      tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return;
    const tIniKey* l_pKey = m_pDocument->findKey(a_pSection, a_pKey);
    if (l_pKey == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniKeyNotFound);
        return;
    }
    const std::string& l_rValue = l_pKey->value;
    if (parseHex32(l_rValue.data(), l_rValue.data() + l_rValue.size(), a_rValue) != kIniOk) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniItemInvalid);
    }
}

void cIniFile::setHex(const char* a_pSection, const char* a_pKey, uint32_t a_Value,
                      tStatusRecord* a_pStatus) {
    char l_Text[16];
    std::snprintf(l_Text, sizeof(l_Text), "%#x", a_Value);
    setString(a_pSection, a_pKey, l_Text, a_pStatus);
}

void cIniFile::getInt(const char* a_pSection, const char* a_pKey, int32_t& a_rValue,
                      tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return;
    const tIniKey* l_pKey = m_pDocument->findKey(a_pSection, a_pKey);
    if (l_pKey == nullptr || isBlank(l_pKey->value)) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniKeyNotFound);
        return;
    }
    if (parseInt32(l_pKey->value, a_rValue) != kIniOk) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniValueInvalid);
    }
}

void cIniFile::setInt(const char* a_pSection, const char* a_pKey, int32_t a_Value,
                      tStatusRecord* a_pStatus) {
    if (!canWrite(a_pStatus))
        return;
    char l_Text[16];
    std::snprintf(l_Text, sizeof(l_Text), "%d", a_Value);
    storeValue(a_pSection, a_pKey, l_Text, false, a_pStatus);
}

void cIniFile::getUInt(const char* a_pSection, const char* a_pKey, uint32_t& a_rValue,
                       tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return;
    const tIniKey* l_pKey = m_pDocument->findKey(a_pSection, a_pKey);
    if (l_pKey == nullptr || isBlank(l_pKey->value)) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniKeyNotFound);
        return;
    }
    if (parseUInt32(l_pKey->value, a_rValue) != kIniOk) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniValueInvalid);
    }
}

void cIniFile::setUInt(const char* a_pSection, const char* a_pKey, uint32_t a_Value,
                       tStatusRecord* a_pStatus) {
    if (!canWrite(a_pStatus))
        return;
    char l_Text[16];
    std::snprintf(l_Text, sizeof(l_Text), "%u", a_Value);
    storeValue(a_pSection, a_pKey, l_Text, false, a_pStatus);
}

void cIniFile::getIntList(const char* a_pSection, const char* a_pKey,
                          std::vector<int32_t>& a_rValues, tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return;
    const tIniKey* l_pKey = m_pDocument->findKey(a_pSection, a_pKey);
    if (l_pKey == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniKeyNotFound);
        return;
    }
    firewall(a_pStatus, qxapalerr_memoryFull, [&] {
        forEachListItem(l_pKey->value, [&](const char* a_pBegin, const char* a_pEnd) {
            int32_t l_Item = 0;
            if (parseListInt(a_pBegin, a_pEnd, l_Item) != kIniOk) {
                QX_SET_STATUS_P(a_pStatus, kStatusIniItemInvalid);
                return false;
            }
            a_rValues.push_back(l_Item);
            return true;
        });
    });
}

void cIniFile::setIntList(const char* a_pSection, const char* a_pKey,
                          const std::vector<int32_t>& a_rValues, tStatusRecord* a_pStatus) {
    if (!canWrite(a_pStatus))
        return;
    firewall(a_pStatus, kStatusIniWriteFailed, [&] {
        std::string l_Text;
        for (size_t i = 0; i < a_rValues.size(); ++i) {
            char l_Item[16];
            std::snprintf(l_Item, sizeof(l_Item), i == 0 ? "%d" : ",%d", a_rValues[i]);
            l_Text += l_Item;
        }
        setString(a_pSection, a_pKey, l_Text.c_str(), a_pStatus);
    });
}

void cIniFile::getStringList(const char* a_pSection, const char* a_pKey,
                             std::vector<std::string>& a_rValues, tStatusRecord* a_pStatus) const {
    if (!canRead(a_pStatus))
        return;
    const tIniKey* l_pKey = m_pDocument->findKey(a_pSection, a_pKey);
    if (l_pKey == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusIniKeyNotFound);
        return;
    }
    firewall(a_pStatus, qxapalerr_memoryFull, [&] { splitList(l_pKey->value, a_rValues); });
}

void cIniFile::setStringList(const char* a_pSection, const char* a_pKey,
                             const std::vector<std::string>& a_rValues, tStatusRecord* a_pStatus) {
    if (!canWrite(a_pStatus))
        return;
    firewall(a_pStatus, kStatusIniWriteFailed, [&] {
        std::string l_Text;
        for (size_t i = 0; i < a_rValues.size(); ++i) {
            if (i != 0)
                l_Text += ',';
            l_Text += a_rValues[i];
        }
        setString(a_pSection, a_pKey, l_Text.c_str(), a_pStatus);
    });
}

bool cIniFile::isChangedOnDisk(tStatusRecord* a_pStatus) const {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return false;
    if (m_pDocument == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusNotInitialized);
        return false;
    }
    if (m_pDocument->m_FilePath.empty())
        return true;
    struct stat l_Stat;
    if (::stat(m_pDocument->m_FilePath.c_str(), &l_Stat) != 0)
        return true;
    return !sameTime(l_Stat.st_mtim, m_pDocument->m_FileTime);
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
