// Discovery of the system module cache: the refresh of one identity (description path
// with the foreign embedded controller check, switch path, adapter path, and the
// controller path as fallback) and the refresh of every identity.
#include <algorithm>
#include <new>
#include <vector>

#include <boost/make_shared.hpp>

#include "config/slotpath/cSlotPath.h"
#include "platform/pcibrdwrapper/pciBrdSession.h"
#include "runtime/status/tJsonStatusScope.h"
#include "sysmodule/module/cSystemModuleDescription.h"
#include "sysmodule/sysModuleServices.h"
#include "sysmodule/tPXIeSystemModuleCache.h"

namespace QX_NS {

namespace {

using nQxPxiDriverTools_1_0::cSlotPath;

constexpr const char* kStyleEmbedded = "Embedded";

std::string cntDrvText(iCntDrvWrapper_sc& a_rCntDrv, uint32_t a_Attribute,
                       tStatusRecord* a_pStatus) {
    std::string l_Text;
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
        a_rCntDrv.GetAttributeUTF8(a_Attribute, l_Text, a_rJson);
    });
    return l_Text;
}

// Builds a module for one adapter of the adapter or controller path: whatever goes wrong
// stays in that adapter's record, so that the next adapter can still be tried.
template <typename tBuild>
tPXIeSystemModuleCache::tModulePtr buildForAdapter(tStatusRecord& a_rAdapterStatus,
                                                   tBuild&& a_rBuild) {
    try {
        tPXIeSystemModuleCache::tModulePtr l_Module = a_rBuild();
        if (!a_rAdapterStatus.isError())
            return l_Module;
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS(a_rAdapterStatus, qxapalerr_memoryFull);
    } catch (...) {
        QX_SET_STATUS(a_rAdapterStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
    }
    return tPXIeSystemModuleCache::tModulePtr();
}

}  // namespace

int32_t tPXIeSystemModuleCache::refresh(tPciBrd& a_rPciBrd, cPxiSmBusListWrapper& a_rAdapters,
                                        iCntDrvWrapper_sc* a_pCntDrv, const char* a_pVendor,
                                        const char* a_pModel, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return 0;
    remove(a_pVendor, a_pModel);
    const int32_t l_Count =
        descriptionPath(a_rPciBrd, a_rAdapters, a_pCntDrv, a_pVendor, a_pModel, a_pStatus);
    if (!a_pStatus->isError() || a_pCntDrv == nullptr)
        return l_Count;
    // No usable description: the controller the software runs on may still be of this
    // identity.
    a_pStatus->clear();
    return controllerPath(a_rPciBrd, a_rAdapters, *a_pCntDrv, a_pVendor, a_pModel, a_pStatus);
}

int32_t tPXIeSystemModuleCache::descriptionPath(tPciBrd& a_rPciBrd,
                                                cPxiSmBusListWrapper& a_rAdapters,
                                                iCntDrvWrapper_sc* a_pCntDrv, const char* a_pVendor,
                                                const char* a_pModel, tStatusRecord* a_pStatus) {
    cPxiSvDeviceDbManager* l_pDatabase = nullptr;
    cPxiSvDeviceDbManager::getInstance(&l_pDatabase, a_pStatus);
    iPxiDeviceIni* l_pDescription = nullptr;
    if (!a_pStatus->isError())
        l_pDatabase->findDescription(kPxiDeviceKindMaskSystemModules, a_pVendor, a_pModel,
                                     &l_pDescription, a_pStatus);
    if (a_pStatus->isError())
        return 0;
    if (l_pDescription == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusDbNotFound);
        return 0;
    }
    if (isForeign(*l_pDescription, a_pCntDrv, a_pStatus) || a_pStatus->isError())
        return 0;

    const cSystemModuleDescription l_Keys(l_pDescription);
    tPciBridgeIds l_SwitchIds;
    const bool l_HasSwitch = l_Keys.getSwitchId(l_SwitchIds, a_pStatus);
    if (a_pStatus->isError())
        return 0;
    if (l_HasSwitch)
        return switchPath(a_rPciBrd, a_pCntDrv, *l_pDescription, l_SwitchIds, a_pVendor, a_pModel,
                          a_pStatus);
    return adapterPath(a_rPciBrd, a_rAdapters, a_pCntDrv, *l_pDescription, a_pVendor, a_pModel,
                       a_pStatus);
}

