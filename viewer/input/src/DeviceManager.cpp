#include "volmar/input/DeviceManager.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace volmar::input {

namespace {

std::atomic<bool> g_managerExists{false};

constexpr DeviceClass kClassOrder[] = {DeviceClass::GameController, DeviceClass::Pointer,
                                       DeviceClass::Keyboard};

} // namespace

// ---------------------------------------------------------------- records

std::int32_t DeviceRecord::readValue(const ObjectRecord& object, bool fromRaw) const {
    if (object.stateOffset < 0) {
        return 0;
    }
    const auto offset = static_cast<std::size_t>(object.stateOffset);
    const std::size_t width = object.isButton() ? 1 : 4;
    if (offset + width > kStateBlockSize) {
        return 0;
    }
    std::uint32_t value = 0;
    std::lock_guard lock(stateLock);
    std::memcpy(&value, (fromRaw ? rawState : calibratedState).data() + offset, width);
    return static_cast<std::int32_t>(value);
}

bool DeviceRecord::takeChanged() {
    std::lock_guard lock(stateLock);
    const bool was = changed != 0;
    changed = 0;
    return was;
}

std::uint32_t DeviceRecord::acquiredFlag() const {
    std::lock_guard lock(stateLock);
    return acquired;
}

std::size_t DeviceRecord::queueSize() const {
    std::lock_guard lock(queueLock);
    return queue.size();
}

bool DeviceRecord::popFront(DeviceObjectData& item) {
    std::lock_guard lock(queueLock);
    if (queue.empty()) {
        return false;
    }
    item = queue.front();
    queue.pop_front();
    return true;
}

void DeviceRecord::clearQueue() {
    std::lock_guard lock(queueLock);
    queue.clear();
}

void DeviceRecord::enqueue(const DeviceObjectData& item) {
    std::lock_guard lock(queueLock);
    if (queue.size() >= queueCapacity) {
        queue.pop_front();
    }
    queue.push_back(item);
}

void DeviceRecord::readBatch(InputDevice& device,
                             std::array<std::uint8_t, kStateBlockSize>& state) {
    batch.fill({});
    batchCount = kBatchSize;
    HResult hr = DI_OK;
    {
        std::lock_guard lock(stateLock);
        hr = device.getDeviceData(sizeof(DeviceObjectData), batch.data(), batchCount, 0);
    }
    if (failed(hr)) {
        if (hr == DIERR_INPUTLOST) {
            std::lock_guard lock(stateLock);
            acquired = 0;
        }
        return;
    }
    // A full batch may be the front of a longer burst: its items are queued
    // but the state waits for the next read or the resync.
    if (batchCount == kBatchSize) {
        return;
    }
    for (std::uint32_t i = 0; i < batchCount; ++i) {
        const DeviceObjectData& item = batch[i];
        ObjectInstance info;
        HResult found = DI_OK;
        {
            std::lock_guard lock(stateLock);
            found = device.getObjectInfo(info, item.offset, How::ByOffset);
        }
        if (failed(found)) {
            continue;
        }
        std::size_t width = 0;
        if ((info.type & DIDFT_BUTTON) != 0) {
            width = 1;
        } else if ((info.type & (DIDFT_AXIS | DIDFT_POV)) != 0) {
            width = 4;
        } else {
            continue;
        }
        if (item.offset + width > state.size()) {
            continue;
        }
        std::lock_guard lock(stateLock);
        std::memcpy(state.data() + item.offset, &item.data, width);
        changed = 1;
    }
}

int DeviceRecord::readerMain() {
    constexpr int kCalibrated = 1;
    constexpr int kRaw = 2;
    constexpr int kQuit = 4;
    for (;;) {
        // A frame notifies both interfaces at once: one wake-up reads both.
        const int set = waitAnySet({calibratedEvent.get(), rawEvent.get(), quitEvent.get()});
        if (set < 0) {
            continue;
        }
        if ((set & kCalibrated) != 0) {
            readBatch(*calibrated, calibratedState);
            if (watched.load(std::memory_order_relaxed) != 0) {
                for (std::uint32_t i = 0; i < batchCount; ++i) {
                    enqueue(batch[i]);
                }
            }
        }
        if ((set & kRaw) != 0) {
            readBatch(*raw, rawState);
        }
        if ((set & kQuit) != 0) {
            return 0;
        }
    }
}

// ---------------------------------------------------------------- manager

CDeviceManager::CDeviceManager(ApiFactory factory) : m_factory(std::move(factory)) {
    // One service per process: a second one would read every device twice.
    // Creating one is a programming error, reported as such.
    if (g_managerExists.exchange(true)) {
        std::fputs("Inspecta: a second input device service was created\n", stderr);
        std::_Exit(EXIT_FAILURE);
    }
    if (!m_factory) {
        m_factory = [] { return InputApi::createDefault(); };
    }
}

