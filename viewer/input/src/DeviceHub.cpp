#include "DeviceHub.h"

#include "volmar/input/InputDevice.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace volmar::input {

DeviceHub::DeviceHub(std::shared_ptr<Backend> backend, DeviceInstance instance,
                     std::unique_ptr<Source> source, std::atomic<std::uint32_t>& sequence)
    : m_backend(std::move(backend)), m_instance(std::move(instance)), m_objects(source->objects()),
      m_sequence(sequence), m_source(std::move(source)) {
    m_values.assign(m_objects.size(), 0);
    if (!m_source->snapshot(m_values)) {
        m_values.assign(m_objects.size(), 0);
    }
}

DeviceHub::~DeviceHub() {
    std::lock_guard open(m_openMutex);
    m_stop.set();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void DeviceHub::startPumpLocked() {
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            if (m_running) {
                return;
            }
        }
        m_thread.join(); // it ended: a waiter read the device, or it went
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_gone) {
            return;
        }
        m_running = true;
        m_waiterReads = false;
    }
    m_stop.consume();
    m_thread = std::thread(&DeviceHub::run, this);
}

HResult DeviceHub::activate(InputDevice* device) {
    std::lock_guard open(m_openMutex);
    bool reopen = false;
    {
        std::lock_guard lock(m_mutex);
        reopen = m_gone;
    }
    if (reopen) {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        auto source = m_backend->open(m_instance);
        // A device that comes back different is not this device any more.
        if (!source || (*source)->objects() != m_objects) {
            return DIERR_UNPLUGGED;
        }
        std::lock_guard lock(m_mutex);
        m_source = std::move(*source);
        m_gone = false;
        m_running = false;
        if (!m_source->snapshot(m_values)) {
            m_values.assign(m_objects.size(), 0);
        }
    }
    if (!m_stop.valid()) {
        return DIERR_GENERIC;
    }
    // Until a waiter reads the device, the pump thread does.
    startPumpLocked();
    std::lock_guard lock(m_mutex);
    if (std::find(m_active.begin(), m_active.end(), device) == m_active.end()) {
        m_active.push_back(device);
    }
    device->activated(m_values);
    return DI_OK;
}

void DeviceHub::deactivate(InputDevice* device) {
    std::lock_guard lock(m_mutex);
    m_active.erase(std::remove(m_active.begin(), m_active.end(), device), m_active.end());
}

void DeviceHub::notificationsChanged(int delta) {
    std::lock_guard open(m_openMutex);
    bool none = false;
    {
        std::lock_guard lock(m_mutex);
        m_notifications += delta;
        none = m_notifications <= 0;
        if (none) {
            m_waiterReads = false;
        }
    }
    // Nobody waits to read the device any more: the pump thread reads it
    // again, if it was reading before.
    if (none && m_thread.joinable()) {
        startPumpLocked();
    }
}

int DeviceHub::feedFd() {
    std::lock_guard lock(m_mutex);
    return m_gone || !m_source ? -1 : m_source->fd();
}

void DeviceHub::feed(int fd) {
    std::lock_guard lock(m_mutex);
    // A source replaced since the waiter looked is read by the next look.
    if (m_gone || !m_source || m_source->fd() != fd) {
        return;
    }
    if (m_notifications > 0) {
        m_waiterReads = true;
    }
    pumpLocked();
}

void DeviceHub::onFrame(const Frame& frame) {
    for (const Change& c : frame.changes) {
        if (c.object < m_values.size() && m_objects[c.object].typeBits != DIDFT_RELAXIS) {
            m_values[c.object] = c.value;
        }
    }
    if (m_active.empty()) {
        return;
    }
    const std::uint32_t sequence = m_sequence.fetch_add(1, std::memory_order_relaxed);
    m_toSignal.clear();
    for (InputDevice* device : m_active) {
        if (Event* event = device->deliver(frame, sequence)) {
            m_toSignal.push_back(event);
        }
    }
    for (Event* event : m_toSignal) {
        event->set();
    }
}

void DeviceHub::waitForReading() {
    std::lock_guard lock(m_mutex);
}

void DeviceHub::loseAllLocked() {
    for (InputDevice* device : m_active) {
        device->loseInput();
    }
    m_active.clear();
}

bool DeviceHub::pumpLocked() {
    const PumpStatus status = m_source->pump(*this);
    if (status == PumpStatus::Dropped) {
        // Values are unknown until read again; every reader must resync.
        if (!m_source->snapshot(m_values)) {
            m_values.assign(m_objects.size(), 0);
        }
        loseAllLocked();
    } else if (status == PumpStatus::Gone) {
        loseAllLocked();
        m_gone = true;
        return false;
    }
    return true;
}

void DeviceHub::run() {
    int sourceFd = -1;
    {
        std::lock_guard lock(m_mutex);
        sourceFd = m_source->fd();
    }
    for (;;) {
        pollfd fds[2] = {{m_stop.fd(), POLLIN, 0}, {sourceFd, POLLIN, 0}};
        const int rc = ::poll(fds, 2, -1);
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        if ((fds[0].revents & POLLIN) != 0) {
            m_running = false;
            return;
        }
        if (rc < 0) {
            // Waiting itself failed: treat the device as gone so that the
            // readers see the loss instead of silence.
            loseAllLocked();
            m_gone = true;
            m_running = false;
            return;
        }
        if (m_waiterReads && m_notifications > 0) {
            m_running = false; // a waiter reads the device from now on
            return;
        }
        if (!pumpLocked()) {
            m_running = false;
            return;
        }
    }
}

} // namespace volmar::input
