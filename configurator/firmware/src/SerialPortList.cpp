#include "volmar/firmware/SerialPortList.h"

#include "volmar/vhid/SerialPort.h"

#include <libudev.h>

#include <cstring>

namespace volmar::firmware {

namespace {

// The tty's USB interface, or null when the tty is not on USB.
udev_device* usbInterfaceOf(udev_device* tty) {
    return udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_interface");
}

// A modem-class port (cdc_acm, as Caterina presents itself) or one of the
// usb-serial converters; other ttys on USB (a modem's control channels
// through other drivers) are not what a loader talks to.
bool isUsbSerial(udev_device* tty) {
    udev_device* interface = usbInterfaceOf(tty);
    if (interface == nullptr) {
        return false;
    }
    const char* driver = udev_device_get_driver(interface);
    if (driver != nullptr && std::strcmp(driver, "cdc_acm") == 0) {
        return true;
    }
    return udev_device_get_parent_with_subsystem_devtype(tty, "usb-serial", nullptr) != nullptr;
}

class UdevSerialPorts : public SerialPortList {
public:
    UdevSerialPorts() : m_udev(udev_new()) {}
    ~UdevSerialPorts() override {
        if (m_udev != nullptr) {
            udev_unref(m_udev);
        }
    }
    UdevSerialPorts(const UdevSerialPorts&) = delete;
    UdevSerialPorts& operator=(const UdevSerialPorts&) = delete;

    std::vector<std::string> ports() override {
        std::vector<std::string> names;
        if (m_udev == nullptr) {
            return names;
        }
        udev_enumerate* walk = udev_enumerate_new(m_udev);
        if (walk == nullptr) {
            return names;
        }
        // cdc_acm names its ports ttyACM*, the usb-serial drivers ttyUSB*.
        // Matching the names first keeps the walk to the directory listing:
        // the other ttys (dozens of consoles) are never opened, and this
        // runs on every monitor tick of the firmware page.
        if (udev_enumerate_add_match_subsystem(walk, "tty") >= 0 &&
            udev_enumerate_add_match_sysname(walk, "ttyACM*") >= 0 &&
            udev_enumerate_add_match_sysname(walk, "ttyUSB*") >= 0 &&
            udev_enumerate_scan_devices(walk) >= 0) {
            udev_list_entry* entry = nullptr;
            udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(walk)) {
                udev_device* tty =
                    udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
                if (tty == nullptr) {
                    continue;
                }
                const char* node = udev_device_get_devnode(tty);
                if (node != nullptr && isUsbSerial(tty)) {
                    names.emplace_back(node);
                }
                udev_device_unref(tty);
            }
        }
        udev_enumerate_unref(walk);
        return names;
    }

private:
    udev* m_udev;
};

class VirtualSerialPorts : public SerialPortList {
public:
    explicit VirtualSerialPorts(std::filesystem::path folder) : m_folder(std::move(folder)) {}
    std::vector<std::string> ports() override {
        std::vector<std::string> names;
        for (const auto& port : vhid::serialPorts(m_folder)) {
            names.push_back(port.string());
        }
        return names;
    }

private:
    std::filesystem::path m_folder;
};

class CombinedSerialPorts : public SerialPortList {
public:
    explicit CombinedSerialPorts(std::vector<std::unique_ptr<SerialPortList>> parts)
        : m_parts(std::move(parts)) {}
    std::vector<std::string> ports() override {
        std::vector<std::string> names;
        for (const auto& part : m_parts) {
            for (std::string& name : part->ports()) {
                names.push_back(std::move(name));
            }
        }
        return names;
    }

private:
    std::vector<std::unique_ptr<SerialPortList>> m_parts;
};

} // namespace

std::unique_ptr<SerialPortList> makeUdevSerialPorts() {
    return std::make_unique<UdevSerialPorts>();
}

std::unique_ptr<SerialPortList> makeVirtualSerialPorts(std::filesystem::path folder) {
    return std::make_unique<VirtualSerialPorts>(std::move(folder));
}

std::unique_ptr<SerialPortList>
combineSerialPorts(std::vector<std::unique_ptr<SerialPortList>> parts) {
    return std::make_unique<CombinedSerialPorts>(std::move(parts));
}

std::unique_ptr<SerialPortList> defaultSerialPorts() {
    std::vector<std::unique_ptr<SerialPortList>> parts;
    parts.push_back(makeUdevSerialPorts());
    parts.push_back(makeVirtualSerialPorts());
    return combineSerialPorts(std::move(parts));
}

} // namespace volmar::firmware
