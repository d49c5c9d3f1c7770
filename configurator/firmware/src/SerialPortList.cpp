#include "volmar/firmware/SerialPortList.h"

#include "volmar/sysio/Udev.h"
#include "volmar/vhid/SerialPort.h"

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
    std::vector<std::string> ports() override {
        std::vector<std::string> names;
        // cdc_acm names its ports ttyACM*, the usb-serial drivers ttyUSB*.
        // Matching the names keeps the walk to the directory listing: the
        // other ttys (dozens of consoles) are never opened, and this runs on
        // every monitor tick of the firmware page. A system without udev has
        // no ports to offer.
        (void)sysio::forEachUdevNode(
            m_udev.get(), "tty", {"ttyACM*", "ttyUSB*"}, [&](udev_device* tty) {
                if (isUsbSerial(tty)) {
                    names.push_back(sysio::udevText(udev_device_get_devnode(tty)));
                }
            });
        return names;
    }

private:
    sysio::UdevPtr m_udev{udev_new()};
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
