/*
 * libQXPXIeSMu: the PXI Express system modules of a machine (the embedded controller the
 * software runs on, and remote controllers that reach chassis over cabled PCI Express),
 * their attributes, peer-to-peer routing, the chassis EEPROM they read, and raw SMBus
 * transactions on their SMBus adapters.
 *
 * Names. A host names a kind of system module by its vendor and model texts (the identity
 * under which its description is installed, or which the controller driver reports for
 * the embedded controller itself). One module is named by the two texts that
 * PXISA_SystemModule_GetName hands out: its module name, "vendor model (resource)", and
 * its resource list, the SMBus resource name followed, unless that name begins with
 * "HP", by ";" and a PXI instrument resource name, e.g.
 *     "Quarrix PXIe-8881 (QXSMBUS::0::31::3::0)"
 *     "QXSMBUS::0::31::3::0;PXI0::0-31.3::INSTR"
 * GetInformation, GetChassisEEPROM and GetEmbeddedP2PSupport find the module by its name
 * alone; they only require the resource list to be non-NULL.
 *
 * Calling order. PXISA_SystemModule_GetCount (one identity) or QXPXI_SystemModule_UpdateCache
 * (every identity) discovers modules and fills the library's cache; all other cache-based
 * entry points only read it and report what the last discovery of an identity left.
 * PXISA_SystemModule_SMBusOperation needs no earlier call.
 *
 * Threads. Every entry point may be called from any thread. Discovery and the cache-based
 * queries run one at a time under the library's cache lock. SMBus operations do not take
 * that lock: their adapters are kept in a registry with a lock of its own, held only
 * while the registry changes, so transactions run in parallel, on one adapter or several.
 *
 * Arguments. Texts are NUL-terminated. A NULL pointer that an entry point needs gives
 * QXPXI_STATUS_INVALID_PARAMETER (-52005) before any work, outputs untouched.
 *
 * Results. 0 success, negative error, positive warning (qxpxi/qxstatus.h); codes of the
 * outside services and of the description database pass through. A failed query leaves
 * its outputs untouched unless stated otherwise.
 *
 * Without a cache (it could not be built when the library loaded): GetCount writes 0 and
 * returns 0; GetCount_NoCache writes 0 and returns -52003; UpdateCache returns -52003;
 * GetName, GetInformation, GetChassisEEPROM and GetEmbeddedP2PSupport return -52005.
 */
#ifndef QXPXI_QXPXIESMU_H
#define QXPXI_QXPXIESMU_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A PCI address: bus 0 to 255, device 0 to 31, function 0 to 7. Passed by value. */
typedef struct {
    uint32_t bus;
    uint32_t device;
    uint32_t function;
} tPXISA_PciAddress;

/*
 * Attribute ids of PXISA_SystemModule_GetInformation. Numeric attributes are written as one
 * int32_t; text attributes into a 256-byte char buffer (a text of 256 characters or more
 * is written as ""; an empty text gives status -2 and writes nothing).
 */
#define PXISA_SYSTEMMODULE_ATTR_MAX_LINK_WIDTH_1 0 /* 0, 1: two-link configuration */
#define PXISA_SYSTEMMODULE_ATTR_MAX_LINK_WIDTH_2 1
#define PXISA_SYSTEMMODULE_ATTR_MAX_LINK_WIDTH_3 2 /* 2 to 5: links 1 to 4, four-link */
#define PXISA_SYSTEMMODULE_ATTR_MAX_LINK_WIDTH_4 3
#define PXISA_SYSTEMMODULE_ATTR_MAX_LINK_WIDTH_5 4
#define PXISA_SYSTEMMODULE_ATTR_MAX_LINK_WIDTH_6 5
#define PXISA_SYSTEMMODULE_ATTR_LINK_COUNT 100 /* 2 or 4, from the chassis EEPROM */
#define PXISA_SYSTEMMODULE_ATTR_LINK_BUS_1 101 /* 101 to 104: bus behind link 1 to 4 */
#define PXISA_SYSTEMMODULE_ATTR_LINK_BUS_2 102
#define PXISA_SYSTEMMODULE_ATTR_LINK_BUS_3 103
#define PXISA_SYSTEMMODULE_ATTR_LINK_BUS_4 104
#define PXISA_SYSTEMMODULE_ATTR_LINK_VALUE_1 105 /* 105 to 108: link value of link 1 to 4 */
#define PXISA_SYSTEMMODULE_ATTR_LINK_VALUE_2 106
#define PXISA_SYSTEMMODULE_ATTR_LINK_VALUE_3 107
#define PXISA_SYSTEMMODULE_ATTR_LINK_VALUE_4 108
#define PXISA_SYSTEMMODULE_ATTR_MODULE_STYLE 109 /* 0 embedded, 1 remote */
#define PXISA_SYSTEMMODULE_ATTR_TEXT_1 200       /* text: a description of the module */
#define PXISA_SYSTEMMODULE_ATTR_TEXT_2 201       /* text: the controller's slot, if known */

/* Size of the chassis EEPROM image and of a text attribute buffer. */
#define PXISA_SYSTEMMODULE_EEPROM_SIZE 256
#define PXISA_SYSTEMMODULE_TEXT_SIZE 256

/*
 * Operation codes of PXISA_SystemModule_SMBusOperation, with the arguments each needs
 * (else -52005). Address and command use their low 8 bits (address with the read/write
 * bit in bit 0); PEC greater than 0 asks for packet error checking.
 */
