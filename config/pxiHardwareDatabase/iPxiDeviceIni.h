// iPxiDeviceIni: the base of every description class of the hardware description
// database. A description is constructed empty, opened once with its file path (always
// read-only; opening parses the file and then loads the members through load), and only
// read from then on. The database owns the objects it hands out; as nothing changes them
// after loading, any thread may read them without a lock.
#pragma once

#include <cstdint>
#include <string>

#include "config/inifile/cIniFile.h"
#include "config/tPxiDeviceKind.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

class iPxiDeviceIni : public nQxPxiDriverTools_1_0::cIniFile {
public:
    ~iPxiDeviceIni() override {}

    // Opens the file with the read-only bit of a_Flags replaced by opensReadOnly(), then,
    // when that succeeded, calls load. Does nothing when a_pStatus holds an error.
    void open(const char* a_pPath, uint32_t a_Flags, tStatusRecord* a_pStatus) override;

    // The identity under which the database files the description: by default the members
    // that load filled; a class that reads it from the file on demand overrides both.
    virtual void getVendor(std::string& a_rVendor, tStatusRecord* a_pStatus) const;
    virtual void getModel(std::string& a_rModel, tStatusRecord* a_pStatus) const;
    // Reads the description's values into the object's members.
    virtual void load(tStatusRecord* a_pStatus) = 0;
    virtual bool opensReadOnly() const { return true; }

protected:
    // The sections of a system module description's style and identity.
    static constexpr const char* kModuleParamsSection = "ModuleParams";
    static constexpr const char* kModuleIdSection = "ModuleId";

    // The frame of a load that reads the file's values into members (a_rLoadMembers):
    // nothing when a_pStatus holds an error, and running out of memory while reading
    // records qxapalerr_memoryFull.
    template <typename tLoadMembers>
    static void loadGuarded(tStatusRecord* a_pStatus, tLoadMembers&& a_rLoadMembers) {
        if (a_pStatus == nullptr || a_pStatus->isError())
            return;
        try {
            a_rLoadMembers();
        } catch (...) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        }
    }
    // The start of a system module description's load: [ModuleParams] ModuleStyle must be
    // a_pStyle (another text records a_OtherStyleCode), then [ModuleId] Vendor and Model
    // are read into the identity.
    void loadModuleIdentity(const char* a_pStyle, int32_t a_OtherStyleCode,
                            tStatusRecord* a_pStatus);
    // Copies a member into a caller's string; no memory: qxapalerr_memoryFull.
    static void copyText(const std::string& a_rSource, std::string& a_rDestination,
                         tStatusRecord* a_pStatus);
    // Reads an optional key: a missing key leaves a_rValue empty and clears nothing else;
    // any other failure stays in the status.
    void getOptionalString(const char* a_pSection, const char* a_pKey, std::string& a_rValue,
                           tStatusRecord* a_pStatus) const;

    // The identity, for the classes that read it at load.
    std::string m_Vendor;
    std::string m_Model;
};

}  // namespace QX_NS
