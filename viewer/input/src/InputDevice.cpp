#include "volmar/input/InputDevice.h"

#include "DeviceHub.h"
#include "volmar/input/AxisScale.h"

#include <algorithm>
#include <cstring>

namespace volmar::input {

namespace {

constexpr std::uint32_t kMaxBufferSize = 1u << 16;
constexpr std::uint32_t DIGDD_PEEK = 1;

std::uint32_t readState(const std::uint8_t* state, std::uint32_t offset, bool byte) {
    if (byte) {
        return state[offset];
    }
    std::uint32_t v = 0;
    std::memcpy(&v, state + offset, sizeof v);
    return v;
}

bool refuses(const ObjectDesc& desc, PropId id) {
    return (desc.refusedQueries & (1u << static_cast<unsigned>(id))) != 0;
}

bool headerIs(const PropHeader& h, std::uint32_t size) {
    return h.size == size && h.headerSize == kPropHeaderSize;
}

} // namespace

InputDevice::InputDevice(std::shared_ptr<DeviceHub> hub, DeviceInstance instance)
    : m_hub(std::move(hub)), m_instance(std::move(instance)) {
    std::uint32_t axes = 0;
    std::uint32_t buttons = 0;
    std::uint32_t povs = 0;
    for (const ObjectDesc& desc : m_hub->objects()) {
        Object o;
        o.desc = desc;
        if ((desc.typeBits & DIDFT_AXIS) != 0) {
            o.type = desc.typeBits | makeInstance(axes++);
        } else if (desc.typeBits == DIDFT_POV) {
            o.type = DIDFT_POV | makeInstance(povs++);
        } else if (desc.kind == ObjectKind::Key) {
            o.type = DIDFT_PSHBUTTON | makeInstance(desc.keyCode);
        } else {
            o.type = DIDFT_PSHBUTTON | makeInstance(buttons++);
        }
        m_objects.push_back(std::move(o));
    }
}

InputDevice::~InputDevice() {
    m_hub->deactivate(this);
    if (m_notifyFeeders) {
        m_notifyFeeders->remove(m_hub.get());
        m_hub->notificationsChanged(-1);
    }
}

HResult InputDevice::setDataFormat(const DataFormat& format) {
    std::lock_guard lock(m_mutex);
    if (m_acquired) {
        return DIERR_ACQUIRED;
    }
    if (format.dataSize > kStateBlockSize) {
        return DIERR_INVALIDPARAM;
    }
    for (Object& o : m_objects) {
        o.offset = -1;
    }
    m_byOffset.assign(format.dataSize, -1);
    for (const FormatEntry& entry : format.entries) {
        for (std::size_t i = 0; i < m_objects.size(); ++i) {
            Object& o = m_objects[i];
            if (o.offset < 0 && entryAccepts(entry, o.desc.kind, o.type)) {
                o.offset = static_cast<std::int32_t>(entry.offset);
                m_byOffset[entry.offset] = static_cast<std::int32_t>(i);
                break;
            }
        }
    }
    m_format = &format;
    m_state.fill(0);
    return DI_OK;
}

HResult InputDevice::setCooperativeLevel(std::uint32_t) {
    return DI_OK;
}

HResult InputDevice::setEventNotification(Event* event) {
    std::shared_ptr<EventFeeders> before;
    std::shared_ptr<EventFeeders> after = event != nullptr ? event->feeders() : nullptr;
    {
        std::lock_guard lock(m_mutex);
        before = std::move(m_notifyFeeders);
        m_notify = event;
        m_notifyFeeders = after;
    }
    // Whoever waits on the event reads the device for it.
    if (after) {
        after->add(m_hub);
    }
    if (before) {
        before->remove(m_hub.get());
    }
    m_hub->notificationsChanged((after ? 1 : 0) - (before ? 1 : 0));
    // The device's reading may hold the previous event for one more set():
    // once it has let go, the caller may destroy that event.
    m_hub->waitForReading();
    return DI_OK;
}

ObjectInstance InputDevice::describe(const Object& o) const {
    ObjectInstance out;
    out.kind = o.desc.kind;
    out.offset = o.offset < 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(o.offset);
    out.type = o.type;
    out.name = o.desc.name;
    out.usagePage = o.desc.usagePage;
    out.usage = o.desc.usage;
    return out;
}

HResult InputDevice::enumObjects(const std::function<bool(const ObjectInstance&)>& callback,
                                 std::uint32_t typeMask) const {
    std::vector<ObjectInstance> list;
    {
        std::lock_guard lock(m_mutex);
        for (const Object& o : m_objects) {
            if (typeMask == DIDFT_ALL || (o.type & typeMask & 0xFF) != 0) {
                list.push_back(describe(o));
            }
        }
    }
    // The callback runs unlocked: it may call back into this interface.
    for (const ObjectInstance& oi : list) {
        if (!callback(oi)) {
            break;
        }
    }
    return DI_OK;
}

int InputDevice::findObject(std::uint32_t object, How how) const {
    switch (how) {
    case How::Device:
        return -1;
    case How::ById:
        for (std::size_t i = 0; i < m_objects.size(); ++i) {
            if ((m_objects[i].type & 0x00FFFFFF) == (object & 0x00FFFFFF)) {
                return static_cast<int>(i);
            }
        }
        return -2;
    case How::ByOffset:
        if (object < m_byOffset.size()) {
            const std::int32_t index = m_byOffset[object];
            return index >= 0 ? index : -2;
        }
        return -2;
    }
    return -2;
}

HResult InputDevice::getObjectInfo(ObjectInstance& out, std::uint32_t object, How how) const {
    std::lock_guard lock(m_mutex);
    const int index = findObject(object, how);
    if (index < 0) {
        return how == How::Device ? DIERR_INVALIDPARAM : DIERR_OBJECTNOTFOUND;
    }
    out = describe(m_objects[static_cast<std::size_t>(index)]);
    return DI_OK;
}

// Object a property header addresses: its index, -1 for the whole device.
int InputDevice::resolve(const PropHeader& header, bool deviceAllowed, HResult& error) const {
    if (header.how == How::Device) {
        if (!deviceAllowed) {
            error = DIERR_INVALIDPARAM;
            return -2;
        }
        return -1;
    }
    const int index = findObject(header.object, header.how);
    if (index < 0) {
        error = DIERR_OBJECTNOTFOUND;
        return -2;
    }
    if (!isAbsAxis(m_objects[static_cast<std::size_t>(index)])) {
        error = DIERR_UNSUPPORTED;
        return -2;
    }
    return index;
}

const InputDevice::Object* InputDevice::readable(const PropHeader& header, PropId id,
                                                 HResult& error) const {
    const int index = resolve(header, false, error);
    if (index < 0) {
        return nullptr;
    }
    const Object& o = m_objects[static_cast<std::size_t>(index)];
    if (refuses(o.desc, id)) {
        error = DIERR_UNSUPPORTED;
        return nullptr;
    }
    return &o;
}

HResult InputDevice::getProperty(PropId id, PropRange& block) const {
    if (!headerIs(block.header, kPropRangeSize)) {
        return DIERR_INVALIDPARAM;
    }
    std::lock_guard lock(m_mutex);
    HResult error = DI_OK;
    const Object* found = readable(block.header, id, error);
    if (found == nullptr) {
        return error;
    }
    const Object& o = *found;
    switch (id) {
    case PropId::Range:
        block.min = o.rangeMin;
        block.max = o.rangeMax;
        return DI_OK;
    case PropId::LogicalRange:
        block.min = o.desc.logicalMin;
        block.max = o.desc.logicalMax;
        return DI_OK;
    case PropId::PhysicalRange:
        block.min = o.desc.physicalMin;
        block.max = o.desc.physicalMax;
        return DI_OK;
    default:
        return DIERR_INVALIDPARAM;
    }
}

HResult InputDevice::getProperty(PropId id, PropDword& block) const {
    if (!headerIs(block.header, kPropDwordSize)) {
        return DIERR_INVALIDPARAM;
    }
    std::lock_guard lock(m_mutex);
    if (id == PropId::BufferSize) {
        if (block.header.how != How::Device) {
            return DIERR_INVALIDPARAM;
        }
        block.data = m_bufferSize;
        return DI_OK;
    }
    HResult error = DI_OK;
    const Object* found = readable(block.header, id, error);
    if (found == nullptr) {
        return error;
    }
    const Object& o = *found;
    switch (id) {
    case PropId::DeadZone:
        block.data = o.deadZone;
        return DI_OK;
    case PropId::Saturation:
        block.data = o.saturation;
        return DI_OK;
    case PropId::CalibrationMode:
        block.data = o.calibrationMode;
        return DI_OK;
    case PropId::Granularity:
        block.data = 1;
        return DI_OK;
    default:
        return DIERR_INVALIDPARAM;
    }
}

HResult InputDevice::getProperty(PropId id, PropCalibration& block) const {
    if (id != PropId::Calibration || !headerIs(block.header, kPropCalibrationSize)) {
        return DIERR_INVALIDPARAM;
    }
    std::lock_guard lock(m_mutex);
    HResult error = DI_OK;
    const Object* found = readable(block.header, id, error);
    if (found == nullptr) {
        return error;
    }
    const Object& o = *found;
    if (o.calibrated) {
        block.min = o.calMin;
        block.center = o.calCenter;
        block.max = o.calMax;
    } else {
        // Uncalibrated: the logical range and the centre the scaling uses.
        block.min = o.desc.logicalMin;
        block.max = o.desc.logicalMax;
        block.center = o.desc.logicalMin == 0
                           ? o.desc.logicalMax >> 1
                           : static_cast<std::int32_t>(
                                 (std::int64_t{o.desc.logicalMin} + o.desc.logicalMax) / 2);
    }
    return DI_OK;
}

HResult InputDevice::getProperty(PropId id, PropPath& block) const {
    if (id != PropId::GuidAndPath || block.header.how != How::Device) {
        return DIERR_INVALIDPARAM;
    }
    block.path = m_instance.path;
    return block.path.empty() ? DIERR_UNSUPPORTED : DI_OK;
}

HResult InputDevice::setProperty(PropId id, const PropRange& block) {
    if (!headerIs(block.header, kPropRangeSize)) {
        return DIERR_INVALIDPARAM;
    }
    if (id == PropId::LogicalRange || id == PropId::PhysicalRange) {
        return DIERR_READONLY;
    }
    if (id != PropId::Range || block.min >= block.max) {
        return DIERR_INVALIDPARAM;
    }
    std::lock_guard lock(m_mutex);
    HResult error = DI_OK;
    const int index = resolve(block.header, true, error);
    if (index == -2) {
        return error;
    }
    forTargets(index, [&](Object& o) {
        o.rangeMin = block.min;
        o.rangeMax = block.max;
    });
    return DI_OK;
}

HResult InputDevice::setProperty(PropId id, const PropDword& block) {
    if (!headerIs(block.header, kPropDwordSize)) {
        return DIERR_INVALIDPARAM;
    }
    std::lock_guard lock(m_mutex);
    if (id == PropId::BufferSize) {
        if (block.header.how != How::Device || block.data > kMaxBufferSize) {
            return DIERR_INVALIDPARAM;
        }
        if (m_acquired) {
            return DIERR_ACQUIRED;
        }
        m_bufferSize = block.data;
        return DI_OK;
    }
    if (id == PropId::Granularity || id == PropId::AxisMode) {
        return DIERR_UNSUPPORTED;
    }
    if (id != PropId::DeadZone && id != PropId::Saturation && id != PropId::CalibrationMode) {
        return DIERR_INVALIDPARAM;
    }
    if (id == PropId::CalibrationMode ? block.data > DIPROPCALIBRATIONMODE_RAW
                                      : block.data > 10000) {
        return DIERR_INVALIDPARAM;
    }
    HResult error = DI_OK;
    const int index = resolve(block.header, true, error);
    if (index == -2) {
        return error;
    }
    forTargets(index, [&](Object& o) {
        if (id == PropId::DeadZone) {
            o.deadZone = block.data;
        } else if (id == PropId::Saturation) {
            o.saturation = block.data;
        } else {
            o.calibrationMode = block.data;
        }
    });
    return DI_OK;
}

HResult InputDevice::setProperty(PropId id, const PropCalibration& block) {
    if (id != PropId::Calibration || !headerIs(block.header, kPropCalibrationSize)) {
        return DIERR_INVALIDPARAM;
    }
    // A calibration must order its points; an empty span would put every
    // value at one end.
    if (block.min >= block.max || block.center < block.min || block.center > block.max) {
        return DIERR_INVALIDPARAM;
    }
    std::lock_guard lock(m_mutex);
    HResult error = DI_OK;
    const int index = resolve(block.header, false, error);
    if (index < 0) {
        return error;
    }
    Object& o = m_objects[static_cast<std::size_t>(index)];
    o.calibrated = true;
    o.calMin = block.min;
    o.calCenter = block.center;
    o.calMax = block.max;
    return DI_OK;
}

HResult InputDevice::acquire() {
    {
        std::lock_guard lock(m_mutex);
        if (m_format == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        if (m_acquired) {
            return DI_NOEFFECT;
        }
    }
    return m_hub->activate(this);
}

HResult InputDevice::unacquire() {
    m_hub->deactivate(this);
    std::lock_guard lock(m_mutex);
    m_lost = false;
    if (!m_acquired) {
        return DI_NOEFFECT;
    }
    m_acquired = false;
    m_buffer.clear();
    return DI_OK;
}

HResult InputDevice::getDeviceState(std::uint32_t size, void* data) {
    std::lock_guard lock(m_mutex);
    if (m_lost) {
        return DIERR_INPUTLOST;
    }
    if (!m_acquired) {
        return DIERR_NOTACQUIRED;
    }
    if (m_format == nullptr || size != m_format->dataSize || data == nullptr) {
        return DIERR_INVALIDPARAM;
    }
    std::memcpy(data, m_state.data(), size);
    for (const Object& o : m_objects) {
        if (o.offset >= 0 && o.desc.typeBits == DIDFT_RELAXIS) {
            writeState(o, 0, false);
        }
    }
    return DI_OK;
}

HResult InputDevice::getDeviceData(std::uint32_t itemSize, DeviceObjectData* items,
                                   std::uint32_t& count, std::uint32_t flags) {
    if (itemSize != sizeof(DeviceObjectData)) {
        count = 0;
        return DIERR_INVALIDPARAM;
    }
    std::lock_guard lock(m_mutex);
    if (m_lost) {
        m_lost = false;
        count = 0;
        return DIERR_INPUTLOST;
    }
    if (!m_acquired) {
        count = 0;
        return DIERR_NOTACQUIRED;
    }
    const auto n = static_cast<std::uint32_t>(
        std::min<std::size_t>({count, m_buffer.size(), std::size_t{m_bufferSize}}));
    if (items != nullptr) {
        std::copy_n(m_buffer.begin(), n, items);
    }
    if ((flags & DIGDD_PEEK) == 0) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + n);
    }
    count = n;
    // Items left behind must not wait for the next input to be noticed.
    if ((flags & DIGDD_PEEK) == 0 && !m_buffer.empty() && m_notify != nullptr) {
        m_notify->set();
    }
    const HResult hr = m_overflow ? DI_BUFFEROVERFLOW : DI_OK;
    m_overflow = false;
    return hr;
}

