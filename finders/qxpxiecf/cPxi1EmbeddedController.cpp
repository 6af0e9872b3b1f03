#include "finders/qxpxiecf/cPxi1EmbeddedController.h"

#include <locale>
#include <vector>

#include "config/pxiHardwareDatabase/cPxi1EmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "config/slotpath/cSlotPath.h"
#include "platform/cntdrvwrapper/cCntDrvWrapper_ex.h"
#include "platform/pcibrdwrapper/cPciBrdWrapper_ex.h"
#include "platform/smbios/qxSmBios.h"
#include "runtime/status/qxerrException.h"
#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {

using nQxPciBrdWrapper_15_0::kPciBrdAttrSecondaryBus;
using nQxPxiDriverTools_1_0::cSlotPath;

namespace {

[[noreturn]] void fail(int32_t a_Code, const tSourceLocation& a_rLocation) {
    qxerr::throwIfError(a_Code, a_rLocation);
    throw qxerr::Exception();  // not reached: a_Code is negative
}

// Throws the error a status record holds, with its place.
void throwOnError(const tStatusRecord& a_rStatus) {
    if (!a_rStatus.isError())
        return;
    qxerr::Exception l_Exception;
    mergeRecordIntoJson(a_rStatus, &l_Exception.status());
    throw l_Exception;
}

// Parses a slot path text and renders it again, throwing the parser's failure.
std::string normalisedSlotPath(const std::string& a_rText) {
    std::string l_Out;
    tStatusRecord l_Status;
    cSlotPath l_Path;
    l_Path.parse(a_rText.c_str(), &l_Status);
    l_Path.toString(l_Out, &l_Status);
    throwOnError(l_Status);
    return l_Out;
}

std::string lowered(const std::string& a_rText) {
    const std::locale l_Locale;
    std::string l_Out(a_rText);
    for (char& l_rChar : l_Out)
        l_rChar = std::tolower(l_rChar, l_Locale);
    return l_Out;
}

}  // namespace

bool cPxi1EmbeddedController::containsIgnoringCase(const std::string& a_rText,
                                                   const std::string& a_rPart) {
    if (a_rPart.empty())
        return false;
    return lowered(a_rText).find(lowered(a_rPart)) != std::string::npos;
}

void cPxi1EmbeddedController::identify(tControllerRecord& a_rRecord) {
    // A binding failure ends identification; the SMBIOS way is only for a machine whose
    // driver service is installed but has no controller to open.
    cCntDrvWrapper_ex l_Driver;
    bool l_Opened = false;
    try {
        l_Driver.OpenController();
        l_Opened = true;
    } catch (const qxerr::Exception&) {
    }
    if (l_Opened) {
        identifyFromDriver(l_Driver, a_rRecord);
        l_Driver.CloseController();
    } else {
        identifyFromSmbios(a_rRecord);
    }
}

void cPxi1EmbeddedController::identifyFromDriver(cCntDrvWrapper_ex& a_rDriver,
                                                 tControllerRecord& a_rRecord) {
    std::string l_Vendor;
    a_rDriver.GetAttributeUTF8(kCntDrvAttrVendorName, l_Vendor);
    if (l_Vendor != kVendorText)
        fail(qxapalerr_featureUnsupported, QX_LOCATION("qxapalerr_featureUnsupported"));
    a_rRecord.vendor = l_Vendor;

    uint32_t l_Supported = 0;
    a_rDriver.GetAttributeU32(kCntDrvAttrSupported, l_Supported);
    if (l_Supported != 1)
        fail(qxapalerr_featureUnsupported, QX_LOCATION("qxapalerr_featureUnsupported"));

    a_rDriver.GetAttributeUTF8(kCntDrvAttrModelName, a_rRecord.model);

    std::string l_SlotPath;
    a_rDriver.GetAttributeUTF8(kCntDrvAttrPciSlotPath, l_SlotPath);
    a_rRecord.slotPath = normalisedSlotPath(kSlotPathPrefix + l_SlotPath);
}

void cPxi1EmbeddedController::identifyFromSmbios(tControllerRecord& a_rRecord) {
    const cPxi1EmbeddedControllerIni* l_pDescription = findControllerDescription();
    if (l_pDescription == nullptr)
        fail(qxapalerr_featureUnsupported, QX_LOCATION("qxapalerr_featureUnsupported"));

    tStatusRecord l_Status;
    cSlotPath l_Path;
    l_pDescription->getPciSlotPath(l_Path, &l_Status);
    l_Path.toString(a_rRecord.slotPath, &l_Status);
    l_pDescription->getVendor(a_rRecord.vendor, &l_Status);
    l_pDescription->getModel(a_rRecord.model, &l_Status);
    throwOnError(l_Status);
}

