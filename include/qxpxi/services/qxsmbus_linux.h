/*
 * The Linux SMBus service: "libqxsmbus.so.2" over i2c-dev.
 *
 * Adapters. Every i2c adapter whose parent device is a PCI SMBus controller (PCI class
 * 0x0c05) in PCI domain 0, in the order of the adapter numbers. Its resource name is
 * "QXSMBUS::<bus>::<device>::<function>::0" with the controller's PCI address in
 * decimal; a second adapter of the same controller ends in "::1", and so on.
 * The service never writes to a device unless a host asked for that write, and never
 * takes an address that a kernel driver holds.
 *
 * Device nodes. A session opens /dev/i2c-<n> at its first transaction and keeps it
 * open until the session closes (QXSMBusClose, or QXSMBusCloseList for a list's
 * sessions), or until a transaction finds the adapter gone, after which the next
 * transaction opens it again. Listing adapters opens no node. The node is opened with
 * O_NOFOLLOW (a symbolic link is refused) and must be the i2c-dev character device
 * (major 89) of adapter <n>; and i2c-<n> in sysfs must still be the adapter that was
 * listed (its name and parent PCI device): when the adapters were renumbered since
 * (i2c-dev or a bus driver reloaded, a device added), the transaction is refused with
 * QXSMBUS_LINUX_NOT_FOUND rather than run on another bus. Each refusal happens before
 * the first ioctl and says why in the last error.
 *
 * Attributes (QXSMBusGetAttribute):
 *   1001 (int32_t)  set to 1 by the libraries after open; kept per session
 *   1002 (int32_t)  1: the adapter is present (its device node is tried at the first
 *                   transaction, whose status tells when it cannot be used)
 *   101, 102 (uint32_t)  subsystem vendor id and subsystem id of the SMBus controller
 *   103, 104 (uint32_t)  vendor id and device id of the SMBus controller
 *   105, 106, 107 (uint16_t)  PCI bus, device and function of the SMBus controller
 *   301 (const char*)  the resource name
 *   302 (const char*)  the adapter's name and device node, e.g.
 *                      "SMBus I801 adapter at efa0 (/dev/i2c-0)"
 *   QXSMBUS_LINUX_ATTR_LAST_ERROR (const char*)  the last failure of the calling
 *                      thread's calls on the session, in words naming the device node;
 *                      "" when its last call succeeded. The text stays valid and
 *                      unchanged until the same thread asks for this attribute again,
 *                      whatever other threads do with the session meanwhile.
 *
 * Addresses are 8-bit with the read/write bit in bit 0, as in the contract; the chassis
 * EEPROM is read at QXPXI_SMBUS_EEPROM_ADDRESS (default 0xA4).
 *
 * Paths and their overrides (environment variables):
 *   QXPXI_SYSFS_ROOT   the sysfs tree the adapters are found in (default /sys)
 *   QXPXI_DEV_ROOT     the directory of the i2c-<n> device nodes (default /dev)
 * The service writes nothing to standard error unless QXPXI_DEBUG is set (not empty,
 * not "0"): then each failure is also one line there. In a process the kernel started
 * in secure mode (a setuid, setgid or file-capability host run by a user without those
 * privileges), none of these variables is honoured.
 */
#ifndef QXPXI_SERVICES_QXSMBUS_LINUX_H
#define QXPXI_SERVICES_QXSMBUS_LINUX_H

#define QXSMBUS_LINUX_ATTR_LAST_ERROR 303u

#define QXSMBUS_LINUX_FEATURE_UNSUPPORTED (-52002) /* the adapter cannot run it */
#define QXSMBUS_LINUX_INTERNAL_FAULT (-52003)
#define QXSMBUS_LINUX_INVALID_PARAMETER (-52005)
#define QXSMBUS_LINUX_NOT_FOUND (-52006) /* no such resource; no adapter at all */
#define QXSMBUS_LINUX_NO_ACKNOWLEDGE (-52011)
#define QXSMBUS_LINUX_NO_DEVICE_NODE (-52012) /* /dev/i2c-<n> missing: load i2c-dev */
#define QXSMBUS_LINUX_PERMISSION_DENIED (-52013)
#define QXSMBUS_LINUX_TIMEOUT (-52014)
#define QXSMBUS_LINUX_BUSY (-52015) /* bus busy, arbitration lost, or address in use */
#define QXSMBUS_LINUX_PEC_ERROR (-52016)
#define QXSMBUS_LINUX_IO_ERROR (-52017)

#endif /* QXPXI_SERVICES_QXSMBUS_LINUX_H */