std::uint32_t InputDevice::valueOf(const Object& o, std::int32_t raw) const {
    if ((o.type & DIDFT_BUTTON) != 0) {
        return raw != 0 ? kButtonDown : 0;
    }
    if (!isAbsAxis(o) || o.calibrationMode == DIPROPCALIBRATIONMODE_RAW) {
        return static_cast<std::uint32_t>(raw);
    }
    AxisScaling s;
    s.logicalMin = o.desc.logicalMin;
    s.logicalMax = o.desc.logicalMax;
    s.rangeMin = o.rangeMin;
    s.rangeMax = o.rangeMax;
    s.deadZone = o.deadZone;
    s.saturation = o.saturation;
    s.calibrated = o.calibrated;
    s.calMin = o.calMin;
    s.calCenter = o.calCenter;
    s.calMax = o.calMax;
    return static_cast<std::uint32_t>(scaleAxis(raw, s));
}

void InputDevice::writeState(const Object& o, std::uint32_t data, bool relative) {
    const auto offset = static_cast<std::uint32_t>(o.offset);
    if ((o.type & DIDFT_BUTTON) != 0) {
        m_state[offset] = static_cast<std::uint8_t>(data);
        return;
    }
    std::uint32_t value = data;
    if (relative) {
        value += readState(m_state.data(), offset, false);
    }
    std::memcpy(m_state.data() + offset, &value, sizeof value);
}

