/*
 * Status codes returned by the qxpxi discovery libraries and the finder plug-ins.
 *
 * Every entry point returns a signed 32-bit code: 0 is success, a negative value an
 * error, a positive value a warning. Codes of the outside platform services that are
 * not listed here are passed through unchanged.
 *
 * qxpxi_status_name() and qxpxi_status_meaning() give a code's symbolic name and a
 * one-line meaning, for messages; both return a static text, never NULL.
 */
#ifndef QXPXI_QXSTATUS_H
#define QXPXI_QXSTATUS_H

#include <stdint.h>

#define QXPXI_STATUS_SUCCESS 0
#define QXPXI_STATUS_NO_FILES_MATCHED 313300
#define QXPXI_STATUS_SMBIOS_NO_STRING 240050

#define QXPXI_STATUS_MEMORY_FULL (-52000)
#define QXPXI_STATUS_FEATURE_UNSUPPORTED (-52002)
#define QXPXI_STATUS_INTERNAL_FAULT (-52003)
#define QXPXI_STATUS_INVALID_PARAMETER (-52005)
#define QXPXI_STATUS_NOT_FOUND (-52006)
#define QXPXI_STATUS_UNKNOWN_KEY (-52008)

#define QXPXI_STATUS_EEPROM_CHECKSUM_MISMATCH (-26900)
#define QXPXI_STATUS_EEPROM_INVALID (-26901)
#define QXPXI_STATUS_DESCRIPTION_INVALID (-26902)
#define QXPXI_STATUS_BRIDGE_NOT_FOUND (-26904)
#define QXPXI_STATUS_CNTDRV_BUFFER_TOO_SMALL (-26930)
#define QXPXI_STATUS_CNTDRV_NOT_LOADED (-26937)

#define QXPXI_STATUS_SMBIOS_UNAVAILABLE (-240050)
#define QXPXI_STATUS_SMBIOS_BUFFER_TOO_SMALL (-240051)
#define QXPXI_STATUS_SMBIOS_NOT_FOUND (-240052)
#define QXPXI_STATUS_SMBIOS_CORRUPT (-240053)

#define QXPXI_STATUS_PCIBRD_BUFFER_TOO_SMALL (-313002)
#define QXPXI_STATUS_PCIBRD_NOT_FOUND (-313003)
#define QXPXI_STATUS_PCIBRD_NOT_LOADED (-313008)

#define QXPXI_STATUS_INI_CREATE_FAILED (-313314)
#define QXPXI_STATUS_EMPTY_PATH (-313315)
#define QXPXI_STATUS_FILE_ACCESS_FAILED (-313316)
#define QXPXI_STATUS_INI_NOT_OPEN (-313317)
#define QXPXI_STATUS_INI_READ_ONLY (-313318)
#define QXPXI_STATUS_INI_WRITE_FAILED (-313319)
#define QXPXI_STATUS_INI_VALUE_INVALID (-313320)
#define QXPXI_STATUS_INI_SECTION_NOT_FOUND (-313321)
#define QXPXI_STATUS_INI_KEY_NOT_FOUND (-313322)
#define QXPXI_STATUS_INI_ITEM_INVALID (-313323)
#define QXPXI_STATUS_SLOT_PATH_EMPTY (-313324)
#define QXPXI_STATUS_INVALID_ARGUMENT (-313325)
#define QXPXI_STATUS_NO_PATTERN (-313326)
#define QXPXI_STATUS_GLOB_FAILED (-313327)
#define QXPXI_STATUS_NOT_INITIALIZED (-313328)
#define QXPXI_STATUS_DB_KIND_INVALID (-313330)
#define QXPXI_STATUS_DB_NOT_FOUND (-313331)
#define QXPXI_STATUS_NOT_PRESENT (-313332)

/*
 * Every code but success, once: X(suffix of its QXPXI_STATUS_ define, symbolic name,
 * meaning). The name table below and the libraries' own constants of the same names are
 * both made from this list.
 */
