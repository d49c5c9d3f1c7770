#pragma once

// Names of evdev codes and the key tables of the keyboard layout.

#include <cstdint>
#include <string>

namespace volmar::input {

// "KEY_A", "BTN_TRIGGER", "ABS_HAT0X", "REL_WHEEL"; empty when unknown. Of
// two numeric names for one code the later (specific) one wins.
std::string evdevCodeName(std::uint16_t type, std::uint16_t code);

// A key's display name: its code name without "KEY_" ("A", "LEFTSHIFT").
std::string keyDisplayName(std::uint16_t code);

// Scan code (the key's byte in the keyboard state) of an evdev key code; 0
// for keys the keyboard layout has no place for.
std::uint8_t keyScanCode(std::uint16_t code);

// HID keyboard-page usage of an evdev key code; 0 when it has none.
std::uint16_t keyHidUsage(std::uint16_t code);

} // namespace volmar::input
