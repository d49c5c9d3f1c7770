#pragma once

// One opened interface of an input device. A device may be opened any number
// of times; each interface has its own data format, properties, state,
// buffer and acquisition, and all of them are fed from one reading of the
// device. Every call is thread-safe.

#include "volmar/input/DataFormat.h"
#include "volmar/input/Event.h"
#include "volmar/input/Source.h"
#include "volmar/input/Types.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace volmar::input {

class DeviceHub;

// Items the device side keeps below an interface's buffer, as a kernel node
// keeps events its reader has not fetched yet: a reader that is late by a
// few milliseconds must not lose a 1 kHz controller's items. A read still
// hands out at most the buffer size, so callers see buffers of the size they
// asked for; only beyond both are the oldest items lost.
inline constexpr std::uint32_t kDeviceBacklogItems = 1024;

class InputDevice {
public:
    InputDevice(std::shared_ptr<DeviceHub> hub, DeviceInstance instance);
    ~InputDevice();
    InputDevice(const InputDevice&) = delete;
    InputDevice& operator=(const InputDevice&) = delete;

    const DeviceInstance& instance() const { return m_instance; }

    // Maps the objects onto the format's entries; refused while acquired.
    HResult setDataFormat(const DataFormat& format);
    // Only background, non-exclusive use exists here: any level is accepted.
    HResult setCooperativeLevel(std::uint32_t flags);
    // The event is set whenever new items or a loss of input are waiting.
    // A thread waiting on it reads the device meanwhile (see Event.h).
    HResult setEventNotification(Event* event);

    // Objects in their stable order; typeMask DIDFT_ALL or kind bits.
    // The callback returns false to stop.
    HResult enumObjects(const std::function<bool(const ObjectInstance&)>& callback,
                        std::uint32_t typeMask = DIDFT_ALL) const;
    HResult getObjectInfo(ObjectInstance& out, std::uint32_t object, How how) const;

    HResult getProperty(PropId id, PropRange& block) const;
    HResult getProperty(PropId id, PropDword& block) const;
    HResult getProperty(PropId id, PropCalibration& block) const;
    HResult getProperty(PropId id, PropPath& block) const;
    HResult setProperty(PropId id, const PropRange& block);
    HResult setProperty(PropId id, const PropDword& block);
    HResult setProperty(PropId id, const PropCalibration& block);

    HResult acquire();
    HResult unacquire();
    // The whole state in the data format's layout; size must be the format's.
    // Relative axes (a mouse) hold the movement since the previous call,
    // which this call starts again from 0.
    HResult getDeviceState(std::uint32_t size, void* data);
    // Moves up to `count` buffered items out, never more than the buffer size
    // (count = how many were moved); items still waiting set the event again.
    // DI_BUFFEROVERFLOW when items were lost since the last read;
    // DIERR_INPUTLOST once after the device lost input, then DIERR_NOTACQUIRED.
    HResult getDeviceData(std::uint32_t itemSize, DeviceObjectData* items, std::uint32_t& count,
                          std::uint32_t flags);

    // Called by the device's reading, under its lock. deliver() returns the
    // event to set once every interface has the frame (nullptr: nothing new),
    // so that a reader waiting on several interfaces wakes once per frame.
    Event* deliver(const Frame& frame, std::uint32_t sequence);
    void loseInput();
    void activated(const std::vector<std::int32_t>& values);

private:
    struct Object {
        ObjectDesc desc;
        std::uint32_t type = 0;
        std::int32_t offset = -1; // in the current data format
        std::int32_t rangeMin = 0;
        std::int32_t rangeMax = 65535;
        std::uint32_t deadZone = 0;
        std::uint32_t saturation = 10000;
        std::uint32_t calibrationMode = DIPROPCALIBRATIONMODE_COOKED;
        bool calibrated = false;
        std::int32_t calMin = 0;
        std::int32_t calCenter = 0;
        std::int32_t calMax = 0;
    };

    // Index of the object a property header names, or -1 (device) / -2 (none).
    int findObject(std::uint32_t object, How how) const;
    int resolve(const PropHeader& header, bool deviceAllowed, HResult& error) const;
    // The single axis a property read addresses, or nullptr with `error` set.
    const Object* readable(const PropHeader& header, PropId id, HResult& error) const;
    // Calls `apply` for the axis a property write addresses, or for every
    // absolute axis when `index` is -1 (the whole device).
    template <typename F>
    void forTargets(int index, F&& apply) {
        for (std::size_t i = 0; i < m_objects.size(); ++i) {
            if ((index == -1 && isAbsAxis(m_objects[i])) || static_cast<int>(i) == index) {
                apply(m_objects[i]);
            }
        }
    }
    std::uint32_t valueOf(const Object& o, std::int32_t raw) const;
    void writeState(const Object& o, std::uint32_t data, bool relative);
    void fillState(const std::vector<std::int32_t>& values);
    ObjectInstance describe(const Object& o) const;
    static bool isAxis(const Object& o) { return (o.type & DIDFT_AXIS) != 0; }
    static bool isAbsAxis(const Object& o) { return (o.type & DIDFT_ABSAXIS) != 0; }

    std::shared_ptr<DeviceHub> m_hub;
    DeviceInstance m_instance;

    mutable std::mutex m_mutex;
    std::vector<Object> m_objects;
    const DataFormat* m_format = nullptr;
    std::vector<std::int32_t> m_byOffset; // offset -> object index, -1 none
    std::array<std::uint8_t, kStateBlockSize> m_state{};
    std::deque<DeviceObjectData> m_buffer;
    std::uint32_t m_bufferSize = 0;
    bool m_overflow = false;
    bool m_acquired = false;
    bool m_lost = false;
    Event* m_notify = nullptr;
    // Kept apart from the event, which may go before this interface.
    std::shared_ptr<EventFeeders> m_notifyFeeders;
};

} // namespace volmar::input