const cPxi1EmbeddedControllerIni* cPxi1EmbeddedController::findControllerDescription() {
    const std::string l_Manufacturer = readSmbiosString(kSmBiosSystemManufacturer);
    if (!containsIgnoringCase(l_Manufacturer, kVendorText))
        fail(qxapalerr_featureUnsupported, QX_LOCATION("qxapalerr_featureUnsupported"));
    const std::string l_Product = readSmbiosString(kSmBiosSystemProductName);

    cPxiSvDeviceDbManager* l_pDatabase = nullptr;
    cPxiSvDeviceDbManager::tIdentityList l_Identities;
    {
        tStatusRecord l_Status;
        cPxiSvDeviceDbManager::getInstance(&l_pDatabase, &l_Status);
        if (l_pDatabase != nullptr)
            l_pDatabase->listIdentities(kPxiDeviceKindPxi1EmbeddedController, l_Identities,
                                        &l_Status);
        throwOnError(l_Status);  // an empty directory leaves only a warning
    }

    for (const cPxiSvDeviceDbManager::tIdentity& l_rIdentity : l_Identities) {
        iPxiDeviceIni* l_pFound = nullptr;
        {
            tStatusRecord l_Status;
            l_pDatabase->findDescription(kPxiDeviceKindPxi1EmbeddedController,
                                         l_rIdentity.first.c_str(), l_rIdentity.second.c_str(),
                                         &l_pFound, &l_Status);
            throwOnError(l_Status);
        }
        const auto* l_pController = dynamic_cast<const cPxi1EmbeddedControllerIni*>(l_pFound);
        if (l_pController == nullptr)
            fail(qxapalerr_softwareFaultAPALInternalUseOnly,
                 QX_LOCATION("qxapalerr_softwareFaultAPALInternalUseOnly"));

        // A missing or empty value skips its test; any other failure ends the search.
        tStatusRecord l_Status;
        std::string l_Contained;
        l_pController->getSmbiosProduct(l_Contained, &l_Status);
        if (l_Status.code == kStatusNotPresent)
            l_Status.clear();
        throwOnError(l_Status);
        if (containsIgnoringCase(l_Product, l_Contained))
            return l_pController;

        std::string l_Exact;
        l_pController->getSmbiosProductExact(l_Exact, &l_Status);
        if (l_Status.code == kStatusNotPresent)
            l_Status.clear();
        throwOnError(l_Status);
        if (!l_Exact.empty() && l_Exact == l_Product)
            return l_pController;
    }
    return nullptr;
}

std::string cPxi1EmbeddedController::readSmbiosString(uint32_t a_FieldCode) {
    uint32_t l_Length = 0;
    const int32_t l_First = SmBiosGetFirstString(a_FieldCode, nullptr, &l_Length);
    if (l_First == kStatusSmBiosUnavailable)
        fail(qxapalerr_featureUnsupported, QX_LOCATION("qxapalerr_featureUnsupported"));
    // A field that names no string is an empty text: it matches nothing.
    if (l_First == kStatusSmBiosNoString)
        return std::string();
    if (l_First != kStatusSmBiosBufferTooSmall) {
        // Any other first answer is a failure; a success here would be a broken lookup.
        fail(l_First < 0 ? l_First : qxapalerr_softwareFaultAPALInternalUseOnly,
             QX_LOCATION("l_MacroStatus"));
    }
    std::vector<char> l_Buffer(l_Length, '\0');
    const int32_t l_Second = SmBiosGetFirstString(a_FieldCode, l_Buffer.data(), &l_Length);
    if (l_Second != 0)
        fail(l_Second < 0 ? l_Second : qxapalerr_softwareFaultAPALInternalUseOnly,
             QX_LOCATION("l_MacroStatus"));
    return std::string(l_Buffer.data());
}

uint32_t cPxi1EmbeddedController::controllerBus(const tControllerRecord& a_rRecord) {
    nQxPciBrdWrapper_15_0::cPciBrdWrapper_ex l_PciBrd;
    l_PciBrd.OpenSession(0);

    cSlotPath l_Path;
    {
        tStatusRecord l_Status;
        l_Path.parse(a_rRecord.slotPath.c_str(), &l_Status);
        throwOnError(l_Status);
    }
    uint32_t l_Bridge = 0xFFFFFFFF;
    // No bridge at the path is a failure of its own, not a query of bridge "none".
    if (l_PciBrd.FindBridgeBySlotPath(l_Path, l_Bridge) == kStatusPciBrdNotFound)
        fail(kStatusPciBrdNotFound, QX_LOCATION("kStatusPciBrdNotFound"));
    uint32_t l_Bus = 0;
    l_PciBrd.GetAttributeU32(l_Bridge, kPciBrdAttrSecondaryBus, l_Bus);
    return l_Bus;  // the wrapper closes the session and releases the service
}

}  // namespace QX_NS
