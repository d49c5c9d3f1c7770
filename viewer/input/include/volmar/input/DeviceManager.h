#pragma once

// The viewer's input device service: finds the attached game controllers,
// pointer devices and keyboards, keeps one record per device with one record
// per input object, and keeps each device's calibrated and raw state current
// on a reader thread of its own, with a queue of its latest input events.
//
// Threads: the GUI thread (everything public here except the reader entry)
// and one reader thread per device. Per device the state lock guards both
// state blocks, the changed and acquired flags and the reader's calls on the
// interfaces; the queue lock guards the event queue. The two are never held
// together, so no lock order exists between them.

#include "volmar/input/DataFormat.h"
#include "volmar/input/Event.h"
#include "volmar/input/InputApi.h"
#include "volmar/input/InputDevice.h"
#include "volmar/input/Types.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace volmar::input {

struct DeviceRecord;

struct ObjectRecord {
    DeviceRecord* device = nullptr;
    ObjectInstance object; // kind, type word, name, HID usage
    std::uint32_t watched = 0;
    PropRange range{{0, 0, 0, How::Device}};
    PropRange physicalRange{{0, 0, 0, How::Device}};
    PropRange logicalRange{{0, 0, 0, How::Device}};
    PropDword deadZone{{0, 0, 0, How::Device}};
    PropDword saturation{{0, 0, 0, How::Device}};
    PropDword calibrationMode{{0, 0, 0, How::Device}};
    PropCalibration calibration{{0, 0, 0, How::Device}};
    std::int32_t hidLogicalMin = 0;
    std::int32_t hidLogicalMax = 0;
    std::int32_t stateOffset = -1;

    bool isButton() const { return (object.type & DIDFT_BUTTON) != 0; }
    bool isAxis() const { return (object.type & DIDFT_AXIS) != 0; }
    bool isPov() const { return (object.type & DIDFT_POV) != 0; }
};

inline constexpr std::uint32_t kBatchSize = 32;
// The HID range an axis shows until its value caps are read (and keeps when
// they cannot be).
inline constexpr std::int32_t kDefaultHidLogicalMin = 0;
inline constexpr std::int32_t kDefaultHidLogicalMax = 655;
inline constexpr std::uint32_t kQueueCapacity = 256;

struct DeviceRecord {
    std::unique_ptr<InputDevice> calibrated;
    std::unique_ptr<InputDevice> raw;
    DeviceInstance instance;
    DeviceClass deviceClass = DeviceClass::GameController;
    std::vector<ObjectRecord> objects;
    // Written by the GUI thread, read by the reader thread: atomic.
    std::atomic<std::uint32_t> watched{0};
    std::uint32_t acquired = 0; // under stateLock
    const DataFormat* format = nullptr;
    std::array<std::uint8_t, kStateBlockSize> calibratedState{}; // under stateLock
    std::array<std::uint8_t, kStateBlockSize> rawState{};        // under stateLock
    std::uint32_t changed = 0;                                   // under stateLock
    // The reader thread's scratch area for one read.
    std::uint32_t batchCount = 0;
    std::array<DeviceObjectData, kBatchSize> batch{};
    std::unique_ptr<Event> calibratedEvent;
    std::unique_ptr<Event> rawEvent;
    std::unique_ptr<Event> quitEvent;
    std::thread reader;
    mutable std::mutex stateLock;
    std::deque<DeviceObjectData> queue; // under queueLock
    mutable std::mutex queueLock;
    std::uint32_t queueCapacity = kQueueCapacity;

    // A value of the object from the calibrated or the raw state block: 0
    // without a state offset; buttons 0..255 (bit 7 = pressed), axes and
    // POVs as signed 32-bit values.
    std::int32_t readValue(const ObjectRecord& object, bool fromRaw) const;
    // Reads the changed flag and clears it.
    bool takeChanged();
    std::uint32_t acquiredFlag() const;
    std::size_t queueSize() const;
    bool popFront(DeviceObjectData& item);
    void clearQueue();

    // One read of up to 32 items from an interface into its state block.
    void readBatch(InputDevice& device, std::array<std::uint8_t, kStateBlockSize>& state);
    // Appends one item, dropping the oldest when the queue is full.
    void enqueue(const DeviceObjectData& item);
    // The reader thread's loop; returns 0 when asked to quit.
    int readerMain();
};

class CDeviceManager {
public:
    using ApiFactory = std::function<std::unique_ptr<InputApi>()>;

    // The factory makes the input API at Create(); by default the real one.
    explicit CDeviceManager(ApiFactory factory = {});
    ~CDeviceManager();
    CDeviceManager(const CDeviceManager&) = delete;
    CDeviceManager& operator=(const CDeviceManager&) = delete;

    HResult Create();

    std::uint32_t pointerClass() const { return m_pointerClass; }
    std::uint32_t gameControllerClass() const { return m_gameControllerClass; }
    std::uint32_t keyboardClass() const { return m_keyboardClass; }
    void setPointerClass(std::uint32_t on) { m_pointerClass = on; }
    void setGameControllerClass(std::uint32_t on) { m_gameControllerClass = on; }
    void setKeyboardClass(std::uint32_t on) { m_keyboardClass = on; }
    std::uint32_t bufferedMode() const { return m_bufferedMode; }
    void setBufferedMode(std::uint32_t on) { m_bufferedMode = on; }

    void Enumerate();
    void Teardown();
    void Reacquire();
    void Resync();

    // Records keep their place for as long as they live, whatever the count.
    const std::vector<std::unique_ptr<DeviceRecord>>& devices() const { return m_devices; }
    InputApi* api() const { return m_api.get(); }

private:
    bool deviceCallback(const DeviceInstance* instance);
    bool objectCallback(DeviceRecord& record, const ObjectInstance& object);
    void lookUpHidRanges(DeviceRecord& record);
    void setUpDevice(DeviceRecord& record);

    std::uint32_t m_pointerClass = 0;
    std::uint32_t m_gameControllerClass = 1;
    std::uint32_t m_keyboardClass = 0;
    ApiFactory m_factory;
    std::unique_ptr<InputApi> m_api;
    std::vector<std::unique_ptr<DeviceRecord>> m_devices;
    DeviceClass m_enumClass = DeviceClass::GameController;
    std::uint32_t m_initialWatched = 0;
    std::uint32_t m_bufferedMode = 1;
};

} // namespace volmar::input
