#include "SimProgram.h"

#include "ControlChannel.h"

#include "volmar/sim/Eeprom.h"
#include "volmar/sim/Firmware.h"
#include "volmar/sim/Joystick.h"
#include "volmar/sysio/Fd.h"
#include "volmar/vhid/SerialPort.h"
#include "volmar/vhid/Server.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace volmar::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Deferred {
    SimTime at;
    vhid::Server::ConnectionId connection;
    vhid::Message message;
};

class Simulator {
public:
    Simulator(const ProgramOptions& options, const EepromImage& eeprom, std::FILE* log)
        : m_options(options), m_start(SteadyClock::now()), m_firmware(eeprom, options.board, now()),
          m_device(m_firmware, options.faults, persistFunction()), m_log(log) {
        m_firmware.setBootloaderStay(options.bootloaderStay);
        m_firmware.setHubPresent(options.hubPresent);
        m_firmware.setHubIdentity(options.hubIdentity);
        m_firmware.setCorruptByte(options.faults.corruptEepromByte);
    }

    int run(int signalFd);

private:
    SimTime now() const {
        return std::chrono::duration_cast<SimTime>(SteadyClock::now() - m_start);
    }

    SimDevice::Persist persistFunction() {
        if (!m_options.eepromFile) {
            return {};
        }
        return [this](const EepromImage& eeprom) {
            if (const Status saved = saveEepromFile(*m_options.eepromFile, eeprom); !saved) {
                std::fprintf(stderr, "volmar-sim: %s\n", saved.error().text.c_str());
                return EIO;
            }
            return 0;
        };
    }

    bool plugIn(const char* word);
    void handleRequests();
    void sendDue(SimTime t);
    void sendInput(SimTime t);
    void broadcastReport(SimTime t);
    int timeoutMs(SimTime t) const;
    void writeLog(const std::string& line);
    void showBootloaderPort();

    const ProgramOptions& m_options;
    SteadyClock::time_point m_start;
    Firmware m_firmware;
    SimDevice m_device;
    std::FILE* m_log;
    bool m_logFailed = false;
    std::unique_ptr<Joystick> m_joystick;
    std::unique_ptr<vhid::Server> m_server;
    std::unique_ptr<vhid::SerialPort> m_bootloaderPort; // while in the bootloader
    std::unique_ptr<ControlChannel> m_control;          // runtime commands
    InputControl m_input;
    std::deque<Deferred> m_deferred;
    std::optional<SimTime> m_leaveAt;  // restart/bootloader: off the bus after the reply
    std::optional<SimTime> m_unplugAt; // unplug fault: gone for good after the reply
    SimTime m_nextInput{0};
};

bool Simulator::plugIn(const char* word) {
    m_bootloaderPort.reset();
    m_joystick = std::make_unique<Joystick>(m_firmware.bootImage());
    if (!m_joystick->problem().empty()) {
        std::fprintf(stderr, "volmar-sim: %s; the joystick has no inputs until it is fixed\n",
                     m_joystick->problem().c_str());
    }
    if (!m_joystick->lengthWarning().empty()) {
        std::fprintf(stderr, "volmar-sim: %s\n", m_joystick->lengthWarning().c_str());
    }
    const std::filesystem::path path = vhid::deviceFolder() / (m_options.id + ".sock");
    auto server = vhid::Server::listen(
        path, deviceInfo(m_firmware, m_options.identity, m_joystick->nodeDescriptor()));
    if (!server) {
        std::fprintf(stderr, "volmar-sim: cannot create the device socket %s: %s\n", path.c_str(),
                     server.error().text.c_str());
        return false;
    }
    m_server = std::move(*server);
    m_nextInput = now();
    if (!m_control) {
        m_control = ControlChannel::openFor(m_options.id);
    }
    std::printf("volmar-sim: %s %s\n", word, path.c_str());
    std::fflush(stdout);
    return true;
}

// The bootloader's serial port, so the configurator's port watch sees it.
void Simulator::showBootloaderPort() {
    const std::filesystem::path path =
        vhid::deviceFolder() / (m_options.id + std::string(vhid::kSerialPortSuffix));
    auto port = vhid::SerialPort::publish(path);
    if (port) {
        m_bootloaderPort = std::move(*port);
        std::printf("volmar-sim: bootloader port %s\n", path.c_str());
    } else {
        std::fprintf(stderr, "volmar-sim: cannot show the bootloader port %s: %s\n", path.c_str(),
                     port.error().text.c_str());
    }
}

void Simulator::writeLog(const std::string& line) {
    if (m_log == nullptr || line.empty() || m_logFailed) {
        return;
    }
    if (std::fprintf(m_log, "%s\n", line.c_str()) < 0 || std::fflush(m_log) != 0) {
        std::fprintf(stderr, "volmar-sim: cannot write the log: %s\n", std::strerror(errno));
        m_logFailed = true;
    }
}

void Simulator::handleRequests() {
    std::vector<vhid::Server::Request> requests;
    m_server->process(requests);
    for (const auto& request : requests) {
        if (m_unplugAt) {
            break; // the device is on its way out: nothing more is served
        }
        const bool wasAttached = m_firmware.attached();
        Outcome out = m_device.handle(request.message, now());
        writeLog(out.logLine);
        if (out.reply) {
            m_deferred.push_back(Deferred{out.sendAt, request.connection, std::move(*out.reply)});
        }
        if (wasAttached && !m_firmware.attached()) {
            m_leaveAt = out.sendAt;
        }
        if (out.unplug) {
            m_unplugAt = out.sendAt;
        }
    }
}

