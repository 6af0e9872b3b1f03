/*
 * Relocation service, "libqxrelocations.so.0".
 *
 * Tells where an installation directory of the platform has been moved to. Callers
 * bind the library by file name at run time and look the function up by name.
 *
 * get_relocated_dir(name, buffer, bufferSize):
 *   positive  the buffer holds the relocated directory, NUL-terminated;
 *   0         there is no different value for this name (use the built-in default);
 *   negative  failure (for example a buffer too small for the directory and its NUL).
 * The buffer is owned by the caller.
 */
#ifndef QXPXI_SERVICES_QXRELOCATIONS_H
#define QXPXI_SERVICES_QXRELOCATIONS_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

int get_relocated_dir(const char* name, char* buffer, size_t bufferSize);

#ifdef __cplusplus
}
#endif

#endif /* QXPXI_SERVICES_QXRELOCATIONS_H */
