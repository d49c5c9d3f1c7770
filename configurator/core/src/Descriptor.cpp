#include "volmar/core/Descriptor.h"

#include "ImageCodecLayout.h"

#include <algorithm>
#include <cstdio>

namespace volmar {

const char* const kDescriptorTooLongText =
    "ОШИБКА. Длина HID дескриптора превышает 150 байт.(сохраните текущую настройку в файл и "
    "сообщите разработчику)";

int precisionBits(int precision) {
    return 10 + layout::listByte(precision, layout::kPrecisionEntries);
}

int precisionMaximum(int precision) {
    return (1 << precisionBits(precision)) - 1;
}

int assignmentUsage(int assignment) {
    const int index = layout::listByte(assignment, layout::kAssignmentEntries);
    return index > 0 ? 0x2F + index : 0;
}

DescriptorInput descriptorInput(const ConfigState& state) {
    using namespace layout;
    DescriptorInput input;
    for (const AxisFields& axis : state.axes) {
        if (listByte(axis.src, kSourceEntries) != 0) {
            input.axes.push_back(
                {listByte(axis.prcsn, kPrecisionEntries), listByte(axis.name, kAssignmentEntries)});
        }
    }
    for (int row = 1; row <= kHatRows; ++row) {
        input.hat = input.hat || hardwareByte(state.buttons.hw[row]) != 0;
    }
    for (int row = kHatRows + 1; row < kGridRows; ++row) {
        if (hardwareByte(state.buttons.hw[row]) != 0) {
            input.buttons = row - kHatRows;
        }
    }
    return input;
}

namespace {

// Builds the byte string and its listing side by side, so the two cannot
// drift apart.
class DescriptorBuilder {
public:
    explicit DescriptorBuilder(JoystickDescriptor& out) : m_out(out) {}

    void bytes(std::initializer_list<int> values, std::string line) {
        for (int v : values) {
            m_out.bytes.push_back(static_cast<std::uint8_t>(v));
        }
        note(std::move(line));
    }
    void note(std::string line) { m_out.listing.push_back(std::move(line)); }

private:
    JoystickDescriptor& m_out;
};

std::string hexByte(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value & 0xFF);
    return text;
}

const char* const kAssignmentTexts[] = {"--", "X", "Y", "Z", "rX", "rY", "rZ", "Slider", "Dial"};

void appendAxes(DescriptorBuilder& d, const std::vector<DescriptorAxis>& axes, int& bits) {
    d.note("ОСИ ШАПКА");
    d.bytes({0x15, 0x00}, "0x15, 0x00,                    //   LOGICAL_MINIMUM (0)");
    d.bytes({0x95, 0x01}, "0x95, 0x01,                    //   REPORT_COUNT (1)");
    int previous = -1;
    for (const DescriptorAxis& axis : axes) {
        const int size = precisionBits(axis.precision);
        const int maximum = precisionMaximum(axis.precision);
        // Items are global state of the descriptor parser: repeat them only
        // when they change, which keeps eight axes within the room.
        if (axis.precision != previous) {
            d.bytes({0x26, 0xFF, maximum >> 8}, "0x26, 0xff, " + hexByte(maximum >> 8) +
                                                    ",              //   LOGICAL_MAXIMUM (" +
                                                    std::to_string(maximum) + ")");
            d.bytes({0x75, size}, "0x75, " + hexByte(size) +
                                      ",                    //   REPORT_SIZE (" +
                                      std::to_string(size) + ")");
            previous = axis.precision;
        }
        const int usage = assignmentUsage(axis.assignment);
        d.bytes({0x09, usage}, "0x09, " + std::to_string(usage) + ", //     USAGE ( Ось 1(" +
                                   kAssignmentTexts[axis.assignment] + ")");
        d.bytes({0x81, 0x02}, "0x81, 0x02,                    //     INPUT (Data,Var,Abs)");
        bits += size;
    }
}

void appendHat(DescriptorBuilder& d, int& bits) {
    d.note("ХАТКИ ШАПКА");
    d.bytes({0x09, 0x39}, "0x09, 0x39,                    //   USAGE (Hat switch)");
    d.bytes({0x35, 0x00}, "0x35, 0x00,                    //   PHYSICAL_MINIMUM (0)");
    d.bytes({0x46, 0x3B, 0x01}, "0x46, 0x3b, 0x01,              //   PHYSICAL_MAXIMUM (315)");
    d.bytes({0x15, 0x00}, "0x15, 0x00,                    //   LOGICAL_MINIMUM (0)");
    d.bytes({0x25, 0x07}, "0x25, 0x07,                    //   LOGICAL_MAXIMUM (7)");
    d.bytes({0x65, 0x14}, "0x65, 0x14,                    //   UNIT (Eng Rot:Angular Pos)");
    d.bytes({0x95, 0x01}, "0x95, 0x01,                    //   REPORT_COUNT (1)");
    d.bytes({0x75, 0x04}, "0x75, 0x04,                    //   REPORT_SIZE (4)");
    d.bytes({0x81, 0x02}, "0x81, 0x02,                    //   INPUT (Data,Var,Abs) ХАТКА 1");
    bits += 4;
}

void appendButtons(DescriptorBuilder& d, int count, int& bits) {
    const std::string b = std::to_string(count);
    d.note("КНОПКИ ШАПКА " + b);
    d.bytes({0x05, 0x09}, "0x05, 0x09,                    //   USAGE_PAGE (Button)");
    d.bytes({0x15, 0x00}, "0x15, 0x00,                    //   LOGICAL_MINIMUM (0)");
    d.bytes({0x25, 0x01}, "0x25, 0x01,                    //   LOGICAL_MAXIMUM (1)");
    d.bytes({0x19, 0x01}, "0x19, 0x01,                    //   USAGE_MINIMUM (Button 1)");
    d.bytes({0x29, count},
            "0x29, " + b + ",                    //   USAGE_MAXIMUM (Button active_knp1)");
    d.bytes({0x75, 0x01}, "0x75, 0x01,                    //   REPORT_SIZE (1)");
    d.bytes({0x95, count}, "0x95, " + b + ",                    //   REPORT_COUNT (active_knp)");
    d.bytes({0x81, 0x02}, "0x81, 0x02,                    //   INPUT (Data,Var,Abs)");
    bits += count;
}

void appendPadding(DescriptorBuilder& d, int padding) {
    const std::string p = std::to_string(padding);
    d.note("ДОБИВКА ШАПКА ");
    d.note("Добивка длины пакета до байта =" + p + " бит");
    d.bytes({0x05, 0x01}, "0x05, 0x01,                    // USAGE_PAGE (Generic Desktop)");
    d.bytes({0x15, 0x00}, "0x15, 0x00,                    //   LOGICAL_MINIMUM (0)");
    d.bytes({0x25, 0x01}, "0x25, 0x01,                    //   LOGICAL_MAXIMUM (1)");
    d.bytes({0x75, 0x01}, "0x75, 0x01,                    //   REPORT_SIZE (1)");
    d.bytes({0x95, padding}, "0x95, " + p + ",                    //   REPORT_COUNT (" + p + ")");
    d.bytes({0x81, 0x03}, "0x81, 0x03,                    //   INPUT (Cnst,Var,Abs)");
}

} // namespace

