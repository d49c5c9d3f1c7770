// The kernel-facing half of the hidraw backend: udev enumeration and
// monitor, hidraw ioctls, usbfs for the string language table.
#include "volmar/hid/HidrawBackend.h"

#include "volmar/sysio/DeviceLock.h"
#include "volmar/sysio/Fd.h"
#include "volmar/sysio/Hidraw.h"
#include "volmar/sysio/Udev.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <linux/hidraw.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace volmar::hid::hidraw {

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// String descriptor 0 through usbfs; empty when the bus node cannot be used
// (it usually needs more rights than the hidraw node).
std::vector<std::uint16_t> readLanguageIds(const NodeFacts& facts) {
    if (!facts.hasUsbDevice || facts.usbBusnum.empty() || facts.usbDevnum.empty()) {
        return {};
    }
    char path[64];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03d/%03d", std::atoi(facts.usbBusnum.c_str()),
                  std::atoi(facts.usbDevnum.c_str()));
    const auto fd = sysio::openFile(path, O_RDWR);
    if (!fd) {
        return {};
    }
    unsigned char buffer[255] = {};
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = 0x80; // device to host, standard, device
    transfer.bRequest = 6;        // GET_DESCRIPTOR
    transfer.wValue = 0x0300;     // string descriptor 0
    transfer.wIndex = 0;
    transfer.wLength = sizeof buffer;
    transfer.timeout = 500;
    transfer.data = buffer;
    const int n = ::ioctl(fd->get(), USBDEVFS_CONTROL, &transfer);
    if (n < 4 || buffer[1] != 3) {
        return {};
    }
    const int length = std::min<int>(n, buffer[0]);
    std::vector<std::uint16_t> ids;
    for (int i = 2; i + 1 < length; i += 2) {
        ids.push_back(static_cast<std::uint16_t>(buffer[i] | (buffer[i + 1] << 8)));
    }
    return ids;
}

NodeFacts factsOf(udev_device* dev) {
    NodeFacts facts;
    facts.devnode = sysio::udevText(udev_device_get_devnode(dev));
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr)) {
        facts.hidSysname = sysio::udevText(udev_device_get_sysname(hid));
        facts.hidId = sysio::udevText(udev_device_get_property_value(hid, "HID_ID"));
        facts.hidName = sysio::udevText(udev_device_get_property_value(hid, "HID_NAME"));
        facts.hidUniq = sysio::udevText(udev_device_get_property_value(hid, "HID_UNIQ"));
        const char* syspath = udev_device_get_syspath(hid);
        if (syspath) {
            facts.reportDescriptor = readFile(std::string(syspath) + "/report_descriptor");
        }
    }
    if (udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device")) {
        facts.hasUsbDevice = true;
        facts.usbIdVendor = sysio::udevText(udev_device_get_sysattr_value(usb, "idVendor"));
        facts.usbIdProduct = sysio::udevText(udev_device_get_sysattr_value(usb, "idProduct"));
        facts.usbBcdDevice = sysio::udevText(udev_device_get_sysattr_value(usb, "bcdDevice"));
        facts.usbManufacturer = sysio::udevText(udev_device_get_sysattr_value(usb, "manufacturer"));
        facts.usbProduct = sysio::udevText(udev_device_get_sysattr_value(usb, "product"));
        facts.usbSerial = sysio::udevText(udev_device_get_sysattr_value(usb, "serial"));
        facts.usbBusnum = sysio::udevText(udev_device_get_sysattr_value(usb, "busnum"));
        facts.usbDevnum = sysio::udevText(udev_device_get_sysattr_value(usb, "devnum"));
    }
    return facts;
}

// One opened /dev/hidrawN. Feature ioctls may run on one thread while the
// reader polls on another: the kernel allows both on one descriptor.
class HidrawNode final : public HidNode {
public:
    HidrawNode(sysio::UniqueFd fd, sysio::UniqueFd cancel, sysio::DeviceLock lock)
        : m_fd(std::move(fd)), m_cancel(std::move(cancel)), m_lock(std::move(lock)) {}

    Status setFeature(std::span<const std::uint8_t> report) override {
        if (report.empty()) {
            return Error::fromErrno(EINVAL);
        }
        std::vector<std::uint8_t> buffer(report.begin(), report.end());
        const int n = ::ioctl(m_fd.get(), HIDIOCSFEATURE(buffer.size()), buffer.data());
        if (n < 0) {
            return Error::fromErrno(errno);
        }
        return errnoStatus(static_cast<std::size_t>(n) < buffer.size() ? EIO : 0);
    }

    Status getFeature(std::span<std::uint8_t> report) override {
        if (report.empty()) {
            return Error::fromErrno(EINVAL);
        }
        const int n = ::ioctl(m_fd.get(), HIDIOCGFEATURE(report.size()), report.data());
        if (n < 0) {
            return Error::fromErrno(errno);
        }
        // Part of a report is no report: the caller would take the rest of
        // its buffer for the device's answer.
        return errnoStatus(static_cast<std::size_t>(n) < report.size() ? EIO : 0);
    }

    Status readInput(std::vector<std::uint8_t>& report, int timeoutMs) override {
        return errnoStatus(readInputNumber(report, timeoutMs));
    }

