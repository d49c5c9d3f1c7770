#pragma once

// The joystick's HID report descriptor. The controller has no fixed input
// report: the configurator derives the descriptor from the configured axes,
// hat and buttons, stores it in the configuration image with the resulting
// report length, and the firmware presents it to the host as it is.

#include "volmar/core/ConfigState.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace volmar {

inline constexpr std::size_t kMaxDescriptorBytes = 150;

// Shown in the report line when the descriptor does not fit its room.
extern const char* const kDescriptorTooLongText;

// One axis that has a source, as the descriptor sees it.
struct DescriptorAxis {
    int precision = 0;  // osi_N_prcsn index 0..4 (10..14 bits)
    int assignment = 0; // osi_N_name index 0..8 ("--", X .. Dial)
};

// What the descriptor is built from.
struct DescriptorInput {
    std::vector<DescriptorAxis> axes; // axes with a source, in axis order
    bool hat = false;                 // a hat direction is bound
    int buttons = 0;                  // highest bound joystick button, 0..128

    bool active() const { return !axes.empty() || hat || buttons > 0; }
};

// The presence values, taken from the state as the image stores it: a list
// holding no valid entry counts as its entry 0, a button map entry counts as
// bound only when the image can hold it (1..255).
DescriptorInput descriptorInput(const ConfigState& state);

struct JoystickDescriptor {
    std::vector<std::uint8_t> bytes; // n = bytes.size()
    int reportBits = 0;              // input report bits, report id included
    int reportBytes = 0;             // 0 when the joystick is not active
    int padding = 0;                 // constant bits that fill the last byte
    // The listing between the first line "=BEGIN HID DEBUG FILE=" and the
    // last line "=END HID DEBUG FILE=", both included.
    std::vector<std::string> listing;
};

JoystickDescriptor generateDescriptor(const DescriptorInput& input);

// Report size in bits and logical maximum of a precision index (0..4; any
// other index counts as 0, as the image stores it).
int precisionBits(int precision);
int precisionMaximum(int precision);
// Generic Desktop usage of an assignment index (0..8); 0 for "--" and for
// an index the list does not have.
int assignmentUsage(int assignment);

} // namespace volmar
