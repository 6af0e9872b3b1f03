// cPxieRemoteControllerIni: a PXI Express remote system module description (kind 512), a
// host interface reached over a cabled PCI Express link, with the traversal maps of its
// ports. A file of the shared system module directory loads as this kind only when its
// [ModuleParams] ModuleStyle is "Remote". Same threading rules as iPxiDeviceIni.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/pxiHardwareDatabase/iPxiDeviceIni.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cPxieRemoteControllerIni : public iPxiDeviceIni {
public:
    static constexpr const char* kUpstreamPortSection = "UpstreamPort";
    // A downstream port's section is this prefix followed by the port's name.
    static constexpr const char* kDownstreamPortSectionPrefix = "DownstreamPort";
    static constexpr const char* kModuleStyle = "Remote";

    // Requires ModuleStyle "Remote" (another text: kStatusInvalidArgument), [ModuleId]
    // Vendor and Model and [UpstreamPort] TraversalMap. When "DownstreamPorts" is
    // present, every listed port's TraversalMap and "Labels" are required as well.
    // "Integrated" other than Yes/No, and "LinkWidthPerLabel" other than 1, 4, 8 or 16,
    // report kStatusIniItemInvalid.
    void load(tStatusRecord* a_pStatus) override;

    void getOrderablePartNumber(std::string& a_rPartNumber, tStatusRecord* a_pStatus) const;
    bool isIntegrated() const { return m_Integrated; }
    void getUpstreamTraversalMap(std::string& a_rMap, tStatusRecord* a_pStatus) const;
    // One map per downstream port, in the order of "DownstreamPorts".
    const std::vector<std::string>& getDownstreamTraversalMaps() const {
        return m_DownstreamTraversalMaps;
    }
    const std::vector<std::string>& getLabels() const { return m_Labels; }
    // 0 when the file gives none.
    uint32_t getLinkWidthPerLabel() const { return m_LinkWidthPerLabel; }

    // The system module keys (SMBus adapter, links, maximum link widths) are read by the
    // system module library through getString and converted there; their accessors
    // belong below this line.

private:
    void loadMembers(tStatusRecord* a_pStatus);

    std::string m_OrderablePartNumber;
    bool m_Integrated = false;
    std::string m_UpstreamTraversalMap;
    std::vector<std::string> m_DownstreamTraversalMaps;
    std::vector<std::string> m_Labels;
    uint32_t m_LinkWidthPerLabel = 0;
};

}  // namespace QX_NS