bool tPXIeSystemModuleCache::isForeign(const iPxiDeviceIni& a_rDescription,
                                       iCntDrvWrapper_sc* a_pCntDrv,
                                       tStatusRecord* a_pStatus) const {
    const cSystemModuleDescription l_Keys(&a_rDescription);
    std::string l_Style;
    l_Keys.getModuleStyleText(l_Style, a_pStatus);
    if (a_pStatus->isError()) {
        a_pStatus->clear();
        QX_SET_STATUS_P(a_pStatus, kStatusIniKeyNotFound);
        return false;
    }
    if (l_Style != kStyleEmbedded)
        return false;
    std::string l_Wanted;
    tStatusRecord l_WantedStatus;
    if (!l_Keys.getSmbiosProduct(l_Wanted, &l_WantedStatus) || l_WantedStatus.isError())
        return false;  // an embedded description without a product applies to any machine

    std::string l_Product;
    if (a_pCntDrv != nullptr) {
        l_Product = cntDrvText(*a_pCntDrv, kCntDrvAttrModelName, a_pStatus);
    } else {
        tStatusRecord l_Lookup;
        smbiosProductName(l_Product, &l_Lookup);
        // Without SMBIOS data no product can be confirmed: the description is foreign.
        if (l_Lookup.code == kStatusSmBiosUnavailable)
            return true;
        a_pStatus->merge(l_Lookup);
    }
    if (a_pStatus->isError())
        return false;
    return l_Product != l_Wanted;
}

int32_t tPXIeSystemModuleCache::switchPath(tPciBrd& a_rPciBrd, iCntDrvWrapper_sc* a_pCntDrv,
                                           const iPxiDeviceIni& a_rDescription,
                                           const tPciBridgeIds& a_rIds, const char* a_pVendor,
                                           const char* a_pModel, tStatusRecord* a_pStatus) {
    std::vector<uint32_t> l_Bridges;
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
        a_rPciBrd.FindBridgesByPciIds(&a_rIds.vendorId, &a_rIds.deviceId, &a_rIds.subsystemVendorId,
                                      &a_rIds.subsystemId, l_Bridges, a_rJson);
    });
    if (a_pStatus->isError() || l_Bridges.empty())
        return 0;
    // However many bridges carry the ids, they belong to one module.
    std::string l_Resource;
    cSystemModuleDescription(&a_rDescription).getSmbusFixedResName(l_Resource, a_pStatus);
    boost::shared_ptr<iSMBusWrapper> l_Adapter;
    createSMBusAdapter(l_Resource.c_str(), l_Adapter, a_pStatus);
    if (a_pStatus->isError())
        return 0;
    const tModulePtr l_Module = boost::make_shared<tPXIeSystemModule>(
        a_pVendor, a_pModel, a_rPciBrd, *l_Adapter, a_pCntDrv, &a_rDescription, a_pStatus);
    if (a_pStatus->isError())
        return 0;
    return add(l_Module) ? 1 : 0;
}

int32_t tPXIeSystemModuleCache::adapterPath(tPciBrd& a_rPciBrd, cPxiSmBusListWrapper& a_rAdapters,
                                            iCntDrvWrapper_sc* a_pCntDrv,
                                            const iPxiDeviceIni& a_rDescription,
                                            const char* a_pVendor, const char* a_pModel,
                                            tStatusRecord* a_pStatus) {
    uint16_t l_VendorId = 0;
    uint16_t l_ProductId = 0;
    cSystemModuleDescription(&a_rDescription).getSmbusVidPid(l_VendorId, l_ProductId, a_pStatus);
    int32_t l_Count = 0;
    for (const boost::shared_ptr<cQxSMBusWrapper>& l_rAdapter : a_rAdapters.adapters()) {
        if (a_pStatus->isError())
            break;
        // A failed adapter does not fail the refresh: its record is dropped.
        tStatusRecord l_AdapterStatus;
        if (!l_rAdapter) {
            QX_SET_STATUS(l_AdapterStatus, qxapalerr_invalidParameter);
            continue;
        }
        if (!l_rAdapter->IsUsable(&l_AdapterStatus))
            continue;
        uint32_t l_Vendor = 0;
        uint32_t l_Product = 0;
        l_rAdapter->GetIdentity(nullptr, nullptr, &l_Vendor, &l_Product, &l_AdapterStatus);
        if (l_AdapterStatus.isError() || l_Vendor != l_VendorId || l_Product != l_ProductId)
            continue;
        const tModulePtr l_Module = buildForAdapter(l_AdapterStatus, [&] {
            return boost::make_shared<tPXIeSystemModule>(a_pVendor, a_pModel, a_rPciBrd,
                                                         *l_rAdapter, a_pCntDrv, &a_rDescription,
                                                         &l_AdapterStatus);
        });
        if (l_Module && add(l_Module))
            ++l_Count;
    }
    return l_Count;
}

