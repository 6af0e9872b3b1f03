#include <sys/ioctl.h>
#include <unistd.h>

#include "services/linux/smbus/i2cIo.h"

namespace nQxLinux {

int i2cOpen(const char* a_pPath, int a_Flags) {
    return ::open(a_pPath, a_Flags);
}

int i2cFstat(int a_Fd, struct stat* a_pStat) {
    return ::fstat(a_Fd, a_pStat);
}

int i2cIoctl(int a_Fd, unsigned long a_Request, unsigned long a_Argument) {
    return ::ioctl(a_Fd, a_Request, a_Argument);
}

void i2cClose(int a_Fd) {
    ::close(a_Fd);
}

}  // namespace nQxLinux