#define QXPXI_STATUS_LIST(X) \
    X(NO_FILES_MATCHED, kStatusNoFilesMatched, "warning: a file-name pattern matched no file") \
    X(SMBIOS_NO_STRING, kStatusSmBiosNoString, "warning: the SMBIOS field holds no string") \
    X(MEMORY_FULL, qxapalerr_memoryFull, "memory could not be allocated") \
    X(FEATURE_UNSUPPORTED, qxapalerr_featureUnsupported, "operation or attribute not supported") \
    X(INTERNAL_FAULT, qxapalerr_softwareFaultAPALInternalUseOnly, \
      "internal failure of the library") \
    X(INVALID_PARAMETER, qxapalerr_invalidParameter, \
      "a null or out-of-range argument, an unknown name, or a service that could not be bound") \
    X(NOT_FOUND, kStatusNotFound, "the requested thing does not exist") \
    X(UNKNOWN_KEY, kStatusUnknownKey, "a name is not a key of a fixed lookup table") \
    X(EEPROM_CHECKSUM_MISMATCH, kStatusEepromChecksumMismatch, \
      "chassis EEPROM checksum does not match") \
    X(EEPROM_INVALID, kStatusEepromInvalid, \
      "chassis EEPROM signature or link configuration is invalid") \
    X(DESCRIPTION_INVALID, kStatusDescriptionInvalid, \
      "a system module description value is missing or malformed") \
    X(BRIDGE_NOT_FOUND, kStatusBridgeNotFound, "no unambiguous PCI bridge for a link path step") \
    X(CNTDRV_BUFFER_TOO_SMALL, kStatusCntDrvBufferTooSmall, \
      "controller driver: text buffer too small") \
    X(CNTDRV_NOT_LOADED, kStatusCntDrvNotLoaded, \
      "controller driver service or one of its functions is missing") \
    X(SMBIOS_UNAVAILABLE, kStatusSmBiosUnavailable, "the SMBIOS dump file cannot be opened") \
    X(SMBIOS_BUFFER_TOO_SMALL, kStatusSmBiosBufferTooSmall, \
      "SMBIOS: the caller's buffer is too small") \
    X(SMBIOS_NOT_FOUND, kStatusSmBiosNotFound, \
      "no SMBIOS structure or string of the requested kind") \
    X(SMBIOS_CORRUPT, kStatusSmBiosCorrupt, "the SMBIOS table is malformed") \
    X(PCIBRD_BUFFER_TOO_SMALL, kStatusPciBrdBufferTooSmall, \
      "PCI bridge service: the array is too small") \
    X(PCIBRD_NOT_FOUND, kStatusPciBrdNotFound, "PCI bridge service: no bridge matches") \
    X(PCIBRD_NOT_LOADED, kStatusPciBrdNotLoaded, \
      "PCI bridge service or one of its functions is missing") \
    X(INI_CREATE_FAILED, kStatusIniCreateFailed, "an INI document could not be created") \
    X(EMPTY_PATH, kStatusEmptyPath, "an empty path was given") \
    X(FILE_ACCESS_FAILED, kStatusFileAccessFailed, \
      "a file could not be read, written or examined") \
    X(INI_NOT_OPEN, kStatusIniNotOpen, "the INI file is not open") \
    X(INI_READ_ONLY, kStatusIniReadOnly, "the INI file is open read-only") \
    X(INI_WRITE_FAILED, kStatusIniWriteFailed, "an INI value could not be written") \
    X(INI_VALUE_INVALID, kStatusIniValueInvalid, "an INI value is not a valid number") \
    X(INI_SECTION_NOT_FOUND, kStatusIniSectionNotFound, "the INI section does not exist") \
    X(INI_KEY_NOT_FOUND, kStatusIniKeyNotFound, "the INI key does not exist") \
    X(INI_ITEM_INVALID, kStatusIniItemInvalid, "an INI list item or hexadecimal value is invalid") \
    X(SLOT_PATH_EMPTY, kStatusSlotPathEmpty, "the slot path has no hops") \
    X(INVALID_ARGUMENT, kStatusInvalidArgument, "an argument is invalid") \
    X(NO_PATTERN, kStatusNoPattern, "no file-name pattern was given") \
    X(GLOB_FAILED, kStatusGlobFailed, "the file search failed") \
    X(NOT_INITIALIZED, kStatusNotInitialized, "used before initialisation") \
    X(DB_KIND_INVALID, kStatusDbKindInvalid, "unknown description kind") \
    X(DB_NOT_FOUND, kStatusDbNotFound, "no description for this identity") \
    X(NOT_PRESENT, kStatusNotPresent, "the description value is not present")

typedef struct {
    int32_t code;
    const char* name;
    const char* meaning;
} qxpxi_status_info;

#define QXPXI_STATUS_ROW(suffix, name, meaning) {QXPXI_STATUS_##suffix, #name, meaning},
static const qxpxi_status_info qxpxi_status_table[] = {
    {QXPXI_STATUS_SUCCESS, "success", "the call succeeded"},
    QXPXI_STATUS_LIST(QXPXI_STATUS_ROW)
};
#undef QXPXI_STATUS_ROW

static inline const qxpxi_status_info* qxpxi_status_lookup(int32_t code) {
    unsigned i;
    for (i = 0; i < sizeof(qxpxi_status_table) / sizeof(qxpxi_status_table[0]); ++i) {
        if (qxpxi_status_table[i].code == code) return &qxpxi_status_table[i];
    }
    return 0;
}

static inline const char* qxpxi_status_name(int32_t code) {
    const qxpxi_status_info* info = qxpxi_status_lookup(code);
    return info ? info->name : "unknown";
}

static inline const char* qxpxi_status_meaning(int32_t code) {
    const qxpxi_status_info* info = qxpxi_status_lookup(code);
    if (info) return info->meaning;
    return code < 0 ? "error code of an outside service" : "warning code of an outside service";
}

#endif /* QXPXI_QXSTATUS_H */