CDeviceManager::~CDeviceManager() {
    Teardown();
    m_api.reset();
    g_managerExists.store(false);
}

HResult CDeviceManager::Create() {
    if (!m_api) {
        m_api = m_factory();
        if (!m_api) {
            return DIERR_NOTINITIALIZED;
        }
    }
    m_devices.reserve(16);
    m_gameControllerClass = 1;
    return DI_OK;
}

void CDeviceManager::Enumerate() {
    if (!m_api) {
        return;
    }
    for (DeviceClass deviceClass : kClassOrder) {
        const std::uint32_t flag = deviceClass == DeviceClass::GameController
                                       ? m_gameControllerClass
                                   : deviceClass == DeviceClass::Pointer ? m_pointerClass
                                                                         : m_keyboardClass;
        if (flag == 0) {
            continue;
        }
        m_enumClass = deviceClass;
        m_initialWatched = flag;
        m_api->enumDevices(deviceClass, [this](const DeviceInstance& instance) {
            return deviceCallback(&instance);
        });
    }
}

bool CDeviceManager::deviceCallback(const DeviceInstance* instance) {
    if (instance == nullptr) {
        return DIENUM_STOP;
    }
    auto record = std::make_unique<DeviceRecord>();
    record->instance = *instance;
    record->deviceClass = m_enumClass;
    record->watched = m_initialWatched;
    if (failed(m_api->createDevice(instance->instanceId, record->calibrated)) ||
        failed(m_api->createDevice(instance->instanceId, record->raw))) {
        return DIENUM_CONTINUE; // a device that cannot be opened is skipped
    }
    m_devices.push_back(std::move(record));
    DeviceRecord& r = *m_devices.back();
    r.format = &formatForClass(r.deviceClass);
    r.calibrated->setDataFormat(*r.format);
    r.raw->setDataFormat(*r.format);
    r.objects.reserve(512);
    r.calibrated->enumObjects(
        [this, &r](const ObjectInstance& object) { return objectCallback(r, object); }, DIDFT_ALL);
    lookUpHidRanges(r);
    r.calibratedEvent = std::make_unique<Event>();
    r.rawEvent = std::make_unique<Event>();
    r.quitEvent = std::make_unique<Event>();
    r.calibrated->setEventNotification(r.calibratedEvent.get());
    r.raw->setEventNotification(r.rawEvent.get());
    setUpDevice(r);
    r.queueCapacity = kQueueCapacity;
    if (r.calibratedEvent->valid() && r.rawEvent->valid() && r.quitEvent->valid()) {
        r.reader = std::thread(&DeviceRecord::readerMain, &r);
    }
    return DIENUM_CONTINUE;
}

bool CDeviceManager::objectCallback(DeviceRecord& record, const ObjectInstance& object) {
    ObjectRecord o;
    o.device = &record;
    o.object = object;
    o.watched = record.watched.load();
    if ((object.type & DIDFT_AXIS) != 0) {
        const PropHeader rangeHeader{kPropRangeSize, kPropHeaderSize, object.type, How::ById};
        const PropHeader dwordHeader{kPropDwordSize, kPropHeaderSize, object.type, How::ById};
        o.range.header = rangeHeader;
        o.logicalRange.header = rangeHeader;
        o.physicalRange.header = rangeHeader;
        o.deadZone.header = dwordHeader;
        o.saturation.header = dwordHeader;
        o.calibrationMode.header = dwordHeader;
        o.calibration.header = {kPropCalibrationSize, kPropHeaderSize, object.type, How::ById};
        InputDevice& dev = *record.calibrated;
        if (failed(dev.getProperty(PropId::Range, o.range))) {
            o.range.min = 0;
            o.range.max = 65535;
        }
        if (failed(dev.getProperty(PropId::LogicalRange, o.logicalRange))) {
            o.logicalRange.min = 0;
            o.logicalRange.max = 65535;
        }
        if (failed(dev.getProperty(PropId::PhysicalRange, o.physicalRange))) {
            o.physicalRange.min = 0;
            o.physicalRange.max = 255;
        }
        if (failed(dev.getProperty(PropId::DeadZone, o.deadZone))) {
            o.deadZone.data = 0;
        }
        if (failed(dev.getProperty(PropId::Saturation, o.saturation))) {
            o.saturation.data = 0;
        }
        if (failed(dev.getProperty(PropId::CalibrationMode, o.calibrationMode))) {
            o.calibrationMode.data = 0;
        }
        if (failed(dev.getProperty(PropId::Calibration, o.calibration))) {
            o.calibration.min = o.calibration.center = o.calibration.max = 0;
        }
        PropDword rawMode{{kPropDwordSize, kPropHeaderSize, 0, How::Device},
                          DIPROPCALIBRATIONMODE_RAW};
        record.raw->setProperty(PropId::CalibrationMode, rawMode);
        o.hidLogicalMin = kDefaultHidLogicalMin;
        o.hidLogicalMax = kDefaultHidLogicalMax;
    } else if ((object.type & DIDFT_POV) != 0) {
        o.range.min = o.logicalRange.min = o.physicalRange.min = 0;
        o.range.max = o.logicalRange.max = o.physicalRange.max = 36000;
    }
    // The state offset: the format entry whose object has this usage. Usages
    // repeat (every hat is a hat switch), so the entry must hold this very
    // object: the first hat's place would show it to the second hat too.
    const std::uint32_t usage = (std::uint32_t{object.usagePage} << 16) | object.usage;
    for (const FormatEntry& entry : record.format->entries) {
        ObjectInstance at;
        if (failed(record.calibrated->getObjectInfo(at, entry.offset, How::ByOffset))) {
            continue;
        }
        if (((std::uint32_t{at.usagePage} << 16) | at.usage) == usage && at.type == object.type) {
            o.stateOffset = static_cast<std::int32_t>(entry.offset);
            break;
        }
    }
    record.objects.push_back(std::move(o));
    return DIENUM_CONTINUE;
}

