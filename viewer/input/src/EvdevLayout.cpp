#include "volmar/input/AxisScale.h"
#include "volmar/input/Evdev.h"
#include "volmar/input/EventNames.h"

#include <algorithm>

namespace volmar::input {

namespace {

struct AxisDef {
    std::uint16_t code;
    ObjectKind kind;
    const char* name;
    std::uint16_t page;
    std::uint16_t usage;
};

// Game controller axes in object order.
constexpr AxisDef kStickAxes[] = {
    {ABS_X, ObjectKind::XAxis, "X Axis", 0x01, 0x30},
    {ABS_Y, ObjectKind::YAxis, "Y Axis", 0x01, 0x31},
    {ABS_Z, ObjectKind::ZAxis, "Z Axis", 0x01, 0x32},
    {ABS_RX, ObjectKind::RxAxis, "X Rotation", 0x01, 0x33},
    {ABS_RY, ObjectKind::RyAxis, "Y Rotation", 0x01, 0x34},
    {ABS_RZ, ObjectKind::RzAxis, "Z Rotation", 0x01, 0x35},
    {ABS_THROTTLE, ObjectKind::Slider, "Throttle", 0x02, 0xBB},
    {ABS_RUDDER, ObjectKind::Slider, "Rudder", 0x02, 0xBA},
    {ABS_WHEEL, ObjectKind::Slider, "Wheel", 0x02, 0xC8},
    {ABS_GAS, ObjectKind::Slider, "Accelerator", 0x02, 0xC4},
    {ABS_BRAKE, ObjectKind::Slider, "Brake", 0x02, 0xC5},
    {ABS_MISC, ObjectKind::Slider, "Slider", 0x01, 0x36},
};

const EvdevAbs* findAbs(const EvdevCaps& caps, std::uint16_t code) {
    for (const EvdevAbs& a : caps.abs) {
        if (a.code == code) {
            return &a;
        }
    }
    return nullptr;
}

bool hasCode(const std::vector<std::uint16_t>& codes, std::uint16_t code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

void addAxis(EvdevLayout& l, const EvdevAbs& a, ObjectKind kind, const char* name,
             std::uint16_t page, std::uint16_t usage) {
    ObjectDesc s;
    s.kind = kind;
    s.typeBits = DIDFT_ABSAXIS;
    s.name = name;
    s.usagePage = page;
    s.usage = usage;
    s.logicalMin = a.minimum;
    s.logicalMax = a.maximum;
    s.physicalMin = a.minimum;
    s.physicalMax = a.maximum;
    s.refusedQueries = a.refusedQueries;
    l.absObject[a.code] = static_cast<std::int32_t>(l.objects.size());
    l.objects.push_back(std::move(s));
}

void addButton(EvdevLayout& l, std::uint16_t code, std::uint32_t number) {
    ObjectDesc s;
    s.kind = ObjectKind::Button;
    s.typeBits = DIDFT_PSHBUTTON;
    s.name = "Button " + std::to_string(number);
    s.usagePage = 0x09;
    s.usage = static_cast<std::uint16_t>(number);
    l.keyObject[code] = static_cast<std::int32_t>(l.objects.size());
    l.objects.push_back(std::move(s));
}

void buildStick(EvdevLayout& l, const EvdevCaps& caps) {
    for (const AxisDef& d : kStickAxes) {
        if (const EvdevAbs* a = findAbs(caps, d.code)) {
            addAxis(l, *a, d.kind, d.name, d.page, d.usage);
        }
    }
    for (std::uint16_t hat = 0; hat < 4; ++hat) {
        const auto x = static_cast<std::uint16_t>(ABS_HAT0X + 2 * hat);
        const auto y = static_cast<std::uint16_t>(x + 1);
        if (findAbs(caps, x) == nullptr && findAbs(caps, y) == nullptr) {
            continue;
        }
        ObjectDesc s;
        s.kind = ObjectKind::POV;
        s.typeBits = DIDFT_POV;
        s.name = "Hat Switch";
        s.usagePage = 0x01;
        s.usage = 0x39;
        s.logicalMin = -1;
        s.logicalMax = 1;
        const auto index = static_cast<std::int32_t>(l.objects.size());
        l.absObject[x] = index;
        l.absObject[y] = index;
        l.objects.push_back(std::move(s));
    }
    std::uint32_t number = 1;
    for (std::uint16_t code : caps.keys) {
        if (code >= BTN_MISC) {
            addButton(l, code, number++);
        }
    }
    for (std::uint16_t code : caps.keys) {
        if (code < BTN_MISC) {
            addButton(l, code, number++);
        }
    }
}

void buildPointer(EvdevLayout& l, const EvdevCaps& caps) {
    struct RelDef {
        std::uint16_t code;
        ObjectKind kind;
        const char* name;
        std::uint16_t usage;
    };
    static constexpr RelDef kRel[] = {{REL_X, ObjectKind::XAxis, "X Axis", 0x30},
                                      {REL_Y, ObjectKind::YAxis, "Y Axis", 0x31},
                                      {REL_WHEEL, ObjectKind::ZAxis, "Wheel", 0x38}};
    for (const RelDef& d : kRel) {
        if (!hasCode(caps.rels, d.code)) {
            continue;
        }
        ObjectDesc s;
        s.kind = d.kind;
        s.typeBits = DIDFT_RELAXIS;
        s.name = d.name;
        s.usagePage = 0x01;
        s.usage = d.usage;
        l.relObject[d.code] = static_cast<std::int32_t>(l.objects.size());
        l.objects.push_back(std::move(s));
    }
    // Touchpads report absolute positions.
    if (caps.rels.empty()) {
        if (const EvdevAbs* a = findAbs(caps, ABS_X)) {
            addAxis(l, *a, ObjectKind::XAxis, "X Axis", 0x01, 0x30);
        }
        if (const EvdevAbs* a = findAbs(caps, ABS_Y)) {
            addAxis(l, *a, ObjectKind::YAxis, "Y Axis", 0x01, 0x31);
        }
    }
    std::uint32_t number = 1;
    for (std::uint16_t code = BTN_LEFT; code <= BTN_TASK; ++code) {
        if (hasCode(caps.keys, code)) {
            addButton(l, code, number++);
        }
    }
}

void buildKeyboard(EvdevLayout& l, const EvdevCaps& caps) {
    for (std::uint16_t code : caps.keys) {
        const std::uint8_t scan = keyScanCode(code);
        if (scan == 0) {
            continue;
        }
        ObjectDesc s;
        s.kind = ObjectKind::Key;
        s.typeBits = DIDFT_PSHBUTTON;
        s.name = keyDisplayName(code);
        const std::uint16_t usage = keyHidUsage(code);
        // Keys without a keyboard-page usage get a vendor usage of their own
        // so that no two keys share one.
        s.usagePage = usage != 0 ? 0x07 : 0xFF00;
        s.usage = usage != 0 ? usage : code;
        s.keyCode = scan;
        l.keyObject[code] = static_cast<std::int32_t>(l.objects.size());
        l.objects.push_back(std::move(s));
    }
}

} // namespace

EvdevLayout buildEvdevLayout(const EvdevCaps& caps, DeviceClass deviceClass) {
    EvdevLayout l;
    l.keyObject.assign(KEY_CNT, -1);
    l.absObject.assign(ABS_CNT, -1);
    l.relObject.assign(REL_CNT, -1);
    switch (deviceClass) {
    case DeviceClass::GameController:
        buildStick(l, caps);
        break;
    case DeviceClass::Pointer:
        buildPointer(l, caps);
        break;
    case DeviceClass::Keyboard:
        buildKeyboard(l, caps);
        break;
    }
    return l;
}

std::vector<std::int32_t> evdevValues(const EvdevLayout& layout, const EvdevCaps& caps) {
    std::vector<std::int32_t> values(layout.objects.size(), 0);
    for (std::size_t i = 0; i < layout.objects.size(); ++i) {
        if (layout.objects[i].kind == ObjectKind::POV) {
            values[i] = static_cast<std::int32_t>(kPovCentred);
        }
    }
    std::vector<std::int32_t> hatX(4, 0);
    std::vector<std::int32_t> hatY(4, 0);
    for (const EvdevAbs& a : caps.abs) {
        if (a.code >= layout.absObject.size() || layout.absObject[a.code] < 0) {
            continue;
        }
        if (a.code >= ABS_HAT0X && a.code <= ABS_HAT3Y) {
            const int hat = (a.code - ABS_HAT0X) / 2;
            ((a.code - ABS_HAT0X) % 2 == 0 ? hatX : hatY)[hat] = a.value;
            values[layout.absObject[a.code]] =
                static_cast<std::int32_t>(hatAxesToPov(hatX[hat], hatY[hat]));
        } else {
            values[layout.absObject[a.code]] = a.value;
        }
    }
    for (std::uint16_t code : caps.keysDown) {
        if (code < layout.keyObject.size() && layout.keyObject[code] >= 0) {
            values[layout.keyObject[code]] = 1;
        }
    }
    return values;
}

EvdevDecoder::EvdevDecoder(const EvdevLayout& layout)
    : m_layout(layout), m_hatX(4, 0), m_hatY(4, 0) {
    m_frame.changes.reserve(64);
}

void EvdevDecoder::syncHats(const EvdevCaps& caps) {
    std::fill(m_hatX.begin(), m_hatX.end(), 0);
    std::fill(m_hatY.begin(), m_hatY.end(), 0);
    for (const EvdevAbs& a : caps.abs) {
        if (a.code >= ABS_HAT0X && a.code <= ABS_HAT3Y) {
            const int hat = (a.code - ABS_HAT0X) / 2;
            ((a.code - ABS_HAT0X) % 2 == 0 ? m_hatX : m_hatY)[hat] = a.value;
        }
    }
}

PumpStatus EvdevDecoder::feed(std::span<const input_event> events, FrameSink& sink) {
    PumpStatus status = PumpStatus::Ok;
    for (const input_event& e : events) {
        if (e.type == EV_SYN && e.code == SYN_DROPPED) {
            m_dropping = true;
            m_frame.changes.clear();
            continue;
        }
        if (e.type == EV_SYN && e.code == SYN_REPORT) {
            if (m_dropping) {
                m_dropping = false;
                status = PumpStatus::Dropped;
            } else if (!m_frame.changes.empty()) {
                m_frame.timeMs = static_cast<std::uint32_t>(
                    static_cast<std::uint64_t>(e.input_event_sec) * 1000u +
                    static_cast<std::uint64_t>(e.input_event_usec) / 1000u);
                sink.onFrame(m_frame);
            }
            m_frame.changes.clear();
            continue;
        }
        if (m_dropping) {
            continue;
        }
        std::int32_t object = -1;
        std::int32_t value = e.value;
        if (e.type == EV_KEY && e.code < m_layout.keyObject.size()) {
            if (e.value == 2) {
                continue; // auto-repeat is not a change of the key
            }
            object = m_layout.keyObject[e.code];
            value = e.value != 0 ? 1 : 0;
        } else if (e.type == EV_REL && e.code < m_layout.relObject.size()) {
            object = m_layout.relObject[e.code];
        } else if (e.type == EV_ABS && e.code < m_layout.absObject.size()) {
            object = m_layout.absObject[e.code];
            if (object >= 0 && e.code >= ABS_HAT0X && e.code <= ABS_HAT3Y) {
                const int hat = (e.code - ABS_HAT0X) / 2;
                ((e.code - ABS_HAT0X) % 2 == 0 ? m_hatX : m_hatY)[hat] = e.value;
                value = static_cast<std::int32_t>(hatAxesToPov(m_hatX[hat], m_hatY[hat]));
            }
        }
        if (object >= 0) {
            m_frame.changes.push_back({static_cast<std::uint32_t>(object), value});
        }
    }
    return status;
}

} // namespace volmar::input