    void cancelRead() override {
        const std::uint64_t one = 1;
        // The counter only grows; a failed write means it is already readable.
        [[maybe_unused]] const ssize_t n = ::write(m_cancel.get(), &one, sizeof one);
    }

private:
    int readInputNumber(std::vector<std::uint8_t>& report, int timeoutMs) {
        pollfd fds[2] = {{m_fd.get(), POLLIN, 0}, {m_cancel.get(), POLLIN, 0}};
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0) {
            return errno == EINTR ? ETIMEDOUT : errno;
        }
        if (fds[1].revents != 0) {
            return ECANCELED;
        }
        if (n == 0) {
            return ETIMEDOUT;
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            return ENODEV;
        }
        report.resize(kMaxReport);
        const ssize_t got = ::read(m_fd.get(), report.data(), report.size());
        if (got < 0) {
            const int err = errno;
            report.clear();
            return err == EAGAIN ? ETIMEDOUT : err;
        }
        if (got == 0) {
            report.clear();
            return ENODEV;
        }
        report.resize(static_cast<std::size_t>(got));
        return 0;
    }

    static constexpr std::size_t kMaxReport = 4096; // HID_MAX_BUFFER_SIZE
    sysio::UniqueFd m_fd;
    sysio::UniqueFd m_cancel;
    sysio::DeviceLock m_lock; // held while the node is open
};

class UdevSystem final : public System {
public:
    UdevSystem() : m_udev(udev_new()) {
        if (!m_udev) {
            return;
        }
        // "udev", not "kernel": a node is announced once its rules (and
        // access rights) are in place.
        m_monitor.reset(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
        if (m_monitor && (udev_monitor_filter_add_match_subsystem_devtype(m_monitor.get(), "hidraw",
                                                                          nullptr) < 0 ||
                          udev_monitor_enable_receiving(m_monitor.get()) < 0)) {
            m_monitor.reset();
        }
    }

    std::vector<NodeFacts> listNodes() override {
        std::vector<NodeFacts> out;
        // Without udev there is nothing to list; the virtual devices remain.
        (void)sysio::forEachUdevNode(m_udev.get(), "hidraw",
                                     [&](udev_device* dev) { out.push_back(factsOf(dev)); });
        return out;
    }

    NodeProbe probe(const NodeFacts& facts, bool wantDescriptor, bool wantLanguageIds) override {
        NodeProbe probe;
        const auto opened = sysio::openFile(facts.devnode, O_RDWR | O_NONBLOCK);
        if (!opened) {
            probe.openError = opened.error().code;
            return probe;
        }
        const int fd = opened->get();
        hidraw_devinfo info{};
        if (::ioctl(fd, HIDIOCGRAWINFO, &info) == 0) {
            probe.haveRawInfo = true;
            probe.busType = info.bustype;
            probe.vendorId = static_cast<std::uint16_t>(info.vendor);
            probe.productId = static_cast<std::uint16_t>(info.product);
        }
        char name[256] = {};
        if (::ioctl(fd, HIDIOCGRAWNAME(sizeof name - 1), name) >= 0) {
            probe.rawName = name;
        }
        if (wantDescriptor) {
            // Unreadable leaves it empty: the node is still listed, without caps.
            if (auto descriptor = sysio::readReportDescriptor(fd)) {
                probe.descriptor = std::move(*descriptor);
            }
        }
        if (wantLanguageIds) {
            probe.languageIds = readLanguageIds(facts);
        }
        return probe;
    }

    Result<std::unique_ptr<HidNode>> open(const std::string& devnode) override {
        auto fd = sysio::openFile(devnode, O_RDWR | O_NONBLOCK);
        if (!fd) {
            return fd.error();
        }
        // One program per controller: refused before anything is sent.
        auto lock = sysio::DeviceLock::acquire(devnode, sysio::DeviceLock::Kind::Node);
        if (!lock) {
            return lock.error();
        }
        return makeNode(std::move(*fd), std::move(*lock));
    }

    int monitorFd() override { return m_monitor ? udev_monitor_get_fd(m_monitor.get()) : -1; }

    bool drainMonitor() override {
        bool relevant = false;
        if (!m_monitor) {
            return false;
        }
        while (sysio::UdevDevicePtr dev{udev_monitor_receive_device(m_monitor.get())}) {
            const std::string action = sysio::udevText(udev_device_get_action(dev.get()));
            if (action == "remove" || udev_device_get_is_initialized(dev.get()) > 0) {
                relevant = true;
            }
        }
        return relevant;
    }

private:
    sysio::UdevPtr m_udev;
    sysio::UdevMonitorPtr m_monitor;
};

} // namespace

Result<std::unique_ptr<HidNode>> makeNode(sysio::UniqueFd fd, sysio::DeviceLock lock) {
    sysio::UniqueFd cancel(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!cancel) {
        return Error::fromErrno(errno);
    }
    return std::unique_ptr<HidNode>(
        std::make_unique<HidrawNode>(std::move(fd), std::move(cancel), std::move(lock)));
}

std::unique_ptr<System> makeSystem() {
    return std::make_unique<UdevSystem>();
}

} // namespace volmar::hid::hidraw
