#include "volmar/input/EventNames.h"

#include "EventNameTable.h"

#include <array>
#include <linux/input-event-codes.h>

namespace volmar::input {

std::string evdevCodeName(std::uint16_t type, std::uint16_t code) {
    // The headers name a group's first code twice, the group first
    // (BTN_JOYSTICK, then BTN_TRIGGER): the later, specific name wins.
    const char* found = nullptr;
    for (std::size_t i = 0; i < kEventNameCount; ++i) {
        if (kEventNames[i].type == type && kEventNames[i].code == code) {
            found = kEventNames[i].name;
        }
    }
    return found != nullptr ? found : std::string{};
}

std::string keyDisplayName(std::uint16_t code) {
    std::string name = evdevCodeName(EV_KEY, code);
    if (name.rfind("KEY_", 0) == 0) {
        return name.substr(4);
    }
    return name.empty() ? "Key " + std::to_string(code) : name;
}

std::uint8_t keyScanCode(std::uint16_t code) {
    // Codes 1..88 are the scan codes of the classic keyboard; the rest are
    // the extended (0xE0-prefixed) keys at scan code | 0x80.
    if (code >= 1 && code <= 88) {
        return static_cast<std::uint8_t>(code);
    }
    struct Pair {
        std::uint16_t code;
        std::uint8_t scan;
    };
    static constexpr Pair kExtended[] = {
        {KEY_RO, 0x73},        {KEY_KATAKANAHIRAGANA, 0x70},
        {KEY_HENKAN, 0x79},    {KEY_MUHENKAN, 0x7B},
        {KEY_YEN, 0x7D},       {KEY_KPENTER, 0x9C},
        {KEY_RIGHTCTRL, 0x9D}, {KEY_KPSLASH, 0xB5},
        {KEY_SYSRQ, 0xB7},     {KEY_RIGHTALT, 0xB8},
        {KEY_HOME, 0xC7},      {KEY_UP, 0xC8},
        {KEY_PAGEUP, 0xC9},    {KEY_LEFT, 0xCB},
        {KEY_RIGHT, 0xCD},     {KEY_END, 0xCF},
        {KEY_DOWN, 0xD0},      {KEY_PAGEDOWN, 0xD1},
        {KEY_INSERT, 0xD2},    {KEY_DELETE, 0xD3},
        {KEY_MUTE, 0xA0},      {KEY_VOLUMEDOWN, 0xAE},
        {KEY_VOLUMEUP, 0xB0},  {KEY_POWER, 0xDE},
        {KEY_KPEQUAL, 0x8D},   {KEY_PAUSE, 0xC5},
        {KEY_KPCOMMA, 0xB3},   {KEY_LEFTMETA, 0xDB},
        {KEY_RIGHTMETA, 0xDC}, {KEY_COMPOSE, 0xDD},
        {KEY_SLEEP, 0xDF},     {KEY_WAKEUP, 0xE3},
        {KEY_F13, 0x64},       {KEY_F14, 0x65},
        {KEY_F15, 0x66},       {KEY_NEXTSONG, 0x99},
        {KEY_PLAYPAUSE, 0xA2}, {KEY_PREVIOUSSONG, 0x90},
        {KEY_STOPCD, 0xA4},
    };
    for (const Pair& p : kExtended) {
        if (p.code == code) {
            return p.scan;
        }
    }
    return 0;
}

namespace {

// evdev key code of HID keyboard usages 0x00..0x67 (the kernel's mapping).
constexpr std::uint8_t kUsageToKey[0x68] = {
    0,  0,  0,  0,  30, 48, 46, 32, 18, 33,  34,  35,  23,  36,  37,  38,  50,  49,  24,  25,  16,
    19, 31, 20, 22, 47, 17, 45, 21, 44, 2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  28,  1,
    14, 15, 57, 12, 13, 26, 27, 43, 43, 39,  40,  41,  51,  52,  53,  58,  59,  60,  61,  62,  63,
    64, 65, 66, 67, 68, 87, 88, 99, 70, 119, 110, 102, 104, 111, 107, 109, 106, 105, 108, 103, 69,
    98, 55, 74, 78, 96, 79, 80, 81, 75, 76,  77,  71,  72,  73,  82,  83,  86,  127, 116, 117,
};
// Modifiers: usages 0xE0..0xE7.
constexpr std::uint8_t kModifierKeys[8] = {29, 42, 56, 125, 97, 54, 100, 126};

std::array<std::uint16_t, 256> makeKeyToUsage() {
    std::array<std::uint16_t, 256> t{};
    for (std::uint16_t usage = 0; usage < sizeof kUsageToKey; ++usage) {
        const std::uint8_t key = kUsageToKey[usage];
        if (key != 0 && t[key] == 0) {
            t[key] = usage;
        }
    }
    for (std::uint16_t i = 0; i < 8; ++i) {
        t[kModifierKeys[i]] = static_cast<std::uint16_t>(0xE0 + i);
    }
    return t;
}

} // namespace

std::uint16_t keyHidUsage(std::uint16_t code) {
    static const std::array<std::uint16_t, 256> table = makeKeyToUsage();
    return code < table.size() ? table[code] : 0;
}

} // namespace volmar::input