void InputDevice::fillState(const std::vector<std::int32_t>& values) {
    m_state.fill(0);
    for (std::size_t i = 0; i < m_objects.size() && i < values.size(); ++i) {
        const Object& o = m_objects[i];
        if (o.offset >= 0 && o.desc.typeBits != DIDFT_RELAXIS) {
            writeState(o, valueOf(o, values[i]), false);
        }
    }
}

void InputDevice::activated(const std::vector<std::int32_t>& values) {
    std::lock_guard lock(m_mutex);
    fillState(values);
    m_buffer.clear();
    m_overflow = false;
    m_lost = false;
    m_acquired = true;
}

void InputDevice::loseInput() {
    std::lock_guard lock(m_mutex);
    if (!m_acquired) {
        return;
    }
    m_acquired = false;
    m_lost = true;
    m_buffer.clear();
    if (m_notify != nullptr) {
        m_notify->set();
    }
}

Event* InputDevice::deliver(const Frame& frame, std::uint32_t sequence) {
    std::lock_guard lock(m_mutex);
    if (!m_acquired || m_format == nullptr) {
        return nullptr;
    }
    bool changed = false;
    for (const Change& c : frame.changes) {
        if (c.object >= m_objects.size()) {
            continue;
        }
        const Object& o = m_objects[c.object];
        if (o.offset < 0) {
            continue;
        }
        const bool relative = o.desc.typeBits == DIDFT_RELAXIS;
        const std::uint32_t data = valueOf(o, c.value);
        const bool isButton = (o.type & DIDFT_BUTTON) != 0;
        // Items report changes of what the program sees: a move inside the
        // dead zone is no change.
        if (!relative &&
            readState(m_state.data(), static_cast<std::uint32_t>(o.offset), isButton) == data) {
            continue;
        }
        writeState(o, data, relative);
        changed = true;
        if (m_bufferSize == 0) {
            continue;
        }
        if (m_buffer.size() >= std::size_t{m_bufferSize} + kDeviceBacklogItems) {
            m_buffer.pop_front();
            m_overflow = true;
        }
        m_buffer.push_back({static_cast<std::uint32_t>(o.offset), data, frame.timeMs, sequence, 0});
    }
    return changed ? m_notify : nullptr;
}

} // namespace volmar::input
