#include "volmar/vhid/SerialPort.h"

#include "volmar/vhid/Wire.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
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

std::unique_ptr<SerialPort> SerialPort::publish(const std::filesystem::path& path,
                                                std::string& error) {
    const std::filesystem::path temp =
        path.parent_path() / ("." + path.filename().string() + "." + std::to_string(::getpid()));
    std::FILE* file = std::fopen(temp.c_str(), "w");
    if (file == nullptr) {
        error = std::strerror(errno);
        return nullptr;
    }
    const bool written = std::fprintf(file, "%ld\n", static_cast<long>(::getpid())) > 0;
    const int savedErrno = errno;
    if (std::fclose(file) != 0 || !written) {
        error = std::strerror(written ? errno : savedErrno);
        ::unlink(temp.c_str());
        return nullptr;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(temp.c_str());
        return nullptr;
    }
    return std::unique_ptr<SerialPort>(new SerialPort(path));
}

SerialPort::~SerialPort() {
    ::unlink(m_path.c_str());
}

} // namespace volmar::vhid
