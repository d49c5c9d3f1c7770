#pragma once

// The three state layouts the viewer reads devices into. An interface maps
// its objects onto a format's entries when the format is set; an object's
// offset in the format is where its value lives in a state block and the
// offset every buffered item carries.
//
// Game controller (176 bytes, all little-endian 32-bit values first):
//   0 X, 4 Y, 8 Z, 12 Rx, 16 Ry, 20 Rz      axes
//   24, 28                                  two sliders
//   32, 36, 40, 44                          four POVs (hundredths of degrees)
//   48 .. 175                               128 buttons, one byte each
// The historical 80-byte layout stops at 32 buttons, which would hide
// buttons 33..128 of the very controllers VolmarSetup configures.
// Pointer (20 bytes): 0 X, 4 Y, 8 wheel, 12 .. 19 eight buttons.
// Keyboard (256 bytes): one byte per key at its scan code.

#include "volmar/input/Types.h"

#include <cstdint>
#include <span>

namespace volmar::input {

struct FormatEntry {
    ObjectKind kind = ObjectKind::Unknown; // Unknown matches any kind of object
    std::uint32_t offset = 0;
    std::uint32_t type = 0; // kind bits the object must have | instance (or any)
};

struct DataFormat {
    const char* name = "";
    std::uint32_t dataSize = 0;
    std::span<const FormatEntry> entries;
};

inline constexpr std::uint32_t kJoystickStateSize = 176;
inline constexpr std::uint32_t kMouseStateSize = 20;
inline constexpr std::uint32_t kKeyboardStateSize = 256;
inline constexpr std::uint32_t kStateBlockSize = 256; // room for every layout
inline constexpr std::uint32_t kJoystickButtons = 128;
inline constexpr std::uint32_t kJoystickPovs = 4;
inline constexpr std::uint32_t kJoystickButtonOffset = 48;

const DataFormat& joystickFormat();
const DataFormat& mouseFormat();
const DataFormat& keyboardFormat();
// The format of a device class and the size of the state it fills.
const DataFormat& formatForClass(DeviceClass deviceClass);

// Whether an object (kind and type word) may take a format entry.
bool entryAccepts(const FormatEntry& entry, ObjectKind kind, std::uint32_t type);

} // namespace volmar::input
