#include "volmar/input/HidJoystick.h"

#include "volmar/input/AxisScale.h"
#include "volmar/input/DataFormat.h"

#include <algorithm>
#include <numeric>
#include <set>

namespace volmar::input {

namespace hp = hidparse;

namespace {

struct AxisUsage {
    std::uint16_t page;
    std::uint16_t usage;
    ObjectKind kind;
    const char* name;
};

constexpr AxisUsage kAxisUsages[] = {
    {0x01, 0x30, ObjectKind::XAxis, "X Axis"},      {0x01, 0x31, ObjectKind::YAxis, "Y Axis"},
    {0x01, 0x32, ObjectKind::ZAxis, "Z Axis"},      {0x01, 0x33, ObjectKind::RxAxis, "X Rotation"},
    {0x01, 0x34, ObjectKind::RyAxis, "Y Rotation"}, {0x01, 0x35, ObjectKind::RzAxis, "Z Rotation"},
    {0x01, 0x36, ObjectKind::Slider, "Slider"},     {0x01, 0x37, ObjectKind::Slider, "Dial"},
    {0x01, 0x38, ObjectKind::Slider, "Wheel"},      {0x02, 0xBA, ObjectKind::Slider, "Rudder"},
    {0x02, 0xBB, ObjectKind::Slider, "Throttle"},   {0x02, 0xC4, ObjectKind::Slider, "Accelerator"},
    {0x02, 0xC5, ObjectKind::Slider, "Brake"},      {0x02, 0xC8, ObjectKind::Slider, "Steering"},
};

int kindRank(const ObjectDesc& s) {
    switch (s.kind) {
    case ObjectKind::XAxis:
        return 0;
    case ObjectKind::YAxis:
        return 1;
    case ObjectKind::ZAxis:
        return 2;
    case ObjectKind::RxAxis:
        return 3;
    case ObjectKind::RyAxis:
        return 4;
    case ObjectKind::RzAxis:
        return 5;
    case ObjectKind::Slider:
        return 6;
    case ObjectKind::POV:
        return 7;
    default:
        return 8;
    }
}

// Usages a joystick may declare more than once, each time for another
// control (two sliders, several hats): as many of them are objects as the
// joystick layout has places for.
bool repeatable(hp::Usage usage, const std::vector<ObjectDesc>& objects) {
    ObjectKind kind = ObjectKind::Unknown;
    std::size_t places = 0;
    if (usage.page == 0x01 && usage.id == 0x39) {
        kind = ObjectKind::POV;
        places = kJoystickPovs;
    } else {
        for (const AxisUsage& a : kAxisUsages) {
            if (a.page == usage.page && a.usage == usage.id && a.kind == ObjectKind::Slider) {
                kind = ObjectKind::Slider;
                places = 2;
            }
        }
    }
    return kind != ObjectKind::Unknown &&
           static_cast<std::size_t>(std::count_if(objects.begin(), objects.end(),
                                                  [&](const auto& o) { return o.kind == kind; })) <
               places;
}

} // namespace

std::optional<std::size_t> findGameCollection(const hp::ParsedDescriptor& descriptor) {
    for (std::size_t i = 0; i < descriptor.collections.size(); ++i) {
        const hp::Collection& c = descriptor.collections[i];
        if (c.usagePage == 0x01 && (c.usage == 0x04 || c.usage == 0x05 || c.usage == 0x08)) {
            return i;
        }
    }
    return std::nullopt;
}

std::vector<std::size_t> objectOrder(const std::vector<ObjectDesc>& objects) {
    std::vector<std::size_t> order(objects.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int ra = kindRank(objects[a]);
        const int rb = kindRank(objects[b]);
        if (ra != rb) {
            return ra < rb;
        }
        if (ra == 8) {
            return objects[a].usage < objects[b].usage;
        }
        return false;
    });
    return order;
}

HidJoystick::HidJoystick(hp::ParsedDescriptor descriptor, std::size_t collection)
    : m_descriptor(std::move(descriptor)), m_collection(collection) {
    const hp::Collection& c = this->collection();
    std::set<std::uint32_t> seen;
    for (const hp::ReportField& field : c.fields) {
        if (field.type != hp::ReportType::Input || field.isConstant()) {
            continue;
        }
        if (field.isVariable()) {
            for (std::uint32_t i = 0; i < field.count && i < field.usages.size(); ++i) {
                // A usage declared twice is one object (the first one wins),
                // except sliders and hats, of which a stick may have several.
                if (seen.insert(field.usages[i].extended()).second ||
                    repeatable(field.usages[i], m_objects)) {
                    addVariable(field, i, field.usages[i]);
                }
            }
            continue;
        }
        // Array of button numbers: every usage it can name is a button.
        for (const hp::UsageRange& r : field.usageRanges) {
            for (std::uint32_t u = r.first; u <= r.last && u - r.first < 4096; ++u) {
                const hp::Usage usage = hp::Usage::fromExtended(u);
                if (usage.page != 0x09 || usage.id == 0 || !seen.insert(u).second) {
                    continue;
                }
                ObjectDesc s;
                s.kind = ObjectKind::Button;
                s.typeBits = DIDFT_PSHBUTTON;
                s.name = "Button " + std::to_string(usage.id);
                s.usagePage = 0x09;
                s.usage = usage.id;
                m_objects.push_back(std::move(s));
                m_bindings.push_back({&field, 0, usage.id});
            }
        }
    }
    // Stable object order, bindings along with their objects.
    const auto order = objectOrder(m_objects);
    std::vector<ObjectDesc> objects;
    std::vector<Binding> bindings;
    for (std::size_t i : order) {
        objects.push_back(m_objects[i]);
        bindings.push_back(m_bindings[i]);
    }
    m_objects = std::move(objects);
    m_bindings = std::move(bindings);
    m_values.assign(m_objects.size(), 0);
    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        const ObjectDesc& s = m_objects[i];
        if (s.kind == ObjectKind::POV) {
            m_values[i] = static_cast<std::int32_t>(kPovCentred);
        } else if (s.typeBits == DIDFT_ABSAXIS) {
            m_values[i] = std::clamp(0, s.logicalMin, std::max(s.logicalMin, s.logicalMax));
        }
    }
}

