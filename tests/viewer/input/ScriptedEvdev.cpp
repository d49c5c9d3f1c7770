#include "ScriptedEvdev.h"

#include "EvdevStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace volmar::input {

struct ScriptedEvdev::Shared {
    std::mutex mutex;
    EvdevCaps caps;
    sysio::UniqueFd writeFd;
    sysio::UniqueFd readFd;
};

ScriptedEvdev::ScriptedEvdev(DeviceInstance instance, EvdevCaps caps)
    : m_instance(std::move(instance)), m_shared(std::make_shared<Shared>()) {
    m_shared->caps = std::move(caps);
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_shared->readFd.reset(fds[0]);
        m_shared->writeFd.reset(fds[1]);
        // Room for a long burst, like a kernel node's buffer.
        ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    }
}

ScriptedEvdev::~ScriptedEvdev() {
    unplug();
    std::lock_guard lock(m_shared->mutex);
    m_shared->readFd.reset();
}

bool ScriptedEvdev::send(std::span<const input_event> events) {
    std::lock_guard lock(m_shared->mutex);
    if (!m_shared->writeFd) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const char*>(events.data());
    std::size_t left = events.size_bytes();
    while (left > 0) {
        const ssize_t n = ::write(m_shared->writeFd.get(), bytes, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

void ScriptedEvdev::setCaps(const EvdevCaps& caps) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->caps = caps;
}

void ScriptedEvdev::unplug() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->writeFd.reset();
}

bool ScriptedEvdev::plugged() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->writeFd.valid();
}

Result<std::unique_ptr<Source>> ScriptedEvdev::open() {
    EvdevCaps caps;
    sysio::UniqueFd fd;
    {
        std::lock_guard lock(m_shared->mutex);
        if (!m_shared->writeFd || !m_shared->readFd) {
            return Error::fromErrno(ENODEV);
        }
        fd.reset(::fcntl(m_shared->readFd.get(), F_DUPFD_CLOEXEC, 0));
        caps = m_shared->caps;
    }
    if (!fd) {
        return Error::fromErrno(errno);
    }
    auto layout = buildEvdevLayout(caps, m_instance.deviceClass);
    std::weak_ptr<Shared> weak = m_shared;
    auto snapshot = [weak](EvdevCaps& out) -> Status {
        auto shared = weak.lock();
        if (!shared) {
            return Error::fromErrno(ENODEV);
        }
        std::lock_guard lock(shared->mutex);
        out = shared->caps;
        return {};
    };
    return std::unique_ptr<Source>(
        std::make_unique<EvdevStream>(std::move(fd), std::move(layout), std::move(snapshot)));
}

std::vector<DeviceInstance> ScriptedBackend::enumerate(DeviceClass deviceClass) {
    std::vector<DeviceInstance> out;
    for (const auto& node : m_nodes) {
        if (node->instance().deviceClass == deviceClass && node->plugged()) {
            out.push_back(node->instance());
        }
    }
    return out;
}

Result<std::unique_ptr<Source>> ScriptedBackend::open(const DeviceInstance& instance) {
    if (m_failOpens) {
        return Error::fromErrno(EACCES);
    }
    for (const auto& node : m_nodes) {
        if (node->instance().instanceId == instance.instanceId) {
            return node->open();
        }
    }
    return Error::fromErrno(ENODEV);
}

input_event evdevEvent(std::uint16_t type, std::uint16_t code, std::int32_t value,
                       std::uint32_t timeMs) {
    input_event e{};
    e.input_event_sec = timeMs / 1000;
    e.input_event_usec = (timeMs % 1000) * 1000;
    e.type = type;
    e.code = code;
    e.value = value;
    return e;
}

} // namespace volmar::input
