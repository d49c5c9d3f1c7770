#pragma once

// Wiring warnings: mistakes validation lets through because the controller
// accepts them, but that leave a control dead or two functions fighting over
// one pin. They sit beside the report line and never replace it: nothing
// here sets ConfigHasErrors, touches the report line or stops a write.

#include "volmar/core/ConfigState.h"

#include <string>
#include <vector>

namespace volmar {

enum class WiringKind {
    SharedPin,          // one pin chosen for two functions
    EncoderOneButton,   // both inputs of an encoder are the same button
    UnreachableButton,  // a joystick output bound to a button no input gives
    DescriptorNearFull, // the joystick descriptor close to its 150 bytes
};

struct WiringWarning {
    WiringKind kind;
    std::string text; // one line, for the list and for volmarctl
    // The controls to look at, most telling first ("hw_br_2", "led_max7219").
    std::vector<std::string> controls;
    int gridRow = 0; // UnreachableButton: the button grid row (1..132)
    bool operator==(const WiringWarning&) const = default;
};

// A descriptor this long or longer is reported: the layouts the editor can
// build stay below the limit, but only just once precisions alternate.
inline constexpr int kDescriptorWarnBytes = 120;

// The pins the two LED outputs occupy when ticked, as their captions say
// ("port B5", "port B4"): port list indexes.
inline constexpr int kWs2811Pin = 1 + 8 * 1 + 5;  // B5
inline constexpr int kMax7219Pin = 1 + 8 * 1 + 4; // B4

// How many hardware buttons the wiring gives: the matrix's rows times its
// columns, then eight per chip of each shift-register chain that has a chip
// type and both pins. Numbers run from 1 in that order.
int wiredButtonCount(const ConfigState& state);

// Every warning for the configuration, in a stable order: shared pins (by
// pin), encoders, unreachable buttons (by grid row), the descriptor.
std::vector<WiringWarning> wiringWarnings(const ConfigState& state);

} // namespace volmar