const hp::Collection& HidJoystick::collection() const {
    return m_descriptor.collections[m_collection];
}

void HidJoystick::addVariable(const hp::ReportField& field, std::uint32_t index, hp::Usage usage) {
    ObjectDesc s;
    s.usagePage = usage.page;
    s.usage = usage.id;
    s.logicalMin = field.logicalMin;
    s.logicalMax = field.logicalMax;
    s.physicalMin = field.physicalMin;
    s.physicalMax = field.physicalMax;
    if (usage.page == 0x09 && usage.id != 0) {
        s.kind = ObjectKind::Button;
        s.typeBits = DIDFT_PSHBUTTON;
        s.name = "Button " + std::to_string(usage.id);
        s.logicalMin = s.logicalMax = s.physicalMin = s.physicalMax = 0;
    } else if (usage.page == 0x01 && usage.id == 0x39) {
        s.kind = ObjectKind::POV;
        s.typeBits = DIDFT_POV;
        s.name = "Hat Switch";
    } else {
        const AxisUsage* axis = nullptr;
        for (const AxisUsage& a : kAxisUsages) {
            if (a.page == usage.page && a.usage == usage.id) {
                axis = &a;
            }
        }
        if (axis == nullptr) {
            return; // nothing the joystick layout can show
        }
        s.kind = axis->kind;
        s.typeBits = field.isRelative() ? DIDFT_RELAXIS : DIDFT_ABSAXIS;
        s.name = axis->name;
    }
    m_objects.push_back(std::move(s));
    m_bindings.push_back({&field, index, 0});
}

// Buttons an array field names in this report, sorted; read once per field.
const std::vector<std::uint16_t>&
HidJoystick::pressedButtons(const hp::ReportField& field, std::span<const std::uint8_t> payload) {
    for (const auto& [f, down] : m_pressed) {
        if (f == &field) {
            return down;
        }
    }
    std::vector<std::uint16_t> down;
    for (std::uint32_t e = 0; e < field.count; ++e) {
        const auto raw = hp::extractField(field, e, payload);
        if (!raw) {
            break;
        }
        const auto usage = hp::arrayUsage(field, *raw);
        if (usage && usage->page == 0x09) {
            down.push_back(usage->id);
        }
    }
    std::sort(down.begin(), down.end());
    m_pressed.emplace_back(&field, std::move(down));
    return m_pressed.back().second;
}

bool HidJoystick::decode(std::span<const std::uint8_t> wireReport, std::uint32_t timeMs,
                         Frame& frame) {
    frame.changes.clear();
    frame.timeMs = timeMs;
    if (wireReport.empty()) {
        return false;
    }
    const std::uint8_t reportId = m_descriptor.usesReportIds ? wireReport[0] : 0;
    if (m_descriptor.collectionFor(hp::ReportType::Input, reportId) != &collection()) {
        return false;
    }
    const auto payload = m_descriptor.payloadOf(wireReport);
    m_pressed.clear();
    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        const Binding& b = m_bindings[i];
        if (b.field->reportId != reportId) {
            continue;
        }
        const ObjectDesc& s = m_objects[i];
        std::int32_t value = 0;
        if (b.buttonUsage != 0) {
            const std::vector<std::uint16_t>& down = pressedButtons(*b.field, payload);
            value = std::binary_search(down.begin(), down.end(), b.buttonUsage) ? 1 : 0;
        } else {
            const auto raw = hp::extractField(*b.field, b.index, payload);
            if (!raw) {
                continue; // short report: the value is unknown, keep the last one
            }
            if (s.kind == ObjectKind::POV) {
                value = static_cast<std::int32_t>(
                    hatToPov(static_cast<std::int32_t>(*raw), s.logicalMin, s.logicalMax));
            } else if (s.kind == ObjectKind::Button) {
                value = *raw != 0 ? 1 : 0;
            } else {
                value = static_cast<std::int32_t>(*raw);
            }
        }
        if (s.typeBits == DIDFT_RELAXIS) {
            if (value != 0) {
                frame.changes.push_back({static_cast<std::uint32_t>(i), value});
            }
            continue;
        }
        if (value != m_values[i]) {
            m_values[i] = value;
            frame.changes.push_back({static_cast<std::uint32_t>(i), value});
        }
    }
    return true;
}

} // namespace volmar::input