int32_t tPXIeSystemModuleCache::controllerPath(tPciBrd& a_rPciBrd,
                                               cPxiSmBusListWrapper& a_rAdapters,
                                               iCntDrvWrapper_sc& a_rCntDrv, const char* a_pVendor,
                                               const char* a_pModel, tStatusRecord* a_pStatus) {
    const std::string l_Vendor = cntDrvText(a_rCntDrv, kCntDrvAttrVendorName, a_pStatus);
    const std::string l_Model = cntDrvText(a_rCntDrv, kCntDrvAttrModelName, a_pStatus);
    if (!a_pStatus->isError() && (l_Vendor != a_pVendor || l_Model != a_pModel)) {
        QX_SET_STATUS_P(a_pStatus, kStatusNotFound);
        return 0;
    }

    // Where the controller's SMBus controller sits: its device and function are the first
    // hop of its slot path, its bus the bus behind the rest of the path.
    uint16_t l_Bus = 0;
    uint16_t l_Device = 0;
    uint16_t l_Function = 0;
    const std::string l_Text = cntDrvText(a_rCntDrv, kCntDrvAttrSmbusSlotPath, a_pStatus);
    if (!a_pStatus->isError()) {
        cSlotPath l_Path(("MR" + l_Text).c_str(), a_pStatus);
        const int32_t l_Hop = l_Path.getFirstHop(a_pStatus);
        if (!a_pStatus->isError()) {
            l_Device = static_cast<uint16_t>((l_Hop >> 3) & 0x1F);
            l_Function = static_cast<uint16_t>(l_Hop & 0x7);
            l_Path.removeFirstHop();
            if (l_Path.isEmpty()) {
                l_Bus = static_cast<uint16_t>(l_Path.getBus(a_pStatus));
            } else {
                uint32_t l_Bridge = nQxPciBrdWrapper_15_0::kPciBrdNone;
                uint32_t l_Secondary = 0;
                callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
                    a_rPciBrd.FindBridgeBySlotPath(l_Path, l_Bridge, a_rJson);
                    a_rPciBrd.GetAttributeU32(l_Bridge,
                                              nQxPciBrdWrapper_15_0::kPciBrdAttrSecondaryBus,
                                              l_Secondary, a_rJson);
                });
                l_Bus = static_cast<uint16_t>(l_Secondary & 0xFF);
            }
        }
    }
    if (a_pStatus->isError()) {
        if (a_pStatus->code == kStatusNotFound)
            a_pStatus->clear();
        return 0;
    }

    for (const boost::shared_ptr<cQxSMBusWrapper>& l_rAdapter : a_rAdapters.adapters()) {
        if (!l_rAdapter)
            continue;
        tStatusRecord l_AdapterStatus;
        uint16_t l_AdapterBus = 0;
        uint16_t l_AdapterDevice = 0;
        uint16_t l_AdapterFunction = 0;
        l_rAdapter->GetPciAddress(&l_AdapterBus, &l_AdapterDevice, &l_AdapterFunction,
                                  &l_AdapterStatus);
        if (l_AdapterStatus.isError() || l_AdapterBus != l_Bus || l_AdapterDevice != l_Device ||
            l_AdapterFunction != l_Function)
            continue;
        const tModulePtr l_Module = buildForAdapter(l_AdapterStatus, [&] {
            return boost::make_shared<tPXIeSystemModule>(a_pVendor, a_pModel, a_rPciBrd,
                                                         *l_rAdapter, a_rCntDrv, &l_AdapterStatus);
        });
        if (l_Module)
            return add(l_Module) ? 1 : 0;
    }
    return 0;
}

int32_t tPXIeSystemModuleCache::refreshAll() {
    tStatusRecord l_Status;
    cPxiSvDeviceDbManager* l_pDatabase = nullptr;
    cPxiSvDeviceDbManager::getInstance(&l_pDatabase, &l_Status);
    cPxiSvDeviceDbManager::tIdentityList l_Identities;
    if (!l_Status.isError())
        l_pDatabase->listIdentities(kPxiDeviceKindMaskSystemModules, l_Identities, &l_Status);

    // The controller the software runs on is refreshed too, described or not.
    const boost::shared_ptr<cCntDrvWrapper_sc> l_CntDrv = openControllerDriver();
    if (l_CntDrv) {
        tStatusRecord l_Read;
        const std::string l_Vendor = cntDrvText(*l_CntDrv, kCntDrvAttrVendorName, &l_Read);
        const std::string l_Model = cntDrvText(*l_CntDrv, kCntDrvAttrModelName, &l_Read);
        if (l_Read.isError()) {
            l_CntDrv->CloseController();
            return l_Read.code32();
        }
        const cPxiSvDeviceDbManager::tIdentity l_Own(l_Vendor, l_Model);
        if (std::find(l_Identities.begin(), l_Identities.end(), l_Own) == l_Identities.end())
            l_Identities.push_back(l_Own);
    }

    {
        cPxiSmBusListWrapper l_Adapters(kQxSMBusInterfaceVersion, &l_Status);
        l_Adapters.open(&l_Status);
        withPciBrdSession(&l_Status, [&](tPciBrd& a_rPciBrd) {
            for (const cPxiSvDeviceDbManager::tIdentity& l_rIdentity : l_Identities) {
                if (l_Status.isError())
                    break;
                refresh(a_rPciBrd, l_Adapters, l_CntDrv.get(), l_rIdentity.first.c_str(),
                        l_rIdentity.second.c_str(), &l_Status);
            }
        });
        if (l_CntDrv)
            l_CntDrv->CloseController();
    }
    return l_Status.code32();
}

}  // namespace QX_NS
