// The peer-to-peer table of a system module, loaded on the first query.
#include <algorithm>
#include <new>
#include <vector>

#include <boost/algorithm/string/split.hpp>

#include "config/slotpath/cSlotPath.h"
#include "platform/cntdrvwrapper/cCntDrvWrapper_sc.h"
#include "runtime/status/tJsonStatusScope.h"
#include "sysmodule/module/cSystemModuleDescription.h"
#include "sysmodule/module/tPXIeSystemModule.h"

namespace QX_NS {

namespace {

constexpr uint32_t kCntDrvAttrPortCount = 0x2006A400;
constexpr uint32_t kCntDrvAttrPortPathFirst = 0x1006A500;
constexpr uint32_t kCntDrvAttrPortTargetsFirst = 0x1006A600;
// Port n's attributes are 0x1006A500 + n and 0x1006A600 + n, so at most 256 ports can be
// told apart; a larger count from the driver is cut to that.
constexpr uint32_t kMaxControllerPorts = 0x100;

bool skip(const tStatusRecord* a_pStatus) {
    return a_pStatus == nullptr || a_pStatus->isError();
}

// "MR" + slot path text, as a port key (bus * 256 + first hop); false when it does not
// parse or has no hop (the error is left in a_pStatus).
bool portKeyFromSlotPath(const std::string& a_rText, uint32_t& a_rKey, tStatusRecord* a_pStatus) {
    const std::string l_Text = "MR" + a_rText;
    nQxPxiDriverTools_1_0::cSlotPath l_Path(l_Text.c_str(), a_pStatus);
    const int32_t l_Bus = l_Path.getBus(a_pStatus);
    const int32_t l_Hop = l_Path.getFirstHop(a_pStatus);
    if (skip(a_pStatus)) {
        return false;
    }
    a_rKey = static_cast<uint32_t>(l_Bus) * 256u + static_cast<uint32_t>(l_Hop);
    return true;
}

}  // namespace

int32_t tPXIeSystemModule::getP2PSupport(uint32_t a_Source, uint32_t a_Target,
                                         tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return -1;
    }
    if (m_ConstructionStatus.isError()) {
        a_pStatus->merge(m_ConstructionStatus);
        return -1;
    }
    if (m_ModuleStyle == cSystemModuleDescription::kStyleRemote) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
        return -1;
    }
    if (!m_P2PLoaded) {
        try {
            if (m_ControllerVariant) {
                loadP2PFromController(a_pStatus);
            } else {
                loadP2PFromDescription(a_pStatus);
            }
        } catch (const std::bad_alloc&) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        }
        if (skip(a_pStatus)) {
            return -1;
        }
    }
    const auto l_Source = m_P2PTable.find(a_Source);
    if (l_Source == m_P2PTable.end() || m_P2PTable.find(a_Target) == m_P2PTable.end()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return -1;
    }
    const std::vector<uint32_t>& l_rTargets = l_Source->second;
    return std::find(l_rTargets.begin(), l_rTargets.end(), a_Target) != l_rTargets.end() ? 1 : 0;
}

void tPXIeSystemModule::addP2PEntry(uint32_t a_Port, std::vector<uint32_t>& a_rTargets,
                                    tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    // A port listed twice keeps its first list.
    m_P2PTable.emplace(a_Port, std::move(a_rTargets));
}

void tPXIeSystemModule::loadP2PFromDescription(tStatusRecord* a_pStatus) {
    const cSystemModuleDescription l_Description(m_pDescription);
    std::vector<uint32_t> l_Ports;
    l_Description.getP2PPorts(m_LinkCount, l_Ports, a_pStatus);
    for (const uint32_t l_Port : l_Ports) {
        if (skip(a_pStatus)) {
            return;
        }
        std::vector<uint32_t> l_Targets;
        l_Description.getP2PTargets(m_LinkCount, l_Port, l_Targets, a_pStatus);
        addP2PEntry(l_Port, l_Targets, a_pStatus);
    }
    if (!skip(a_pStatus)) {
        m_P2PLoaded = true;
    }
}

void tPXIeSystemModule::loadP2PFromController(tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    tJsonStatusScope l_Bind(a_pStatus);
    cCntDrvWrapper_sc l_CntDrv(l_Bind.status());
    l_Bind.flush();
    // A binding that failed must not be used: its calls are not guarded.
    if (skip(a_pStatus)) {
        return;
    }
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) { l_CntDrv.OpenController(a_rJson); });
    uint32_t l_Count = 0;
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
        l_CntDrv.GetAttributeU32(kCntDrvAttrPortCount, l_Count, a_rJson);
    });
    l_Count = std::min(l_Count, kMaxControllerPorts);
    for (uint32_t l_Port = 0; l_Port < l_Count && !skip(a_pStatus); ++l_Port) {
        std::string l_PortPath;
        callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
            l_CntDrv.GetAttributeUTF8(kCntDrvAttrPortPathFirst + l_Port, l_PortPath, a_rJson);
        });
        uint32_t l_Key = 0;
        if (skip(a_pStatus) || !portKeyFromSlotPath(l_PortPath, l_Key, a_pStatus)) {
            break;
        }
        std::string l_TargetText;
        callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
            l_CntDrv.GetAttributeUTF8(kCntDrvAttrPortTargetsFirst + l_Port, l_TargetText, a_rJson);
        });
        if (skip(a_pStatus)) {
            break;
        }
        std::vector<std::string> l_Pieces;
        boost::algorithm::split(l_Pieces, l_TargetText, [](char a_Char) { return a_Char == ','; });
        std::vector<uint32_t> l_Targets;
        for (const std::string& l_rPiece : l_Pieces) {
            // A target that does not parse is left out.
            tStatusRecord l_Piece;
            uint32_t l_Target = 0;
            if (portKeyFromSlotPath(l_rPiece, l_Target, &l_Piece)) {
                l_Targets.push_back(l_Target);
            }
        }
        addP2PEntry(l_Key, l_Targets, a_pStatus);
    }
    l_CntDrv.CloseController();
    if (!skip(a_pStatus)) {
        m_P2PLoaded = true;
    }
}

}  // namespace QX_NS
