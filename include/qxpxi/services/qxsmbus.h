/*
 * SMBus service, "libqxsmbus.so.2".
 *
 * Opens the SMBus adapters of the machine by resource name and runs SMBus
 * transactions on them. Callers bind the library by file name at run time and look
 * each function up by name.
 *
 * Handles. A session (from QXSMBusOpen or an entry of QXSMBusOpenList) is an opaque
 * pointer; null means none. Sessions are independent of one another and may be used
 * from several threads at once.
 *
 * Results. 0 success, negative error, positive warning.
 *   -52006  QXSMBusOpenList found no adapter (the list is null and *count 0).
 *
 * Lists. QXSMBusOpenList opens a session on every adapter of the machine and returns
 * an array of *count sessions; the caller returns the array and its sessions with
 * QXSMBusCloseList(count, array), never with QXSMBusClose.
 *
 * Attributes of QXSMBusGetAttribute / QXSMBusSetAttribute, by value type:
 *   1001, 1002        int32_t
 *   101 to 104        uint32_t
 *   105 to 107        uint16_t
 *   301, 302          const char*: the service writes a pointer to text it owns, valid
 *                     while the session is open; the caller must not free it.
 *
 * Block transfers move at most 255 bytes; QXSMBusReadBlock needs a 256-byte buffer.
 * PEC arguments are booleans (0 or not 0).
 */
#ifndef QXPXI_SERVICES_QXSMBUS_H
#define QXPXI_SERVICES_QXSMBUS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int32_t QXSMBusOpen(const char* resourceName, void** session);
int32_t QXSMBusClose(void* session);
int32_t QXSMBusGetAttribute(void* session, uint32_t attribute, void* value);
int32_t QXSMBusSetAttribute(void* session, uint32_t attribute, const void* value);
int32_t QXSMBusQuickWrite(void* session, uint8_t address);
int32_t QXSMBusQuickRead(void* session, uint8_t address);
int32_t QXSMBusSendByte(void* session, uint8_t address, uint8_t data, int32_t pec);
int32_t QXSMBusReceiveByte(void* session, uint8_t address, int32_t pec, uint8_t* data);
int32_t QXSMBusWriteByte(void* session, uint8_t address, uint8_t command, uint8_t data,
                         int32_t pec);
int32_t QXSMBusReadByte(void* session, uint8_t address, uint8_t command, int32_t pec,
                        uint8_t* data);
int32_t QXSMBusWriteWord(void* session, uint8_t address, uint8_t command, uint16_t data,
                         int32_t pec);
int32_t QXSMBusReadWord(void* session, uint8_t address, uint8_t command, int32_t pec,
                        uint16_t* data);
int32_t QXSMBusProcessCall(void* session, uint8_t address, uint8_t command, uint16_t data,
                           int32_t pec, uint16_t* result);
int32_t QXSMBusWriteBlock(void* session, uint8_t address, uint8_t command, uint8_t count,
                          const uint8_t* data, int32_t pec);
int32_t QXSMBusReadBlock(void* session, uint8_t address, uint8_t command, int32_t pec,
                         uint8_t* count, uint8_t* buffer /* 256 bytes */);
int32_t QXSMBusGetChassisEEPROM(void* session, uint8_t offset, uint32_t length,
                                uint8_t* buffer);
int32_t QXSMBusReadI2CEEPROM(void* session, uint8_t deviceAddress, uint8_t offset,
                             uint32_t length, uint8_t* buffer);
int32_t QXSMBusWriteFirmware(void* session, const uint8_t* image, uint32_t imageSize);
void** QXSMBusOpenList(uint32_t* count, int32_t* status);
int32_t QXSMBusCloseList(uint32_t count, void** sessions);
void** QXSMBusOpenListEx(uint32_t flags, uint32_t* count, int32_t* status); /* optional */

#ifdef __cplusplus
}
#endif

#endif /* QXPXI_SERVICES_QXSMBUS_H */
