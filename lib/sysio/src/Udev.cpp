#include "volmar/sysio/Udev.h"

#include <cerrno>

namespace volmar::sysio {

Status forEachUdevNode(udev* context, const char* subsystem,
                       const std::function<void(udev_device*)>& visit) {
    return forEachUdevNode(context, subsystem, {}, visit);
}

Status forEachUdevNode(udev* context, const char* subsystem,
                       std::initializer_list<const char*> sysnames,
                       const std::function<void(udev_device*)>& visit) {
    if (context == nullptr) {
        return Error::fromErrno(ENOSYS, "udev is not available");
    }
    UdevEnumeratePtr enumerate(udev_enumerate_new(context));
    if (!enumerate) {
        return Error::fromErrno(ENOMEM, "udev enumeration");
    }
    if (const int rc = udev_enumerate_add_match_subsystem(enumerate.get(), subsystem); rc < 0) {
        return Error::fromErrno(-rc, "udev enumeration");
    }
    for (const char* name : sysnames) {
        if (const int rc = udev_enumerate_add_match_sysname(enumerate.get(), name); rc < 0) {
            return Error::fromErrno(-rc, "udev enumeration");
        }
    }
    if (const int rc = udev_enumerate_scan_devices(enumerate.get()); rc < 0) {
        return Error::fromErrno(-rc, "udev enumeration");
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevDevicePtr device(
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        // Gone since the scan, or a device without a node (a parent).
        if (device && udev_device_get_devnode(device.get()) != nullptr) {
            visit(device.get());
        }
    }
    return {};
}

} // namespace volmar::sysio
