#pragma once

// One reading of a device shared by all interfaces opened on it: it keeps
// the latest value of every object and hands each frame to the interfaces
// that are acquired. Whoever waits on an interface's notification event
// reads the device (see Event.h); until such a waiter has read it, and
// whenever no interface has an event, a pump thread of the hub's own waits
// on the source instead. Lock order: the open lock, then the hub lock, then
// an interface's lock.

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

class DeviceHub : private FrameSink, public EventFeeder {
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
    // An interface gained (+1) or lost (-1) a notification event: without
    // any, nobody waits to read the device but the pump thread.
    void notificationsChanged(int delta);

    // EventFeeder: the waiting thread reads the device.
    int feedFd() override;
    void feed(int fd) override;

private:
    void onFrame(const Frame& frame) override;
    void run();
    // Reads what the source has and hands it out; false once it is gone.
    bool pumpLocked();
    void loseAllLocked();
    // Starts the pump thread unless it runs (under the open lock).
    void startPumpLocked();

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
    bool m_running = false; // the pump thread runs
    bool m_gone = false;
    int m_notifications = 0;
    // A waiter read the source since the pump thread started: the thread
    // is not needed and ends.
    bool m_waiterReads = false;
};

} // namespace volmar::input
