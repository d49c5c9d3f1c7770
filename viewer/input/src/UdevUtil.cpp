#include "UdevUtil.h"

#include <algorithm>
#include <cstdlib>
#include <libudev.h>
#include <memory>

namespace volmar::input {

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

std::string str(const char* s) {
    return s != nullptr ? std::string(s) : std::string{};
}

std::uint16_t hex16(const char* s) {
    return s != nullptr ? static_cast<std::uint16_t>(std::strtoul(s, nullptr, 16)) : 0;
}

// Trailing number of a node name, for a natural order.
long nodeNumber(const std::string& devnode) {
    std::size_t i = devnode.size();
    while (i > 0 && devnode[i - 1] >= '0' && devnode[i - 1] <= '9') {
        --i;
    }
    return i < devnode.size() ? std::strtol(devnode.c_str() + i, nullptr, 10) : -1;
}

} // namespace

std::vector<UdevNode> listUdevNodes(const char* subsystem) {
    std::vector<UdevNode> out;
    std::unique_ptr<udev, UdevDeleter> u(udev_new());
    if (!u) {
        return out;
    }
    std::unique_ptr<udev_enumerate, UdevDeleter> e(udev_enumerate_new(u.get()));
    if (!e || udev_enumerate_add_match_subsystem(e.get(), subsystem) < 0 ||
        udev_enumerate_scan_devices(e.get()) < 0) {
        return out;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        std::unique_ptr<udev_device, UdevDeleter> dev(
            udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
        if (!dev || udev_device_get_devnode(dev.get()) == nullptr) {
            continue;
        }
        UdevNode node;
        node.syspath = str(udev_device_get_syspath(dev.get()));
        node.devnode = str(udev_device_get_devnode(dev.get()));
        node.initialized = udev_device_get_is_initialized(dev.get()) > 0;
        udev_list_entry* prop = nullptr;
        udev_list_entry_foreach(prop, udev_device_get_properties_list_entry(dev.get())) {
            node.properties[str(udev_list_entry_get_name(prop))] =
                str(udev_list_entry_get_value(prop));
        }
        // Parents belong to the child and are not unreferenced separately.
        if (udev_device* input =
                udev_device_get_parent_with_subsystem_devtype(dev.get(), "input", nullptr)) {
            node.inputName = str(udev_device_get_sysattr_value(input, "name"));
            node.vendorId = hex16(udev_device_get_sysattr_value(input, "id/vendor"));
            node.productId = hex16(udev_device_get_sysattr_value(input, "id/product"));
        }
        if (udev_device* hid =
                udev_device_get_parent_with_subsystem_devtype(dev.get(), "hid", nullptr)) {
            node.hidParent = str(udev_device_get_syspath(hid));
            node.hidName = str(udev_device_get_property_value(hid, "HID_NAME"));
        }
        out.push_back(std::move(node));
    }
    std::sort(out.begin(), out.end(), [](const UdevNode& a, const UdevNode& b) {
        return nodeNumber(a.devnode) < nodeNumber(b.devnode);
    });
    return out;
}

} // namespace volmar::input
