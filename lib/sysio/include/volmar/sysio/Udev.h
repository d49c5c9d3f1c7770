#pragma once

// Owners of libudev handles and the one walk over a subsystem's device
// nodes that the configurator's HID layer and the viewer's input layer both
// make. Users link PkgConfig::UDEV through volmar_sysio_udev.

#include "volmar/sysio/Result.h"

#include <functional>
#include <initializer_list>
#include <libudev.h>
#include <memory>
#include <string>

namespace volmar::sysio {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevDeleter>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeleter>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevDeleter>;

// libudev answers nullptr for "not there"; as text that is empty.
inline std::string udevText(const char* s) {
    return s != nullptr ? std::string(s) : std::string();
}

// Hands every device of `subsystem` that has a device node to `visit`, in
// udev's order. The device (and its parents) live only for the call.
Status forEachUdevNode(udev* context, const char* subsystem,
                       const std::function<void(udev_device*)>& visit);
// The same for the devices whose kernel name matches one of `sysnames`
// ("ttyACM*"): the others are never opened, which keeps a walk that runs
// often to a directory listing.
Status forEachUdevNode(udev* context, const char* subsystem,
                       std::initializer_list<const char*> sysnames,
                       const std::function<void(udev_device*)>& visit);

} // namespace volmar::sysio
