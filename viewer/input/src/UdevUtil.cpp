#include "UdevUtil.h"

#include "volmar/sysio/Udev.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>

namespace volmar::input {

namespace {

using sysio::udevText;

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
    const sysio::UdevPtr context(udev_new());
    // Without udev nothing is listed; the virtual devices remain.
    (void)sysio::forEachUdevNode(context.get(), subsystem, [&](udev_device* dev) {
        UdevNode node;
        node.syspath = udevText(udev_device_get_syspath(dev));
        node.devnode = udevText(udev_device_get_devnode(dev));
        node.initialized = udev_device_get_is_initialized(dev) > 0;
        udev_list_entry* prop = nullptr;
        udev_list_entry_foreach(prop, udev_device_get_properties_list_entry(dev)) {
            node.properties[udevText(udev_list_entry_get_name(prop))] =
                udevText(udev_list_entry_get_value(prop));
        }
        // Parents belong to the child and are not unreferenced separately.
        if (udev_device* input =
                udev_device_get_parent_with_subsystem_devtype(dev, "input", nullptr)) {
            node.inputName = udevText(udev_device_get_sysattr_value(input, "name"));
            node.vendorId = hex16(udev_device_get_sysattr_value(input, "id/vendor"));
            node.productId = hex16(udev_device_get_sysattr_value(input, "id/product"));
        }
        if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr)) {
            node.hidParent = udevText(udev_device_get_syspath(hid));
            node.hidName = udevText(udev_device_get_property_value(hid, "HID_NAME"));
        }
        out.push_back(std::move(node));
    });
    std::sort(out.begin(), out.end(), [](const UdevNode& a, const UdevNode& b) {
        return nodeNumber(a.devnode) < nodeNumber(b.devnode);
    });
    return out;
}

std::string parentKeyOf(const UdevNode& node, DeviceClass deviceClass) {
    if (node.hidParent.empty()) {
        return {};
    }
    return node.hidParent + "#" + std::to_string(static_cast<int>(deviceClass));
}

Result<sysio::UniqueFd> openForReading(const std::string& devnode) {
    auto fd = sysio::openFile(devnode, O_RDONLY | O_NONBLOCK);
    if (!fd) {
        return Error{fd.error().code, devnode + ": " + fd.error().text};
    }
    return fd;
}

} // namespace volmar::input
