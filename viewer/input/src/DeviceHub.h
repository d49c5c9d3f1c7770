#pragma once

// One reading of a device shared by all interfaces opened on it: a pump
// thread waits on the source, keeps the latest value of every object and
// hands each frame to the interfaces that are acquired. Lock order: the
// open lock, then the hub lock, then an interface's lock.

#include "volmar/input/Event.h"
#include "volmar/input/Source.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace volmar::input {

class InputDevice;

class DeviceHub : private FrameSink {
public:
    DeviceHub(std::shared_ptr<Backend> backend, DeviceInstance instance,
              std::unique_ptr<Source> source, std::atomic<std::uint32_t>& sequence);
    ~DeviceHub() override;
    DeviceHub(const DeviceHub&) = delete;
    DeviceHub& operator=(const DeviceHub&) = delete;

    const std::vector<ObjectDesc>& objects() const { return m_objects; }

    // Starts feeding the interface (after giving it the current values);
    // reopens a device that went away. DIERR_UNPLUGGED when it cannot.
    HResult activate(InputDevice* device);
    void deactivate(InputDevice* device);
    // Returns once no frame is being handed out.
    void waitForReading();

private:
    void onFrame(const Frame& frame) override;
    void run();
    void loseAllLocked();

    std::shared_ptr<Backend> m_backend;
    DeviceInstance m_instance;
    std::vector<ObjectDesc> m_objects;
    std::atomic<std::uint32_t>& m_sequence;

    std::mutex m_openMutex; // serialises start, reopen and shutdown of the pump
    std::thread m_thread;
    Event m_stop;

    std::mutex m_mutex;
    std::unique_ptr<Source> m_source;
    std::vector<std::int32_t> m_values;
    std::vector<InputDevice*> m_active;
    std::vector<Event*> m_toSignal;
    bool m_running = false;
    bool m_gone = false;
};

} // namespace volmar::input
