#pragma once

// The USB serial ports present now, by device node (/dev/ttyACM0): where a
// Caterina bootloader shows up after "Start bootloader". The system's come
// from udev (tty devices on a USB interface: cdc_acm and the usb-serial
// drivers); volmar-sim's from the port files a virtual controller publishes
// while it sits in its bootloader. Which lists the window uses is chosen in
// defaultSerialPorts() alone.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace volmar::firmware {

class SerialPortList {
public:
    virtual ~SerialPortList() = default;
    // The port names in a stable order; empty when there are none or the
    // system cannot be asked.
    virtual std::vector<std::string> ports() = 0;
};

std::unique_ptr<SerialPortList> makeUdevSerialPorts();
// The ports volmar-sim publishes in `folder` (its device folder when empty).
std::unique_ptr<SerialPortList> makeVirtualSerialPorts(std::filesystem::path folder = {});
// The ports of every part, one after the other.
std::unique_ptr<SerialPortList>
combineSerialPorts(std::vector<std::unique_ptr<SerialPortList>> parts);

// The system's USB serial ports, then the virtual controllers'.
std::unique_ptr<SerialPortList> defaultSerialPorts();

} // namespace volmar::firmware