void Simulator::sendDue(SimTime t) {
    // Replies leave in arrival order; with one delay for all that is also
    // the order of their times.
    while (!m_deferred.empty() && m_deferred.front().at <= t) {
        if (m_server) {
            m_server->send(m_deferred.front().connection, m_deferred.front().message);
        }
        m_deferred.pop_front();
    }
}

void Simulator::sendInput(SimTime t) {
    if (!m_server || !m_joystick->hasInput()) {
        return;
    }
    for (; m_input.burst > 0; --m_input.burst) {
        broadcastReport(t);
    }
    if (!m_input.periodic || t < m_nextInput) {
        return;
    }
    const SimTime interval = std::chrono::milliseconds(pollIntervalMs(m_firmware.bootImage()));
    broadcastReport(t);
    m_nextInput += interval;
    if (m_nextInput <= t) {
        m_nextInput = t + interval; // a late loop skips reports rather than bursting
    }
}

void Simulator::broadcastReport(SimTime t) {
    if (m_server->subscriberCount() > 0) {
        const auto report = m_joystick->inputReport(m_firmware.bootImage(), m_firmware.board(),
                                                    t - m_firmware.bootTime());
        if (report) {
            m_server->broadcastInput(*report);
        }
    }
}

int Simulator::timeoutMs(SimTime t) const {
    std::optional<SimTime> next;
    const auto consider = [&](std::optional<SimTime> at) {
        if (at && (!next || *at < *next)) {
            next = at;
        }
    };
    if (!m_deferred.empty()) {
        consider(m_deferred.front().at);
    }
    consider(m_leaveAt);
    consider(m_unplugAt);
    if (!m_server) {
        consider(m_firmware.returnsAt());
    } else if (m_joystick->hasInput() && m_server->subscriberCount() > 0 && m_input.periodic) {
        consider(m_nextInput);
    }
    if (!next) {
        return 1000;
    }
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(*next - t).count();
    // Round up so that the loop never wakes just before the moment and spins.
    return static_cast<int>(std::clamp<long long>((left + 999) / 1000, 0, 1000));
}

int Simulator::run(int signalFd) {
    if (!plugIn("ready")) {
        return 1;
    }
    for (;;) {
        std::vector<pollfd> fds{pollfd{signalFd, POLLIN, 0}};
        if (m_control) {
            fds.push_back(pollfd{m_control->fd(), POLLIN, 0});
        }
        if (m_server) {
            m_server->addPollFds(fds);
        }
        const int n = ::poll(fds.data(), fds.size(), timeoutMs(now()));
        if (n < 0 && errno != EINTR) {
            std::fprintf(stderr, "volmar-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            signalfd_siginfo info{};
            [[maybe_unused]] const ssize_t got = ::read(signalFd, &info, sizeof(info));
            if (m_server) {
                m_server->unplug();
            }
            std::printf("volmar-sim: stopped\n");
            return 0;
        }
        if (m_control && (fds[1].revents & POLLIN) != 0) {
            m_control->serve(m_firmware.board(), m_input);
        }
        if (m_server) {
            handleRequests();
        }
        SimTime t = now();
        sendDue(t);
        if (m_unplugAt && t >= *m_unplugAt) {
            sendDue(*m_unplugAt);
            m_server->unplug();
            std::printf("volmar-sim: unplugged after %llu transfers\n",
                        static_cast<unsigned long long>(m_device.transfers()));
            return 0;
        }
        if (m_leaveAt && t >= *m_leaveAt && m_server) {
            m_server->unplug();
            m_server.reset();
            m_deferred.clear();
            m_leaveAt.reset();
            std::printf("volmar-sim: left the bus\n");
            if (m_firmware.inBootloader()) {
                showBootloaderPort();
            }
            std::fflush(stdout);
        }
        if (!m_server && m_firmware.advance(t) && !plugIn("back")) {
            return 1;
        }
        sendInput(t);
    }
}

} // namespace

int runSimulator(const ProgramOptions& options) {
    EepromImage eeprom = erasedEeprom();
    if (options.eepromFile) {
        const auto loaded = loadEepromFile(*options.eepromFile);
        if (!loaded) {
            std::fprintf(stderr, "volmar-sim: %s\n", loaded.error().text.c_str());
            // A file refused for its content is bad input, like a bad option.
            return loaded.error().code == 0 ? 2 : 1;
        }
        eeprom = *loaded;
    }
    std::FILE* log = nullptr;
    if (options.logFile) {
        log = std::fopen(options.logFile->c_str(), "w");
        if (log == nullptr) {
            std::fprintf(stderr, "volmar-sim: cannot create the log %s: %s\n",
                         options.logFile->c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    // A closed terminal too: dying by the default action would leave the
    // socket file behind, listed as a device that nobody answers.
    sigaddset(&mask, SIGHUP);
    int rc = 1;
    if (::sigprocmask(SIG_BLOCK, &mask, nullptr) != 0) {
        std::fprintf(stderr, "volmar-sim: sigprocmask: %s\n", std::strerror(errno));
    } else if (const sysio::UniqueFd sfd(::signalfd(-1, &mask, SFD_CLOEXEC)); !sfd) {
        std::fprintf(stderr, "volmar-sim: signalfd: %s\n", std::strerror(errno));
    } else {
        Simulator sim(options, eeprom, log);
        rc = sim.run(sfd.get());
    }
    if (log != nullptr && std::fclose(log) != 0) {
        std::fprintf(stderr, "volmar-sim: cannot write the log: %s\n", std::strerror(errno));
        rc = rc == 0 ? 1 : rc;
    }
    return rc;
}

} // namespace volmar::sim
