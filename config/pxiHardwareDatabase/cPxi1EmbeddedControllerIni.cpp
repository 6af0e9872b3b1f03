#include "config/pxiHardwareDatabase/cPxi1EmbeddedControllerIni.h"

#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

namespace {

void copyPresent(const std::string& a_rSource, std::string& a_rDestination,
                 tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    if (a_rSource.empty()) {
        QX_SET_STATUS_P(a_pStatus, kStatusNotPresent);
        return;
    }
    try {
        a_rDestination = a_rSource;
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

}  // namespace

void cPxi1EmbeddedControllerIni::getGpibPortSlotPath(std::string& a_rSlotPath,
                                                     tStatusRecord* a_pStatus) const {
    copyText(m_GpibPortSlotPath, a_rSlotPath, a_pStatus);
}

void cPxi1EmbeddedControllerIni::getSmbiosProduct(std::string& a_rProduct,
                                                  tStatusRecord* a_pStatus) const {
    copyPresent(m_SmbiosProduct, a_rProduct, a_pStatus);
}

void cPxi1EmbeddedControllerIni::getSmbiosProductExact(std::string& a_rProduct,
                                                       tStatusRecord* a_pStatus) const {
    copyPresent(m_SmbiosProductExact, a_rProduct, a_pStatus);
}

void cPxi1EmbeddedControllerIni::getPciSlotPath(nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                                                tStatusRecord* a_pStatus) const {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    a_rSlotPath.assign(m_PciSlotPath, a_pStatus);
}

void cPxi1EmbeddedControllerIni::load(tStatusRecord* a_pStatus) {
    loadGuarded(a_pStatus, [&] { loadMembers(a_pStatus); });
}

void cPxi1EmbeddedControllerIni::loadMembers(tStatusRecord* a_pStatus) {
    m_Vendor.clear();
    m_Model.clear();
    m_PciSlotPath.clear();
    m_PciSlotPath.setBus(0);
    m_SmbiosProduct.clear();
    m_SmbiosProductExact.clear();
    m_IsUnknownController = false;
    m_GpibPortSlotPath.clear();

    std::string l_Type;
    getString(kControllerSection, "Type", l_Type, a_pStatus);
    if (a_pStatus->isError())
        return;
    if (l_Type != "Embedded") {
        QX_SET_STATUS_P(a_pStatus, kStatusIniValueInvalid);
        return;
    }
    std::string l_PciSlotPath;
    getString(kEmbeddedSection, "PCISlotPath", l_PciSlotPath, a_pStatus);
    getString(kControllerSection, "Vendor", m_Vendor, a_pStatus);
    getString(kControllerSection, "Model", m_Model, a_pStatus);
    getOptionalString(kControllerSection, "SMBIOSProduct", m_SmbiosProduct, a_pStatus);
    getOptionalString(kControllerSection, "SMBIOSProductExact", m_SmbiosProductExact, a_pStatus);
    std::string l_Unknown;
    getOptionalString(kControllerSection, "IsUnknownController", l_Unknown, a_pStatus);
    getOptionalString(kControllerSection, "GPIBPortSlotPath", m_GpibPortSlotPath, a_pStatus);
    if (a_pStatus->isError())
        return;
    m_IsUnknownController = (l_Unknown == "Yes");
    m_PciSlotPath.parse(l_PciSlotPath.c_str(), a_pStatus);
}

}  // namespace QX_NS