JoystickDescriptor generateDescriptor(const DescriptorInput& request) {
    // Callers may hand anything; the descriptor only ever holds what the
    // image can describe.
    DescriptorInput input = request;
    for (DescriptorAxis& axis : input.axes) {
        axis.precision = layout::listByte(axis.precision, layout::kPrecisionEntries);
        axis.assignment = layout::listByte(axis.assignment, layout::kAssignmentEntries);
    }
    if (input.axes.size() > static_cast<std::size_t>(kAxisCount)) {
        input.axes.resize(kAxisCount);
    }
    input.buttons = input.buttons < 0 ? 0 : std::min(input.buttons, kGridRows - 1 - kHatRows);
    JoystickDescriptor out;
    DescriptorBuilder d(out);
    d.note("=BEGIN HID DEBUG FILE=");
    d.note("ХИД ДИСКРИПТОР #1, джойстик");
    d.bytes({0x05, 0x01}, "0x05, 0x01,                    // USAGE_PAGE (Generic Desktop)");
    d.bytes({0x09, 0x04}, "0x09, 0x04,                    // USAGE (Joystick)");
    d.bytes({0xA1, 0x01}, "0xa1, 0x01,                    // COLLECTION (Application)");
    if (input.active()) {
        d.bytes({0x85, 0x01}, "0x85, 0x01,                    // REPORT_ID (01)");
        int bits = 8;
        if (!input.axes.empty()) {
            appendAxes(d, input.axes, bits);
        }
        if (input.hat) {
            appendHat(d, bits);
        }
        if (input.buttons > 0) {
            appendButtons(d, input.buttons, bits);
        }
        out.reportBits = bits;
        out.reportBytes = (bits + 7) / 8;
        out.padding = 8 * out.reportBytes - bits;
        d.note("Динамическая длина пакета джойстика1[" + std::to_string(bits) + "]бит)");
        d.note("Динамическая длина пакета джойстика1[" + std::to_string(out.reportBytes) +
               "]байт)");
        if (out.padding > 0) {
            appendPadding(d, out.padding);
        }
    }
    d.bytes({0xC0}, "0xc0                           // END_COLLECTION");
    const int n = static_cast<int>(out.bytes.size());
    d.note("Джойстик массив хид дискриптор [" + std::to_string(n) + "]байт");
    d.note("Итого массив хид дискриптор [" + std::to_string(n) + "]байт (свободный остаток:" +
           std::to_string(static_cast<int>(kMaxDescriptorBytes) - n) + ")");
    d.note("r4_num [0]");
    d.note("r5_num [" + std::to_string(layout::kDescriptorBytesAt + n) + "]");
    d.note("=END HID DEBUG FILE=");
    return out;
}

} // namespace volmar
