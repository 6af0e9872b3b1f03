/*
 * A minimal host of the qxpxi libraries: loads the chassis library and the system module
 * library by file name, asks how many chassis of one model there are and which PCI root
 * buses they have, and names the system modules of one identity.
 *
 *     cc qxpxi-host-example.c $(pkg-config --cflags --libs qxpxi) -o qxpxi-host-example
 *     ./qxpxi-host-example ["chassis vendor" "chassis model" ["module vendor" "module model"]]
 *
 * Exit status: 0 when every call succeeded, 1 otherwise.
 */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>

#include <qxpxi/QXPXIeCDu.h>
#include <qxpxi/qxstatus.h>

/* Function pointer types of the entry points whose prototypes are in qxpxi/QXPXIeCDu.h
 * and qxpxi/QXPXIeSMu.h. */
typedef int32_t (*tChassisGetCount)(const char*, const char*, uint32_t*);
typedef int32_t (*tChassisGetBus)(const char*, const char*, uint32_t, uint32_t, uint32_t*);
typedef int32_t (*tModuleGetCount)(const char*, const char*, int32_t*);
typedef int32_t (*tModuleGetName)(const char*, const char*, int32_t, char*, char*);

static int report(const char* call, int32_t status) {
    if (status < 0) {
        fprintf(stderr, "%s: %d %s: %s\n", call, (int)status, qxpxi_status_name(status),
                qxpxi_status_meaning(status));
        return 1;
    }
    return 0;
}

static int listChassis(void* library, const char* vendor, const char* model) {
    tChassisGetCount getCount = (tChassisGetCount)dlsym(library, "PXISA_Chassis_GetCount");
    tChassisGetBus getBus = (tChassisGetBus)dlsym(library, "PXISA_Chassis_GetPCIRootBusNumber");
    uint32_t count = 0;
    uint32_t chassis;
    if (getCount == NULL || getBus == NULL) {
        fprintf(stderr, "libQXPXIeCDu.so: %s\n", dlerror());
        return 1;
    }
    /* GetCount searches the PCI bus and fills the library's cache ... */
    if (report("PXISA_Chassis_GetCount", getCount(vendor, model, &count))) {
        return 1;
    }
    printf("%s %s: %u chassis\n", vendor, model, count);
    for (chassis = 1; chassis <= count; ++chassis) {
        /* ... which GetPCIRootBusNumber reads: positions from 1 until -52005. */
        uint32_t position;
        printf("  chassis %u: root buses", chassis);
        for (position = 1;; ++position) {
            uint32_t bus = 0;
            int32_t status = getBus(vendor, model, position, chassis, &bus);
            if (status == QXPXI_STATUS_INVALID_PARAMETER) {
                break;
            }
            if (report("PXISA_Chassis_GetPCIRootBusNumber", status)) {
                return 1;
            }
            printf(" 0x%02X", bus);
        }
        printf("\n");
    }
    return 0;
}

static int listModules(void* library, const char* vendor, const char* model) {
    tModuleGetCount getCount = (tModuleGetCount)dlsym(library, "PXISA_SystemModule_GetCount");
    tModuleGetName getName = (tModuleGetName)dlsym(library, "PXISA_SystemModule_GetName");
    int32_t count = 0;
    int32_t index;
    if (getCount == NULL || getName == NULL) {
        fprintf(stderr, "libQXPXIeSMu.so: %s\n", dlerror());
        return 1;
    }
    if (report("PXISA_SystemModule_GetCount", getCount(vendor, model, &count))) {
        return 1;
    }
    printf("%s %s: %d system module(s)\n", vendor, model, (int)count);
    for (index = 1; index <= count; ++index) {
        /* No length is passed: the buffers must hold the whole names. */
        char name[1024];
        char resources[1024];
        if (report("PXISA_SystemModule_GetName", getName(vendor, model, index, name, resources))) {
            return 1;
        }
        printf("  %s, resources %s\n", name, resources);
    }
    return 0;
}

int main(int argc, char** argv) {
    const char* chassisVendor = argc > 2 ? argv[1] : "Quarrix";
    const char* chassisModel = argc > 2 ? argv[2] : "QX PXIe-1092";
    const char* moduleVendor = argc > 4 ? argv[3] : "Quarrix";
    const char* moduleModel = argc > 4 ? argv[4] : "PXIe-8881";
    int failed = 0;
    void* chassisLibrary;
    void* moduleLibrary;

    /* By file name: the loader's search (LD_LIBRARY_PATH, ld.so.cache, /usr/lib) finds it. */
    chassisLibrary = dlopen("libQXPXIeCDu.so", RTLD_NOW | RTLD_LOCAL);
    if (chassisLibrary == NULL) {
        fprintf(stderr, "%s\n", dlerror());
        failed = 1;
    } else {
        failed |= listChassis(chassisLibrary, chassisVendor, chassisModel);
        dlclose(chassisLibrary);
    }

    moduleLibrary = dlopen("libQXPXIeSMu.so", RTLD_NOW | RTLD_LOCAL);
    if (moduleLibrary == NULL) {
        fprintf(stderr, "%s\n", dlerror());
        failed = 1;
    } else {
        failed |= listModules(moduleLibrary, moduleVendor, moduleModel);
        dlclose(moduleLibrary);
    }
    return failed;
}
