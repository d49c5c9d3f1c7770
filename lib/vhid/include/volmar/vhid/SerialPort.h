#pragma once

// The USB serial port a virtual controller shows while it sits in its
// bootloader, as a Caterina bootloader does: a plain file "<id>.tty" beside
// the device's socket in deviceFolder(), holding the publisher's process id.
// The configurator lists these files beside the real serial ports; their
// paths are the port names.

#include "volmar/sysio/Result.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace volmar::vhid {

inline constexpr std::string_view kSerialPortSuffix = ".tty";

// The serial ports in `folder` (deviceFolder() when empty), sorted by name;
// none when the folder does not exist. A file whose publisher has gone
// (killed before it could remove it) is left out.
std::vector<std::filesystem::path> serialPorts(std::filesystem::path folder = {});

// One published port; the file goes when the object does.
class SerialPort {
public:
    // Publishes `path` (made under a hidden name first and renamed into
    // place, so a lister never sees half of it). A failure holds the
    // system's text alone.
    static Result<std::unique_ptr<SerialPort>> publish(const std::filesystem::path& path);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    explicit SerialPort(std::filesystem::path path) : m_path(std::move(path)) {}
    std::filesystem::path m_path;
};

} // namespace volmar::vhid
