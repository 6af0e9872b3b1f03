/*
 * Finder plug-in interface: the six entry points that a discovery host binds, by name,
 * in a finder plug-in (libqx7402.so finds chassis, libqxpxiecf.so the embedded
 * controller the machine is).
 *
 * A plug-in answers with a list of found items; each item has string and 32-bit
 * attributes. Every function but closeList returns a status (qxpxi/qxstatus.h): 0
 * success, negative error. Nothing is written on failure but what is stated below.
 *
 * Calling order: openList; getNthItem for each index below the count; any number of
 * attribute queries on the items; closeList once for every non-null list handle (never
 * for a null one). Several lists may be open at once, in one thread or several.
 *
 * Ownership. List and item handles and the texts returned stay owned by the plug-in.
 * The chassis finder keeps items and texts valid until the list they came from is
 * closed; the embedded controller finder until the last open list is closed. A host
 * must not query a handle while another thread closes the last open list.
 *
 * Codes. -52005 (QXPXI_STATUS_INVALID_PARAMETER): a null out-pointer, an unknown list
 * or item, an index out of range, an unsupported attribute. -52002
 * (QXPXI_STATUS_FEATURE_UNSUPPORTED): the chassis finder has no IDSEL map. -52000:
 * out of memory. -52003: the plug-in's lock could not be created. Codes of the outside
 * services (for example -313008, PCI bridge service missing) pass through unchanged.
 */
#ifndef QXPXI_QXPXIFINDER_H
#define QXPXI_QXPXIFINDER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* String attributes (nQXPXIFINDER100_getStringAttribute). */
#define QXPXI_FINDER_ATTR_VENDOR 0x00000u    /* kAttrVendor */
#define QXPXI_FINDER_ATTR_MODEL 0x00001u     /* kAttrModel */
#define QXPXI_FINDER_ATTR_SLOT_PATH 0x1F810u /* kAttrSlotPath: controller only */

/* 32-bit attributes (nQXPXIFINDER100_getU32Attribute); a separate identifier space. */
#define QXPXI_FINDER_ATTR_ITEM_CLASS 0x00000u       /* kAttrItemClass */
#define QXPXI_FINDER_ATTR_CONTROLLER_CLASS 0x10000u /* kAttrControllerClass: controller only */
#define QXPXI_FINDER_ATTR_CONTROLLER_BUS 0x10001u   /* kAttrControllerBus: controller only */
#define QXPXI_FINDER_ATTR_CHASSIS_BUS 0x20000u      /* kAttrChassisBus: chassis only */

/* Values of QXPXI_FINDER_ATTR_ITEM_CLASS. */
#define QXPXI_FINDER_ITEM_CLASS_CONTROLLER 1u /* kItemClassController */
#define QXPXI_FINDER_ITEM_CLASS_CHASSIS 2u    /* kItemClassChassis */

/* Finds the plug-in's items. Writes the item count and the list handle; when nothing
 * is found, count 0 and a null list (no closeList follows). On failure count is 0 and
 * list null. A null count or list returns -52005 and writes nothing. */
int32_t nQXPXIFINDER100_openList(uint32_t* count, void** list);

/* Releases a list from openList, with its items and texts. The chassis finder ignores
 * a handle it does not know. */
void nQXPXIFINDER100_closeList(void* list);

/* Writes the handle of item index (from 0, below the count) of the list. A null item
 * or an index out of range returns -52005 and leaves item unchanged. */
int32_t nQXPXIFINDER100_getNthItem(void* list, uint32_t index, void** item);

/* Points value at a NUL-terminated text owned by the plug-in. */
int32_t nQXPXIFINDER100_getStringAttribute(void* item, uint32_t attribute, const char** value);

/* Writes a 32-bit attribute value. */
int32_t nQXPXIFINDER100_getU32Attribute(void* item, uint32_t attribute, uint32_t* value);

/* Points map at the controller's 32-entry IDSEL table; the chassis finder answers
 * -52002 whatever the arguments. */
int32_t nQXPXIFINDER100_getControllerIDSELMap(void* item, const uint8_t** map);

#ifdef __cplusplus
}
#endif

#endif /* QXPXI_QXPXIFINDER_H */