void CDeviceManager::lookUpHidRanges(DeviceRecord& record) {
    PropPath path;
    if (failed(record.calibrated->getProperty(PropId::GuidAndPath, path)) || path.path.empty()) {
        return;
    }
    std::vector<InputApi::ValueCaps> caps;
    if (failed(m_api->hidValueCaps(path.path, caps))) {
        return;
    }
    // Every value is taken, not only the first twenty: a controller with
    // more axes deserves its ranges too. Values come in object order; one
    // with a usage seen before (a second hat) belongs to the next object of
    // that usage, not again to the first.
    std::vector<bool> given(record.objects.size(), false);
    for (const InputApi::ValueCaps& cap : caps) {
        for (std::size_t i = 0; i < record.objects.size(); ++i) {
            ObjectRecord& o = record.objects[i];
            if (!given[i] && o.object.usage == cap.usage && o.object.usagePage == cap.usagePage) {
                o.hidLogicalMin = cap.logicalMin;
                o.hidLogicalMax = cap.logicalMax;
                given[i] = true;
                break;
            }
        }
    }
}

void CDeviceManager::setUpDevice(DeviceRecord& record) {
    InputDevice& cal = *record.calibrated;
    InputDevice& raw = *record.raw;
    cal.setCooperativeLevel(0);
    raw.setCooperativeLevel(0);
    cal.setDataFormat(*record.format);
    raw.setDataFormat(*record.format);
    if (m_bufferedMode != 0) {
        const PropDword size{{kPropDwordSize, kPropHeaderSize, 0, How::Device}, kBatchSize};
        if (failed(cal.setProperty(PropId::BufferSize, size)) ||
            failed(raw.setProperty(PropId::BufferSize, size))) {
            return;
        }
    }
    cal.acquire();
    const bool rawAcquired = succeeded(raw.acquire());
    std::lock_guard lock(record.stateLock);
    record.acquired = rawAcquired ? 1 : 0;
    cal.getDeviceState(record.format->dataSize, record.calibratedState.data());
    raw.getDeviceState(record.format->dataSize, record.rawState.data());
    record.changed = 1;
}

void CDeviceManager::Reacquire() {
    for (const auto& record : m_devices) {
        if (record->watched.load() == 0) {
            continue;
        }
        std::lock_guard lock(record->stateLock);
        if (record->acquired != 0) {
            continue;
        }
        if (succeeded(record->calibrated->acquire()) && succeeded(record->raw->acquire())) {
            record->acquired = 1;
        }
    }
}

void CDeviceManager::Resync() {
    // Each class with its own state size: a game controller's size would be
    // refused by pointers and keyboards, leaving their state to batches only.
    for (const auto& record : m_devices) {
        const std::uint32_t size = record->format->dataSize;
        {
            std::lock_guard lock(record->stateLock);
            record->calibrated->getDeviceState(size, record->calibratedState.data());
        }
        {
            std::lock_guard lock(record->stateLock);
            record->raw->getDeviceState(size, record->rawState.data());
        }
    }
}

void CDeviceManager::Teardown() {
    for (const auto& record : m_devices) {
        if (record->reader.joinable()) {
            record->quitEvent->set();
            record->reader.join();
        }
        // The interfaces forget the events before the events go away.
        record->calibrated->setEventNotification(nullptr);
        record->raw->setEventNotification(nullptr);
        record->calibratedEvent.reset();
        record->rawEvent.reset();
        record->quitEvent.reset();
        record->objects.clear();
        record->calibrated->unacquire();
        record->calibrated.reset();
        record->raw->unacquire();
        record->raw.reset();
    }
    m_devices.clear();
}

} // namespace volmar::input
