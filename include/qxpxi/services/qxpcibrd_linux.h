/*
 * The Linux PCI bridge service: "libqxpcibrd.so.1" built on hwloc.
 *
 * Besides the functions of qxpcibrd.h it exports two functions of its own, which a
 * host looks up with dlsym (they are absent from other implementations of the service):
 *
 *   QxPciBrd_GetOmittedBridgeCount(session, count)
 *       How many PCI-to-PCI bridges of the session's topology were left out because
 *       they sit outside PCI domain 0: the service's bus numbers are 8-bit and carry
 *       no domain, so such bridges cannot be named. 0 on success.
 *
 *   QxPciBrd_GetLastError(buffer, size)
 *       Why the calling thread's last QxPciBrd_OpenSession failed, in words ("" after
 *       an open that succeeded). *size is the buffer's size in bytes; the text and its
 *       terminating NUL are copied when they fit, else -313002 with the size needed in
 *       *size (a null buffer asks for the size). The service writes nothing to standard
 *       error unless QXPXI_DEBUG is set (not empty, not "0").
 *
 * A session is one topology loaded by hwloc with its bridges kept: the machine's own
 * (read from sysfs), or the recorded topology that hwloc's HWLOC_XMLFILE names
 * (recorded with "lstopo-no-graphics --of xml FILE").
 *
 * Secure mode: in a process the kernel started in secure mode (a setuid, setgid or
 * file-capability host run by a user without those privileges), no environment
 * variable is honoured: the session is always this machine's topology, read from "/",
 * and hwloc's own variables (HWLOC_XMLFILE, HWLOC_FSROOT, HWLOC_COMPONENTS,
 * HWLOC_PLUGINS_PATH and the others) are removed from the process environment before
 * hwloc starts, since hwloc reads them itself and offers no way to ignore them.
 *
 * Bridge references are 0x100 plus the bridge's position in the session's list.
 * Attributes: 0x20000000 primary bus, 0x20000300 secondary bus, 0x20000400
 * subordinate bus, 0x20000800 negotiated link width. hwloc does not keep link widths:
 * they are read from sysfs (current_link_width) when the session opens, below
 * QXPXI_SYSFS_ROOT when that is set, else below /sys for this machine's own topology;
 * a recorded topology has none unless QXPXI_SYSFS_ROOT gives them. A bridge without a
 * known link width answers QXPCIBRD_LINUX_NOT_SUPPORTED for 0x20000800.
 * The service never writes to hardware: SetAttributeU32, OpenBridge and
 * EepromUpdate answer QXPCIBRD_LINUX_NOT_SUPPORTED, as does a read of any other
 * attribute.
 *
 * Results of the service beyond the contract's -313002 and -313003:
 */
#ifndef QXPXI_SERVICES_QXPCIBRD_LINUX_H
#define QXPXI_SERVICES_QXPCIBRD_LINUX_H

#include <stdint.h>

#define QXPCIBRD_LINUX_INVALID_SESSION (-313001)
#define QXPCIBRD_LINUX_INVALID_ARGUMENT (-313004)
#define QXPCIBRD_LINUX_TOPOLOGY_UNUSABLE (-313010) /* hwloc could not load the topology */
#define QXPCIBRD_LINUX_INTERNAL_FAULT (-313011)
#define QXPCIBRD_LINUX_NOT_SUPPORTED (-52002)

#define QXPCIBRD_LINUX_ATTR_PRIMARY_BUS 0x20000000u
#define QXPCIBRD_LINUX_ATTR_SECONDARY_BUS 0x20000300u
#define QXPCIBRD_LINUX_ATTR_SUBORDINATE_BUS 0x20000400u
#define QXPCIBRD_LINUX_ATTR_LINK_WIDTH 0x20000800u

#ifdef __cplusplus
extern "C" {
#endif

int32_t QxPciBrd_GetOmittedBridgeCount(uint32_t session, uint32_t* count);
int32_t QxPciBrd_GetLastError(char* buffer, uint32_t* size);

typedef int32_t (*tQxPciBrd_GetOmittedBridgeCount)(uint32_t session, uint32_t* count);
typedef int32_t (*tQxPciBrd_GetLastError)(char* buffer, uint32_t* size);

#ifdef __cplusplus
}
#endif

#endif /* QXPXI_SERVICES_QXPCIBRD_LINUX_H */
