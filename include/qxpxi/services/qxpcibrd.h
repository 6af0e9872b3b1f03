/*
 * PCI bridge service, "libqxpcibrd.so.1".
 *
 * Describes the PCI-to-PCI bridges of the machine: where they sit, which buses hang
 * below them, their identifiers, their slot paths and attributes. Callers bind the
 * library by file name at run time and look each function up by name.
 *
 * Handles. A session (from QxPciBrd_OpenSession) and a bridge reference are uint32_t;
 * 0xFFFFFFFF means none. A bridge reference is only meaningful within the session
 * that produced it.
 *
 * Results. 0 success, negative error, positive warning.
 *   -313002  the array or buffer is too small; the count or size has been set to what
 *            is needed.
 *   -313003  no such bridge; a single out bridge is set to 0xFFFFFFFF.
 *
 * Size then fill. A list function (FindBridgesByPciIds, GetBridgeChildren,
 * GetBusChildren, GetRootBuses) called with a null array and a count of 0 answers
 * -313002 and the needed count when there is something to list, or 0 and count 0 when
 * there is nothing. Called with an array, *count is its capacity on entry and the
 * number of entries written on return. GetBridgeSlotPath works the same way with a
 * buffer and its size in bytes; the needed size includes the NUL.
 *
 * Wildcards. A null id pointer in QxPciBrd_FindBridgesByPciIds matches any value.
 *
 * Slot paths are texts "MRbb:hh,hh": the root bus number, then one hop per level,
 * device * 8 + function, all in hexadecimal. The first hop is the device the path names,
 * each next hop the bridge above the previous one, the last the device on the root bus.
 *
 * Attributes: the QXPCIBRD_ATTR_* numbers below.
 */
#ifndef QXPXI_SERVICES_QXPCIBRD_H
#define QXPXI_SERVICES_QXPCIBRD_H

#include <stdint.h>

/* Attributes of a bridge, read with QxPciBrd_GetAttributeU32. */
#define QXPCIBRD_ATTR_PRIMARY_BUS 0x20000000u   /* the bus the bridge sits on */
#define QXPCIBRD_ATTR_SECONDARY_BUS 0x20000300u /* the bus below (secondary to) the bridge */
#define QXPCIBRD_ATTR_LINK_WIDTH 0x20000800u    /* its negotiated PCI Express link width */

#ifdef __cplusplus
extern "C" {
#endif

int32_t QxPciBrd_OpenSession(uint32_t flags, uint32_t* session);
int32_t QxPciBrd_CloseSession(uint32_t session); /* result ignored */
int32_t QxPciBrd_FindBridgesByPciIds(uint32_t session, const uint16_t* vendorId,
                                     const uint16_t* deviceId, const uint16_t* subsystemVendorId,
                                     const uint16_t* subsystemId, uint32_t* bridges,
                                     uint32_t* count);
int32_t QxPciBrd_FindBridgeByAddress(uint32_t session, uint8_t bus, uint8_t device,
                                     uint8_t function, uint32_t* bridge);
int32_t QxPciBrd_FindBridgeBySlotPath(uint32_t session, const char* slotPath, uint32_t* bridge);
int32_t QxPciBrd_FindParentBridgeForBus(uint32_t session, uint8_t bus, uint32_t* bridge);
int32_t QxPciBrd_GetBridgeParent(uint32_t session, uint32_t child, uint32_t* parent);
int32_t QxPciBrd_GetBridgeChildren(uint32_t session, uint32_t parent, uint32_t* children,
                                   uint32_t* count);
int32_t QxPciBrd_GetBusChildren(uint32_t session, uint8_t bus, uint32_t* children,
                                uint32_t* count);
int32_t QxPciBrd_GetRootBuses(uint32_t session, uint8_t* buses, uint32_t* count);
int32_t QxPciBrd_GetBridgeAddress(uint32_t session, uint32_t bridge, uint8_t* bus,
                                  uint8_t* device, uint8_t* function);
int32_t QxPciBrd_GetBridgeSlotPath(uint32_t session, uint32_t bridge, char* buffer,
                                   uint32_t* size);
int32_t QxPciBrd_GetBridgeIds(uint32_t session, uint32_t bridge, uint16_t* vendorId,
                              uint16_t* deviceId, uint16_t* subsystemVendorId,
                              uint16_t* subsystemId);
int32_t QxPciBrd_SetAttributeU32(uint32_t session, uint32_t bridge, uint32_t attribute,
                                 uint32_t value);
int32_t QxPciBrd_GetAttributeU32(uint32_t session, uint32_t bridge, uint32_t attribute,
                                 uint32_t* value);
int32_t QxPciBrd_OpenBridge(uint32_t session, uint32_t bridge);
int32_t QxPciBrd_CloseBridge(uint32_t session, uint32_t bridge); /* result ignored */
int32_t QxPciBrd_EepromUpdate(uint32_t session, uint32_t bridge, uint16_t vendorId,
                              uint16_t deviceId, uint32_t alwaysOverwrite, uint32_t updateMethod,
                              uint32_t byteCount, const uint8_t* data);

#ifdef __cplusplus
}
#endif

#endif /* QXPXI_SERVICES_QXPCIBRD_H */