#define PXISA_SMBUS_OP_QUICK 0        /* address odd: quick read, even: quick write */
#define PXISA_SMBUS_OP_SEND_BYTE 1    /* writeData, writeCount 1 */
#define PXISA_SMBUS_OP_RECEIVE_BYTE 2 /* readData (1 byte), readCount */
#define PXISA_SMBUS_OP_WRITE_BYTE 3   /* writeData, writeCount 1 */
#define PXISA_SMBUS_OP_READ_BYTE 4    /* readData (1 byte), readCount */
#define PXISA_SMBUS_OP_WRITE_WORD 5   /* writeData, writeCount 2 (host byte order) */
#define PXISA_SMBUS_OP_READ_WORD 6    /* readData (2 bytes, host order), readCount */
#define PXISA_SMBUS_OP_PROCESS_CALL 7 /* writeData, writeCount 2, readData (2), readCount */
#define PXISA_SMBUS_OP_WRITE_BLOCK 8  /* writeData, writeCount 0 to 255 */
#define PXISA_SMBUS_OP_READ_BLOCK 9   /* readData (up to 255 bytes), readCount */
#define PXISA_SMBUS_OP_OPEN 10        /* open the adapter and keep it open */
#define PXISA_SMBUS_OP_CLOSE 11       /* undo one PXISA_SMBUS_OP_OPEN */

/*
 * Discovers the modules of (vendor, model) afresh, replacing what the cache held for that
 * identity (other identities are untouched), and writes how many there are. A failure,
 * also one before discovery can start (the PCI bridge service or the SMBus adapter list
 * cannot be opened), writes 0 and leaves the identity with no cached modules. Errors: -313331 no description and no controller driver; -52006 no description
 * and a controller of another identity; -26902 a malformed SwitchID or SMBUSVIDPID; codes of
 * the services. An embedded description for another product than this machine gives 0
 * and status 0.
 */
int32_t PXISA_SystemModule_GetCount(const char* vendor, const char* model, int32_t* count);

/*
 * Copies the module name and the resource list of the index-th (from 1, in order of
 * discovery) cached module of (vendor, model), each whole and NUL-terminated: no length
 * is passed, so the buffers must hold the whole texts (256 bytes each are enough for
 * the names the library builds from descriptions of ordinary length). An index below 1
 * or beyond the count gives -52005.
 */
int32_t PXISA_SystemModule_GetName(const char* vendor, const char* model, int32_t index,
                                   char* moduleName, char* resourceList);

/*
 * Reads one attribute of a cached module (ids above). An unknown module or attribute id
 * gives -52005; on a two-link chassis the ids of links 3 and 4 (103, 104, 107, 108) write
 * -1 and give -52002; a module whose construction failed (for example a bad chassis EEPROM,
 * -26900 / -26901) reports that failure.
 */
int32_t PXISA_SystemModule_GetInformation(const char* moduleName, const char* resourceList,
                                          int32_t attributeId, void* value);

/* Copies the 256-byte chassis EEPROM image the module read, or reports its failure. */
int32_t PXISA_SystemModule_GetChassisEEPROM(const char* moduleName, const char* resourceList,
                                            uint8_t* buffer /* 256 bytes */);

/*
 * Runs one SMBus transaction, or opens (10) or closes (11) an adapter.
 *
 * The adapter: resource is cut at its first ";"; if what is left contains "QXSMBUS" it is
 * the resource name, otherwise the resource name is the text between the first "(" and
 * the first ")" of moduleName (-52005 when there is none). So either text returned by
 * PXISA_SystemModule_GetName may be passed as resource.
 *
 * A transaction opens the adapter, runs, and closes it again unless an earlier
 * operation 10 keeps it open; operations 10 and 11 nest by count, and 11 on an adapter
 * that is not open gives -52005. Arguments are checked after the adapter was opened.
 * readCount is written by operation 9 only (the number of bytes read, 0 to 255). Unknown
 * operation codes give -52002. Adapter and service errors pass through; the adapter is
 * released in any case.
 */
int32_t PXISA_SystemModule_SMBusOperation(const char* moduleName, const char* resource,
                                          int32_t operation, int32_t address, int32_t command,
                                          int32_t pec, int32_t writeCount, const uint8_t* writeData,
                                          int32_t* readCount, uint8_t* readData);

/*
 * Rediscovers every identity: those of the installed descriptions (remote modules first,
 * then embedded ones) and the controller driver's own. Stops at the first failure, which
 * it returns; identities no longer described keep their cached modules.
 */
int32_t QXPXI_SystemModule_UpdateCache(void);

/* Writes the number of cached modules of (vendor, model), without discovery. */
int32_t QXPXI_SystemModule_GetCount_NoCache(const char* vendor, const char* model, int32_t* count);

/*
 * Writes 1 when the (embedded) module routes peer-to-peer traffic from the source port to
 * the target port, else 0. Addresses out of range give -52005 before any work; a port
 * the module does not list gives -52005; a remote module gives -52002.
 */
int32_t QXPXI_SystemModule_GetEmbeddedP2PSupport(const char* moduleName, const char* resourceList,
                                                 tPXISA_PciAddress source, tPXISA_PciAddress target,
                                                 int32_t* supported);

#ifdef __cplusplus
}
#endif

#endif /* QXPXI_QXPXIESMU_H */
