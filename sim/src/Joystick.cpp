#include "volmar/sim/Joystick.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace volmar::sim {

namespace hp = volmar::hidparse;

const std::vector<std::uint8_t>& vendorCollection() {
    static const std::vector<std::uint8_t> bytes{
        0x06, 0x00, 0xFF, // usage page (vendor 0xFF00)
        0x09, 0x01,       // usage 1
        0xA1, 0x01,       // collection (application)
        0x15, 0x00,       //   logical minimum 0
        0x26, 0xFF, 0x00, //   logical maximum 255
        0x75, 0x08,       //   report size 8
        0x85, 0x01,       //   report id 1: command frames
        0x95, 0x25,       //   report count 37
        0x09, 0x01,       //   usage 1
        0xB1, 0x02,       //   feature (data, variable, absolute)
        0x85, 0x02,       //   report id 2: live data
        0x95, 0xC1,       //   report count 193
        0x09, 0x02,       //   usage 2
        0xB1, 0x02,       //   feature (data, variable, absolute)
        0xC0,             // end collection
    };
    return bytes;
}

const std::vector<std::uint8_t>& defaultJoystickDescriptor() {
    static const std::vector<std::uint8_t> bytes{
        0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01, 0x15, 0x00, 0x95, 0x01, 0x26, 0xFF, 0x0F,
        0x75, 0x0C, 0x09, 0x30, 0x81, 0x02, 0x09, 0x31, 0x81, 0x02, 0x09, 0x39, 0x35, 0x00, 0x46,
        0x3B, 0x01, 0x15, 0x00, 0x25, 0x07, 0x65, 0x14, 0x95, 0x01, 0x75, 0x04, 0x81, 0x02, 0x05,
        0x09, 0x15, 0x00, 0x25, 0x01, 0x19, 0x01, 0x29, 0x0A, 0x75, 0x01, 0x95, 0x0A, 0x81, 0x02,
        0x05, 0x01, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x02, 0x81, 0x03, 0xC0};
    return bytes;
}

const std::vector<std::uint8_t>& emptyJoystickDescriptor() {
    static const std::vector<std::uint8_t> bytes{0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0xC0};
    return bytes;
}

Joystick::Joystick(const EepromImage& bootImage) {
    if (isBlank(bootImage)) {
        (void)adopt(defaultJoystickDescriptor()); // built in: always parses
        return;
    }
    const auto stored = storedJoystickDescriptor(bootImage);
    if (!stored) {
        m_problem = "stored joystick descriptor length " +
                    std::to_string(bootImage[image::kDescriptorLength]) + " is out of range";
    } else if (const Status adopted = adopt(*stored); !adopted) {
        m_problem = "stored joystick descriptor is unusable: " + adopted.error().text;
    } else {
        // The firmware sends as many bytes as the image states, whatever the
        // descriptor declares; a mismatch is a fault of whoever wrote the
        // image, and shows up at the host as it would with the board.
        const std::size_t described =
            hasInput() ? inputPayloadBytes() + (m_parsed.usesReportIds ? 1 : 0) : 0;
        m_statedLength = bootImage[image::kReportLength];
        if (hasInput() && m_statedLength != 0 && m_statedLength != described) {
            m_lengthWarning = "the configuration states joystick reports of " +
                              std::to_string(m_statedLength) + " bytes, its descriptor " +
                              std::to_string(described) + " bytes; sending " +
                              std::to_string(m_statedLength);
        }
        return;
    }
    (void)adopt(emptyJoystickDescriptor()); // built in: always parses
}

// Takes `joystick` if the node built with it parses and it describes one
// top-level joystick collection.
Status Joystick::adopt(const std::vector<std::uint8_t>& joystick) {
    std::vector<std::uint8_t> node = vendorCollection();
    node.insert(node.end(), joystick.begin(), joystick.end());
    auto parsed = hp::parseDescriptor(node);
    if (!parsed) {
        return parsed.error();
    }
    if (parsed->collections.size() != 2 || parsed->collections[1].usagePage != 0x01 ||
        parsed->collections[1].usage != 0x04) {
        return Error{0, "it is not one joystick collection (usage page 1, usage 4)"};
    }
    // A host's HID driver refuses a descriptor whose logical maximum lies
    // below its minimum (compared unsigned when the minimum is not
    // negative), so the real board would not get its joystick bound.
    for (const hp::ReportField& field : parsed->collections[1].fields) {
        const bool inverted = field.logicalMin < 0
                                  ? field.logicalMax < field.logicalMin
                                  : static_cast<std::uint32_t>(field.logicalMax) <
                                        static_cast<std::uint32_t>(field.logicalMin);
        if (inverted) {
            return Error{0, "a logical range is invalid (maximum " +
                                std::to_string(field.logicalMax) + " below minimum " +
                                std::to_string(field.logicalMin) + ")"};
        }
    }
    // The image states the input report length in one byte (452).
    for (const hp::ReportInfo& report : parsed->collections[1].reports) {
        const std::size_t wireBytes = report.payloadBytes() + (parsed->usesReportIds ? 1 : 0);
        if (report.type == hp::ReportType::Input && wireBytes > kMaxInputReportBytes) {
            return Error{0, "its input report of " + std::to_string(wireBytes) +
                                " bytes is longer than the " +
                                std::to_string(kMaxInputReportBytes) +
                                " bytes the configuration can state"};
        }
    }
    m_joystick = joystick;
    m_node = std::move(node);
    m_parsed = std::move(*parsed);
    m_collection = 1;
    const auto ids = m_parsed.collections[1].reportIds(hp::ReportType::Input);
    m_inputId.reset();
    if (!ids.empty()) {
        m_inputId = ids.front();
    }
    return {};
}

