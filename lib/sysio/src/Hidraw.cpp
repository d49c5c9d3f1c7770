#include "volmar/sysio/Hidraw.h"

#include <cerrno>
#include <linux/hidraw.h>
#include <sys/ioctl.h>

namespace volmar::sysio {

Result<std::vector<std::uint8_t>> readReportDescriptor(int fd) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) {
        return Error::fromErrno(errno);
    }
    if (size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return Error::fromErrno(EIO, "report descriptor of " + std::to_string(size) + " bytes");
    }
    hidraw_report_descriptor desc{};
    desc.size = static_cast<__u32>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &desc) < 0) {
        return Error::fromErrno(errno);
    }
    return std::vector<std::uint8_t>(desc.value, desc.value + size);
}

} // namespace volmar::sysio
