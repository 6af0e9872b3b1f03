#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "services/linux/smbus/i2cIo.h"

namespace nQxLinux {

int i2cOpen(const char* a_pPath) {
    return ::open(a_pPath, O_RDWR | O_CLOEXEC);
}

int i2cIoctl(int a_Fd, unsigned long a_Request, unsigned long a_Argument) {
    return ::ioctl(a_Fd, a_Request, a_Argument);
}

void i2cClose(int a_Fd) {
    ::close(a_Fd);
}

}  // namespace nQxLinux
