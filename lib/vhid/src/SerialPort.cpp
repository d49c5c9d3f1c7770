#include "volmar/vhid/SerialPort.h"

#include "volmar/sysio/FileOutput.h"
#include "volmar/vhid/Wire.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <signal.h>
#include <unistd.h>

namespace volmar::vhid {

namespace {

// A port file holds its publisher's process id: one left behind by a sim
// that was killed is not a port.
bool publisherAlive(const std::filesystem::path& port) {
    std::ifstream in(port);
    long pid = 0;
    if (!(in >> pid) || pid <= 0) {
        return false;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

std::vector<std::filesystem::path> serialPorts(std::filesystem::path folder) {
    if (folder.empty()) {
        folder = deviceFolder();
    }
    std::vector<std::filesystem::path> ports;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with('.') && name.ends_with(kSerialPortSuffix) &&
            it->is_regular_file(ec) && publisherAlive(it->path())) {
            ports.push_back(it->path());
        }
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

Result<std::unique_ptr<SerialPort>> SerialPort::publish(const std::filesystem::path& path) {
    const std::string pid = std::to_string(::getpid()) + "\n";
    const sysio::OutputFile file{
        path, std::span(reinterpret_cast<const std::uint8_t*>(pid.data()), pid.size())};
    const Status written = sysio::writeFiles(
        std::span(&file, 1),
        [](const std::filesystem::path&, std::string_view reason) { return std::string(reason); });
    if (!written) {
        return written.error();
    }
    return std::unique_ptr<SerialPort>(new SerialPort(path));
}

SerialPort::~SerialPort() {
    ::unlink(m_path.c_str());
}

} // namespace volmar::vhid
