#include "EvdevStream.h"
#include "UdevUtil.h"
#include "volmar/input/InputApi.h"
#include "volmar/input/LinuxBackends.h"
#include "volmar/sysio/Fd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <memory>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

namespace volmar::input {

namespace {

// Kernel state of the node's keys and absolute axes, read with ioctls.
Status readNodeState(int fd, const EvdevLayout& layout, EvdevCaps& out) {
    unsigned long bits[(KEY_CNT + 8 * sizeof(unsigned long) - 1) / (8 * sizeof(unsigned long))] =
        {};
    if (::ioctl(fd, EVIOCGKEY(sizeof bits), bits) < 0) {
        return Error::fromErrno(errno);
    }
    const std::size_t perWord = 8 * sizeof(unsigned long);
    for (std::uint16_t code = 0; code < KEY_CNT; ++code) {
        if (layout.keyObject[code] >= 0 && ((bits[code / perWord] >> (code % perWord)) & 1) != 0) {
            out.keysDown.push_back(code);
        }
    }
    for (std::uint16_t code = 0; code < ABS_CNT; ++code) {
        if (layout.absObject[code] < 0) {
            continue;
        }
        input_absinfo info{};
        if (::ioctl(fd, EVIOCGABS(code), &info) < 0) {
            return Error::fromErrno(errno);
        }
        out.abs.push_back({code, info.minimum, info.maximum, info.value});
    }
    return {};
}

// libevdev only reads the descriptor here; the stream owns it afterwards.
struct LibevdevDeleter {
    void operator()(libevdev* dev) const { libevdev_free(dev); }
};

bool is(const std::map<std::string, std::string>& properties, const char* key) {
    const auto it = properties.find(key);
    return it != properties.end() && it->second == "1";
}

class EvdevBackend : public Backend {
public:
    const char* name() const override { return "evdev"; }

    std::vector<DeviceInstance> enumerate(DeviceClass deviceClass) override {
        std::vector<DeviceInstance> out;
        for (const UdevNode& node : listUdevNodes("input")) {
            if (node.devnode.rfind("/dev/input/event", 0) != 0 || !node.initialized) {
                continue;
            }
            if (!evdevNodeInClass(node.properties, deviceClass)) {
                continue;
            }
            DeviceInstance d;
            d.instanceId = "evdev:" + node.devnode;
            d.path = node.devnode;
            d.deviceClass = deviceClass;
            d.productName = node.inputName.empty() ? node.devnode : node.inputName;
            d.instanceName = d.productName;
            d.vendorId = node.vendorId;
            d.productId = node.productId;
            d.usagePage = 0x01;
            d.usage = deviceClass == DeviceClass::GameController ? 0x04
                      : deviceClass == DeviceClass::Pointer      ? 0x02
                                                                 : 0x06;
            // The class is part of the key: a combined keyboard and touchpad
            // node may be listed in two classes.
            d.parentKey = parentKeyOf(node, deviceClass);
            out.push_back(std::move(d));
        }
        return out;
    }

    Result<std::unique_ptr<Source>> open(const DeviceInstance& instance) override {
        auto opened = openForReading(instance.path);
        if (!opened) {
            return opened.error();
        }
        const int fd = opened->get();
        libevdev* raw = nullptr;
        const int rc = libevdev_new_from_fd(fd, &raw);
        if (rc < 0) {
            return Error::fromErrno(-rc, instance.path);
        }
        const std::unique_ptr<libevdev, LibevdevDeleter> dev(raw);
        EvdevCaps caps;
        for (unsigned code = 0; code < KEY_CNT; ++code) {
            if (libevdev_has_event_code(dev.get(), EV_KEY, code) != 0) {
                caps.keys.push_back(static_cast<std::uint16_t>(code));
            }
        }
        for (unsigned code = 0; code < ABS_CNT; ++code) {
            if (libevdev_has_event_code(dev.get(), EV_ABS, code) != 0) {
                const input_absinfo* info = libevdev_get_abs_info(dev.get(), code);
                if (info != nullptr) {
                    caps.abs.push_back({static_cast<std::uint16_t>(code), info->minimum,
                                        info->maximum, info->value});
                }
            }
        }
        for (unsigned code = 0; code < REL_CNT; ++code) {
            if (libevdev_has_event_code(dev.get(), EV_REL, code) != 0) {
                caps.rels.push_back(static_cast<std::uint16_t>(code));
            }
        }
        // Time stamps on the monotonic clock, like every other item.
        int clock = CLOCK_MONOTONIC;
        if (::ioctl(fd, EVIOCSCLOCKID, &clock) < 0) {
            return Error::fromErrno(errno, instance.path);
        }
        auto layout = buildEvdevLayout(caps, instance.deviceClass);
        // The stream owns fd and outlives the snapshot function it holds.
        auto snapshot = [fd, layout](EvdevCaps& out) { return readNodeState(fd, layout, out); };
        return std::unique_ptr<Source>(std::make_unique<EvdevStream>(
            std::move(*opened), std::move(layout), std::move(snapshot)));
    }
};

} // namespace

bool evdevNodeInClass(const std::map<std::string, std::string>& udevProperties,
                      DeviceClass deviceClass) {
    const bool joystick = is(udevProperties, "ID_INPUT_JOYSTICK");
    switch (deviceClass) {
    case DeviceClass::GameController:
        return joystick;
    case DeviceClass::Pointer:
        return !joystick &&
               (is(udevProperties, "ID_INPUT_MOUSE") || is(udevProperties, "ID_INPUT_TOUCHPAD"));
    case DeviceClass::Keyboard:
        return !joystick && is(udevProperties, "ID_INPUT_KEYBOARD");
    }
    return false;
}

std::shared_ptr<Backend> makeEvdevBackend() {
    return std::make_shared<EvdevBackend>();
}

} // namespace volmar::input
