#include "config/pxiHardwareDatabase/iPxiDeviceIni.h"

#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

void iPxiDeviceIni::open(const char* a_pPath, uint32_t a_Flags, tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    uint32_t l_Flags = a_Flags & ~kOpenReadOnly;
    if (opensReadOnly())
        l_Flags |= kOpenReadOnly;
    cIniFile::open(a_pPath, l_Flags, a_pStatus);
    if (a_pStatus->isError())
        return;
    load(a_pStatus);
}

void iPxiDeviceIni::getVendor(std::string& a_rVendor, tStatusRecord* a_pStatus) const {
    copyText(m_Vendor, a_rVendor, a_pStatus);
}

void iPxiDeviceIni::getModel(std::string& a_rModel, tStatusRecord* a_pStatus) const {
    copyText(m_Model, a_rModel, a_pStatus);
}

void iPxiDeviceIni::loadModuleIdentity(const char* a_pStyle, int32_t a_OtherStyleCode,
                                       tStatusRecord* a_pStatus) {
    std::string l_Style;
    getString(kModuleParamsSection, "ModuleStyle", l_Style, a_pStatus);
    if (a_pStatus->isError())
        return;
    // Embedded and remote module files share one directory, and each file is read as both
    // kinds: the other kind's file is not for this class. Each class keeps its own code
    // for it (embedded kStatusIniValueInvalid, remote kStatusInvalidArgument), as they
    // always were; neither reaches a host, as the database drops the record of a file
    // that fails to load as a kind.
    if (l_Style != a_pStyle) {
        QX_SET_STATUS_P(a_pStatus, a_OtherStyleCode);
        return;
    }
    getString(kModuleIdSection, "Vendor", m_Vendor, a_pStatus);
    getString(kModuleIdSection, "Model", m_Model, a_pStatus);
}

void iPxiDeviceIni::copyText(const std::string& a_rSource, std::string& a_rDestination,
                             tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    try {
        a_rDestination = a_rSource;
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

void iPxiDeviceIni::getOptionalString(const char* a_pSection, const char* a_pKey,
                                      std::string& a_rValue, tStatusRecord* a_pStatus) const {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    // A record of its own, so that clearing a missing key cannot drop a warning the
    // caller already held.
    tStatusRecord l_Status;
    std::string l_Value;
    getString(a_pSection, a_pKey, l_Value, &l_Status);
    if (l_Status.code == kStatusIniKeyNotFound) {
        a_rValue.clear();
        return;
    }
    a_pStatus->merge(l_Status);
    if (!l_Status.isError())
        a_rValue.swap(l_Value);
}

}  // namespace QX_NS
