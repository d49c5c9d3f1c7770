#include "UdevUtil.h"
#include "volmar/input/HidJoystick.h"
#include "volmar/input/LinuxBackends.h"
#include "volmar/sysio/Fd.h"
#include "volmar/sysio/Hidraw.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace volmar::input {

namespace {

// The node's report descriptor, parsed.
Result<hidparse::ParsedDescriptor> readDescriptor(int fd) {
    const auto bytes = sysio::readReportDescriptor(fd);
    if (!bytes) {
        return bytes.error();
    }
    return hidparse::parseDescriptor(*bytes);
}

std::size_t gameCollectionCount(const hidparse::ParsedDescriptor& descriptor) {
    std::size_t n = 0;
    for (const hidparse::Collection& c : descriptor.collections) {
        n += c.usagePage == 0x01 && (c.usage == 0x04 || c.usage == 0x05 || c.usage == 0x08);
    }
    return n;
}

class HidrawSource : public Source {
public:
    HidrawSource(sysio::UniqueFd fd, hidparse::ParsedDescriptor descriptor, std::size_t collection)
        : m_fd(std::move(fd)), m_joystick(std::move(descriptor), collection) {}

    const std::vector<ObjectDesc>& objects() const override { return m_joystick.objects(); }
    int fd() const override { return m_fd.get(); }
    std::string error() const override { return m_error; }

    PumpStatus pump(FrameSink& sink) override {
        for (;;) {
            const ssize_t n = ::read(m_fd.get(), m_report.data(), m_report.size());
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    return PumpStatus::Ok;
                }
                m_error = std::strerror(errno); // EIO/ENODEV: unplugged
                return PumpStatus::Gone;
            }
            if (n == 0) {
                m_error = std::strerror(ENODEV);
                return PumpStatus::Gone;
            }
            if (m_joystick.decode(std::span(m_report.data(), static_cast<std::size_t>(n)), nowMs(),
                                  m_frame) &&
                !m_frame.changes.empty()) {
                sink.onFrame(m_frame);
            }
        }
    }

    // hidraw keeps no state: the latest report is the state.
    bool snapshot(std::vector<std::int32_t>& values) override {
        values = m_joystick.values();
        return true;
    }

private:
    sysio::UniqueFd m_fd;
    HidJoystick m_joystick;
    std::array<std::uint8_t, 4096> m_report{};
    Frame m_frame;
    std::string m_error;
};

class HidrawBackend : public Backend {
public:
    const char* name() const override { return "hidraw"; }

    std::vector<DeviceInstance> enumerate(DeviceClass deviceClass) override {
        std::vector<DeviceInstance> out;
        if (deviceClass != DeviceClass::GameController) {
            return out;
        }
        for (const UdevNode& node : listUdevNodes("hidraw")) {
            if (!node.initialized) {
                continue;
            }
            // Nodes this user cannot read are left to evdev.
            const auto fd = openForReading(node.devnode);
            if (!fd) {
                continue;
            }
            const auto descriptor = readDescriptor(fd->get());
            hidraw_devinfo info{};
            const bool haveInfo = ::ioctl(fd->get(), HIDIOCGRAWINFO, &info) == 0;
            std::array<char, 256> rawName{};
            const int nameLength =
                ::ioctl(fd->get(), HIDIOCGRAWNAME(rawName.size() - 1), rawName.data());
            if (!descriptor) {
                continue;
            }
            const auto collection = findGameCollection(*descriptor);
            if (!collection || gameCollectionCount(*descriptor) != 1) {
                continue; // several sticks on one node: evdev tells them apart
            }
            DeviceInstance d;
            d.instanceId = "hidraw:" + node.devnode;
            d.path = node.devnode;
            d.deviceClass = DeviceClass::GameController;
            d.productName = !node.hidName.empty() ? node.hidName
                            : nameLength > 0      ? std::string(rawName.data())
                                                  : node.devnode;
            d.instanceName = d.productName;
            if (haveInfo) {
                d.vendorId = static_cast<std::uint16_t>(info.vendor);
                d.productId = static_cast<std::uint16_t>(info.product);
            }
            d.usagePage = descriptor->collections[*collection].usagePage;
            d.usage = descriptor->collections[*collection].usage;
            d.parentKey = parentKeyOf(node, DeviceClass::GameController);
            out.push_back(std::move(d));
        }
        return out;
    }

    Result<std::unique_ptr<Source>> open(const DeviceInstance& instance) override {
        auto fd = openForReading(instance.path);
        if (!fd) {
            return fd.error();
        }
        auto descriptor = readDescriptor(fd->get());
        if (!descriptor) {
            return Error{descriptor.error().code, instance.path + ": " + descriptor.error().text};
        }
        const auto collection = findGameCollection(*descriptor);
        if (!collection) {
            return Error{0, instance.path + ": no game controller collection"};
        }
        return std::unique_ptr<Source>(
            std::make_unique<HidrawSource>(std::move(*fd), std::move(*descriptor), *collection));
    }
};

} // namespace

std::shared_ptr<Backend> makeHidrawBackend() {
    return std::make_shared<HidrawBackend>();
}

std::unique_ptr<Source> makeHidReportSource(sysio::UniqueFd fd,
                                            hidparse::ParsedDescriptor descriptor,
                                            std::size_t collection) {
    return std::make_unique<HidrawSource>(std::move(fd), std::move(descriptor), collection);
}

} // namespace volmar::input
