// cSlotPath: the place of one PCI device in the bridge hierarchy, as the number of the
// root bus its branch starts on plus one device/function byte per hop, from the device
// itself up to the device that sits on the root bus. Text form: "MR" + bus + ":" + hops,
// for example MR00:00,E0 (device 0.0 behind the bridge at 1C.0 on root bus 0).
//
// Hops are allocated one by one through the status-reporting allocator, so running out
// of memory is a status, never an exception. A path is used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "config/slotpath/cByteString.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

class cSlotPath {
public:
    // Returned by hopDistance when the status already holds an error.
    static constexpr uint32_t kNoDistance = 0xFFFFFFFFu;

    cSlotPath() = default;
    cSlotPath(const char* a_pText, tStatusRecord* a_pStatus);
    virtual ~cSlotPath();
    // Copying may fail for lack of memory, so it goes through assign(); moving cannot.
    cSlotPath(const cSlotPath&) = delete;
    cSlotPath& operator=(const cSlotPath&) = delete;
    cSlotPath(cSlotPath&& a_rOther) noexcept;
    cSlotPath& operator=(cSlotPath&& a_rOther) noexcept;

    // Every operation taking a status does nothing when it already holds an error.

    // Replaces bus and hops from "MRbb:hh,hh", "<decimal bus>:hh,hh" or bare "hh,hh".
    // A hop that is not hexadecimal records -313325; what was read before it stays.
    void parse(const char* a_pText, tStatusRecord* a_pStatus);
    void assign(const cSlotPath& a_rOther, tStatusRecord* a_pStatus);
    // Appends a hop after the current last one (nearer the root bus).
    void appendHop(uint8_t a_Hop, tStatusRecord* a_pStatus);

    void toString(cByteString& a_rOut, tStatusRecord* a_pStatus) const;
    void toString(std::string& a_rOut, tStatusRecord* a_pStatus) const;
    // Writes the hop list alone ("00,E0") and returns its length (0 on error).
    size_t hopsToString(cByteString& a_rOut, tStatusRecord* a_pStatus) const;

    // The bus (0..255), or -1 on an error status.
    int32_t getBus(tStatusRecord* a_pStatus) const;
    void setBus(uint8_t a_Bus) { m_Bus = a_Bus; }
    // The first hop's device/function byte, or -1; a path without hops records -313324.
    int32_t getFirstHop(tStatusRecord* a_pStatus) const;
    void removeFirstHop();
    bool isEmpty() const { return m_pFirst == nullptr; }
    uint32_t hopCount() const { return m_HopCount; }
    // Drops every hop; the bus stays.
    void clear();

    // True when a_rOther lies behind this path: same bus, more hops, and this path's
    // hops equal a_rOther's last hops. Never true for an equal path.
    bool isUpstreamOf(const cSlotPath& a_rOther) const;
    // Hops between the two places: equal paths 0, a device and its bridge 1, two devices
    // on one bus 2; paths on different buses 1 + both hop counts.
    uint32_t hopDistance(const cSlotPath& a_rOther, tStatusRecord* a_pStatus) const;

private:
    struct tHop {
        tHop* pPrevious;  // toward the device
        tHop* pNext;      // toward the root bus
        uint8_t value;
    };

    void writeHops(cByteString& a_rOut, tStatusRecord* a_pStatus) const;
    void parseHops(const char* a_pText, tStatusRecord* a_pStatus);
    void takeFrom(cSlotPath& a_rOther);

    uint8_t m_Bus = 0;
    tHop* m_pFirst = nullptr;
    tHop* m_pLast = nullptr;
    uint32_t m_HopCount = 0;
};

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
