#include "volmar/input/DataFormat.h"

#include <array>

namespace volmar::input {

namespace {

constexpr std::uint32_t kAnyAxis = DIDFT_AXIS | DIDFT_ANYINSTANCE;
constexpr std::uint32_t kAnyButton = DIDFT_BUTTON | DIDFT_ANYINSTANCE;
constexpr std::uint32_t kAnyPov = DIDFT_POV | DIDFT_ANYINSTANCE;

constexpr auto makeJoystickEntries() {
    std::array<FormatEntry, 12 + kJoystickButtons> e{};
    const ObjectKind axes[6] = {ObjectKind::XAxis,  ObjectKind::YAxis,  ObjectKind::ZAxis,
                                ObjectKind::RxAxis, ObjectKind::RyAxis, ObjectKind::RzAxis};
    std::size_t i = 0;
    for (std::uint32_t a = 0; a < 6; ++a) {
        e[i++] = {axes[a], 4 * a, kAnyAxis};
    }
    e[i++] = {ObjectKind::Slider, 24, kAnyAxis};
    e[i++] = {ObjectKind::Slider, 28, kAnyAxis};
    for (std::uint32_t p = 0; p < kJoystickPovs; ++p) {
        e[i++] = {ObjectKind::POV, 32 + 4 * p, kAnyPov};
    }
    for (std::uint32_t b = 0; b < kJoystickButtons; ++b) {
        e[i++] = {ObjectKind::Unknown, kJoystickButtonOffset + b, kAnyButton};
    }
    return e;
}

constexpr auto makeMouseEntries() {
    std::array<FormatEntry, 11> e{};
    e[0] = {ObjectKind::XAxis, 0, kAnyAxis};
    e[1] = {ObjectKind::YAxis, 4, kAnyAxis};
    e[2] = {ObjectKind::ZAxis, 8, kAnyAxis};
    for (std::uint32_t b = 0; b < 8; ++b) {
        e[3 + b] = {ObjectKind::Unknown, 12 + b, kAnyButton};
    }
    return e;
}

constexpr auto makeKeyboardEntries() {
    std::array<FormatEntry, kKeyboardStateSize> e{};
    for (std::uint32_t k = 0; k < kKeyboardStateSize; ++k) {
        e[k] = {ObjectKind::Key, k, DIDFT_BUTTON | makeInstance(k)};
    }
    return e;
}

constexpr auto kJoystickEntries = makeJoystickEntries();
constexpr auto kMouseEntries = makeMouseEntries();
constexpr auto kKeyboardEntries = makeKeyboardEntries();

const DataFormat kJoystick{"joystick", kJoystickStateSize, kJoystickEntries};
const DataFormat kMouse{"mouse", kMouseStateSize, kMouseEntries};
const DataFormat kKeyboard{"keyboard", kKeyboardStateSize, kKeyboardEntries};

} // namespace

const DataFormat& joystickFormat() {
    return kJoystick;
}
const DataFormat& mouseFormat() {
    return kMouse;
}
const DataFormat& keyboardFormat() {
    return kKeyboard;
}

const DataFormat& formatForClass(DeviceClass deviceClass) {
    switch (deviceClass) {
    case DeviceClass::Pointer:
        return kMouse;
    case DeviceClass::Keyboard:
        return kKeyboard;
    case DeviceClass::GameController:
        break;
    }
    return kJoystick;
}

bool entryAccepts(const FormatEntry& entry, ObjectKind kind, std::uint32_t type) {
    if (entry.kind != ObjectKind::Unknown && entry.kind != kind) {
        return false;
    }
    if ((entry.type & type & 0xFF) == 0) {
        return false;
    }
    const std::uint32_t wanted = entry.type & DIDFT_ANYINSTANCE;
    return wanted == DIDFT_ANYINSTANCE || wanted == (type & DIDFT_ANYINSTANCE);
}

const char* objectKindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::XAxis:
        return "XAxis";
    case ObjectKind::YAxis:
        return "YAxis";
    case ObjectKind::ZAxis:
        return "ZAxis";
    case ObjectKind::RxAxis:
        return "RxAxis";
    case ObjectKind::RyAxis:
        return "RyAxis";
    case ObjectKind::RzAxis:
        return "RzAxis";
    case ObjectKind::Slider:
        return "Slider";
    case ObjectKind::Button:
        return "Button";
    case ObjectKind::Key:
        return "Key";
    case ObjectKind::POV:
        return "POV";
    case ObjectKind::Unknown:
        break;
    }
    return "Unknown";
}

} // namespace volmar::input
