/*
 * libQXPXIeCDu: the PXI Express chassis of one vendor and model, and their PCI root buses.
 *
 * A host names a chassis model by its vendor and model texts (the identity under which the
 * model's chassis driver description is installed) and one chassis of that model by its
 * chassis number, counted from 1 in the order of discovery. Each chassis has one or more
 * PCI root buses, counted from 1: the first is the bus below the chassis's anchor bridge,
 * the others the buses below the bridges of the further root-bus levels of the model.
 *
 * Calling order: PXISA_Chassis_GetCount for a model, or QXPXI_Chassis_UpdateCache for all
 * models, searches the PCI bus and fills the library's cache; PXISA_Chassis_GetPCIRootBusNumber
 * and QXPXI_Chassis_GetCount_NoCache only read that cache and report what the last discovery
 * of the model left. Nothing is refreshed behind the host's back.
 *
 * Threads: every entry point may be called from any thread; calls run one at a time under
 * the library's process-wide lock, discovery included.
 *
 * Arguments: texts are NUL-terminated byte strings. A null vendor, model or out-pointer is
 * rejected with QXPXI_STATUS_INVALID_PARAMETER (-52005) before any work.
 *
 * Results: 0 success, negative error, positive warning (codes in qxpxi/qxstatus.h; codes of
 * the PCI bridge service and the description database pass through). On an error the count
 * out is 0 and the bus number out is 0xFFFFFFFF, except that a library whose cache could not
 * be created (or that is unloading) answers QXPXI_STATUS_INTERNAL_FAULT (-52003) and writes
 * nothing.
 */
#ifndef QXPXI_QXPXIECDU_H
#define QXPXI_QXPXIECDU_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Rediscovers the chassis of (vendor, model) on the PCI bus, replaces the cache entry of
 * that model (other models are untouched) and writes how many there are.
 * Errors: -313331 the database has no chassis driver description of that identity;
 * -52003 a malformed root-bus bridge key in the description; PCI bridge service codes.
 * A failed discovery, also one that cannot start because the PCI bridge service cannot be
 * bound or its session opened, writes 0 and leaves the model with no cached chassis.
 */
int32_t PXISA_Chassis_GetCount(const char* vendor, const char* model, uint32_t* count);

/*
 * Writes the number of root bus rootBusPosition (1-based) of chassis chassisNumber
 * (1-based) of (vendor, model), from the cache. A position or chassis number of 0 or
 * beyond what was found, or a model not in the cache, gives -52005 and 0xFFFFFFFF.
 */
int32_t PXISA_Chassis_GetPCIRootBusNumber(const char* vendor, const char* model,
                                          uint32_t rootBusPosition, uint32_t chassisNumber,
                                          uint32_t* busNumber);

/*
 * Rediscovers the chassis of every model that the description database knows, in the
 * database's order (vendor, then model). At the first failure the remaining models keep
 * their earlier entries and that failure is returned.
 */
int32_t QXPXI_Chassis_UpdateCache(void);

/*
 * Writes the number of chassis that the cache holds for (vendor, model), without searching
 * the PCI bus: 0 for a model that no discovery found.
 */
int32_t QXPXI_Chassis_GetCount_NoCache(const char* vendor, const char* model, uint32_t* count);

#ifdef __cplusplus
}
#endif

#endif /* QXPXI_QXPXIECDU_H */