std::size_t Joystick::inputPayloadBytes() const {
    if (!m_inputId) {
        return 0;
    }
    const auto* info =
        m_parsed.collections[m_collection].findReport(hp::ReportType::Input, *m_inputId);
    return info != nullptr ? info->payloadBytes() : 0;
}

namespace {

std::int64_t fitToField(const hp::ReportField& field, std::int64_t v) {
    // A range taken as signed can still read inverted (a 32-bit maximum
    // with the top bit set); clamping needs min <= max.
    const std::int64_t lo = field.logicalMin;
    const std::int64_t hi = std::max<std::int64_t>(field.logicalMax, lo);
    return std::clamp<std::int64_t>(v, lo, hi);
}

// Hat position from the four bound direction buttons (up, right, down,
// left): 0 = up, clockwise in steps of 45 degrees; 8 = centred.
int hatFrom(bool up, bool right, bool down, bool left) {
    if (up && right) {
        return 1;
    }
    if (right && down) {
        return 3;
    }
    if (down && left) {
        return 5;
    }
    if (left && up) {
        return 7;
    }
    if (up) {
        return 0;
    }
    if (right) {
        return 2;
    }
    if (down) {
        return 4;
    }
    if (left) {
        return 6;
    }
    return 8;
}

} // namespace

std::optional<std::vector<std::uint8_t>> Joystick::inputReport(const EepromImage& eeprom,
                                                               const BoardSettings& settings,
                                                               SimTime sinceBoot) const {
    if (!m_inputId) {
        return std::nullopt;
    }
    const hp::Collection& joy = m_parsed.collections[m_collection];
    hp::ReportBuilder builder(m_parsed, joy, hp::ReportType::Input, *m_inputId);
    if (!builder.valid()) {
        return std::nullopt;
    }
    // The axes follow the processed values and the buttons the bound
    // hardware buttons, as the firmware maps them; a blank controller runs
    // with its default configuration, so its joystick shows what its live
    // data shows.
    const EepromImage& config = configurationInUse(eeprom);
    const AxisValues axes = axisValues(config, settings, sinceBoot);
    const auto pressed = pressedButtons(config, settings, sinceBoot);
    std::vector<int> configuredAxes;
    for (int axis = 1; axis <= 8; ++axis) {
        if (axisSource(config, axis) != 0) {
            configuredAxes.push_back(axis);
        }
    }
    const auto rowPressed = [&](int row) {
        const int hw = boundHardwareButton(config, row);
        return hw >= 1 && hw <= kHardwareButtons && pressed[static_cast<std::size_t>(hw)];
    };

    std::size_t axisIndex = 0;
    for (const hp::ReportField& field : joy.fields) {
        if (field.type != hp::ReportType::Input || field.reportId != *m_inputId ||
            field.isConstant() || !field.isVariable()) {
            continue;
        }
        for (std::uint32_t i = 0; i < field.count; ++i) {
            const hp::Usage u = field.usages[i];
            std::int64_t value = 0;
            // Every axis with a source has its field, in axis order: one
            // without an assignment ("--") is described with usage 0.
            const bool axisField = u.page == 0x01 && (u.id == 0 || (u.id >= 0x30 && u.id <= 0x38));
            if (axisField) {
                if (axisIndex < configuredAxes.size()) {
                    const auto axis = static_cast<std::size_t>(configuredAxes[axisIndex] - 1);
                    value = axes.processed[axis];
                } else {
                    const double phase = 2.0 * std::numbers::pi *
                                             static_cast<double>(sinceBoot.count()) /
                                             static_cast<double>(kAxisPeriod.count()) +
                                         static_cast<double>(axisIndex) * std::numbers::pi / 4.0;
                    // in double: max - min overflows 32 bits for the widest ranges
                    const double span = static_cast<double>(field.logicalMax) -
                                        static_cast<double>(field.logicalMin);
                    value = field.logicalMin + static_cast<std::int64_t>(std::lround(
                                                   span * (0.5 + 0.5 * std::sin(phase))));
                }
                ++axisIndex;
                value = fitToField(field, value);
            } else if (u.page == 0x01 && u.id == 0x39) {
                value = hatFrom(rowPressed(1), rowPressed(2), rowPressed(3), rowPressed(4));
            } else if (u.page == 0x09 && u.id >= 1) {
                value = rowPressed(4 + u.id) ? 1 : 0;
            } else {
                continue;
            }
            builder.set(field, i, value);
        }
    }
    std::vector<std::uint8_t> report = builder.bytes();
    if (m_statedLength != 0) {
        report.resize(m_statedLength, 0);
    }
    return report;
}

} // namespace volmar::sim
