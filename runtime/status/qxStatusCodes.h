// The status codes raised or tested anywhere in the libraries. 0 is success, negative
// values are errors, positive values are warnings.
#pragma once

#include <cstdint>

#include "qxpxi/qxstatus.h"
#include "runtime/qxns.h"

namespace QX_NS {

constexpr int32_t kStatusSuccess = 0;
constexpr int32_t kStatusNoFilesMatched = QXPXI_STATUS_NO_FILES_MATCHED;

constexpr int32_t qxapalerr_memoryFull = QXPXI_STATUS_MEMORY_FULL;
constexpr int32_t qxapalerr_featureUnsupported = QXPXI_STATUS_FEATURE_UNSUPPORTED;
constexpr int32_t qxapalerr_softwareFaultAPALInternalUseOnly = QXPXI_STATUS_INTERNAL_FAULT;
constexpr int32_t qxapalerr_invalidParameter = QXPXI_STATUS_INVALID_PARAMETER;
constexpr int32_t kStatusNotFound = QXPXI_STATUS_NOT_FOUND;
constexpr int32_t kStatusUnknownKey = QXPXI_STATUS_UNKNOWN_KEY;

constexpr int32_t kStatusEepromChecksumMismatch = QXPXI_STATUS_EEPROM_CHECKSUM_MISMATCH;
constexpr int32_t kStatusEepromInvalid = QXPXI_STATUS_EEPROM_INVALID;
constexpr int32_t kStatusDescriptionInvalid = QXPXI_STATUS_DESCRIPTION_INVALID;
constexpr int32_t kStatusBridgeNotFound = QXPXI_STATUS_BRIDGE_NOT_FOUND;
constexpr int32_t kStatusCntDrvBufferTooSmall = QXPXI_STATUS_CNTDRV_BUFFER_TOO_SMALL;
constexpr int32_t kStatusCntDrvNotLoaded = QXPXI_STATUS_CNTDRV_NOT_LOADED;

constexpr int32_t kStatusSmBiosUnavailable = QXPXI_STATUS_SMBIOS_UNAVAILABLE;
constexpr int32_t kStatusSmBiosBufferTooSmall = QXPXI_STATUS_SMBIOS_BUFFER_TOO_SMALL;
constexpr int32_t kStatusSmBiosNotFound = QXPXI_STATUS_SMBIOS_NOT_FOUND;
constexpr int32_t kStatusSmBiosCorrupt = QXPXI_STATUS_SMBIOS_CORRUPT;
// Warning of the SMBIOS lookup: the field holds no string.
constexpr int32_t kStatusSmBiosNoString = QXPXI_STATUS_SMBIOS_NO_STRING;

constexpr int32_t kStatusPciBrdBufferTooSmall = QXPXI_STATUS_PCIBRD_BUFFER_TOO_SMALL;
constexpr int32_t kStatusPciBrdNotFound = QXPXI_STATUS_PCIBRD_NOT_FOUND;
constexpr int32_t kStatusPciBrdNotLoaded = QXPXI_STATUS_PCIBRD_NOT_LOADED;

constexpr int32_t kStatusIniCreateFailed = QXPXI_STATUS_INI_CREATE_FAILED;
constexpr int32_t kStatusEmptyPath = QXPXI_STATUS_EMPTY_PATH;
constexpr int32_t kStatusFileAccessFailed = QXPXI_STATUS_FILE_ACCESS_FAILED;
constexpr int32_t kStatusIniNotOpen = QXPXI_STATUS_INI_NOT_OPEN;
constexpr int32_t kStatusIniReadOnly = QXPXI_STATUS_INI_READ_ONLY;
constexpr int32_t kStatusIniWriteFailed = QXPXI_STATUS_INI_WRITE_FAILED;
constexpr int32_t kStatusIniValueInvalid = QXPXI_STATUS_INI_VALUE_INVALID;
constexpr int32_t kStatusIniSectionNotFound = QXPXI_STATUS_INI_SECTION_NOT_FOUND;
constexpr int32_t kStatusIniKeyNotFound = QXPXI_STATUS_INI_KEY_NOT_FOUND;
constexpr int32_t kStatusIniItemInvalid = QXPXI_STATUS_INI_ITEM_INVALID;
constexpr int32_t kStatusSlotPathEmpty = QXPXI_STATUS_SLOT_PATH_EMPTY;
constexpr int32_t kStatusInvalidArgument = QXPXI_STATUS_INVALID_ARGUMENT;
constexpr int32_t kStatusNoPattern = QXPXI_STATUS_NO_PATTERN;
constexpr int32_t kStatusGlobFailed = QXPXI_STATUS_GLOB_FAILED;
constexpr int32_t kStatusNotInitialized = QXPXI_STATUS_NOT_INITIALIZED;
constexpr int32_t kStatusDbKindInvalid = QXPXI_STATUS_DB_KIND_INVALID;
constexpr int32_t kStatusDbNotFound = QXPXI_STATUS_DB_NOT_FOUND;
constexpr int32_t kStatusNotPresent = QXPXI_STATUS_NOT_PRESENT;

}  // namespace QX_NS
