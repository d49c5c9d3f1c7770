#pragma once

// The configuration image: the one form in which a configuration exists
// outside the editor. The controller keeps it in EEPROM from address 0, a
// configuration file is the image byte for byte, and a language change
// carries the configuration across in it.
//
// Layout (all values unsigned bytes, 16-bit values little-endian):
//   0 .. 221   axis region: 8 axis records of 18 bytes, 6 curve records of
//              12 bytes, curve symmetry bits, double throttle, sensor clock
//   222 .. 463 buttons and devices: matrix pins, button map, shift keys,
//              timers, encoders, shift registers, axis-to-button rows, USB
//              flags and poll code, input report length, LEDs, hub, stepper
//   464 .. 640 identity: 2 reserved bytes, VID, PID, 20-byte product name,
//              descriptor length byte and up to 150 descriptor bytes
//   641 .. 1023 always 0
// ImageCodecEncode.cpp documents every byte where it is written.

#include "volmar/core/ConfigState.h"
#include "volmar/core/Rules.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace volmar {

struct TRecordLng;

inline constexpr std::size_t kConfigImageSize = 1024;
inline constexpr std::size_t kConfigBytes = 641; // what the controller keeps
using ConfigImage = std::array<std::uint8_t, kConfigImageSize>;

// The listing of the generated descriptor: 1000 UTF-8 lines, the unused
// ones empty.
inline constexpr std::size_t kDescriptorLogLines = 1000;
using DescriptorLog = std::vector<std::string>;

struct EncodeResult {
    // A strictly converted edit that holds no number: the encoding stopped
    // and the image and listing were left as they were. Empty on success.
    std::string conversionError;
    // Region check messages, to be shown in this order.
    std::vector<std::string> messageBoxes;
    // The descriptor does not fit its room: state.ConfigHasErrors is set and
    // the report line holds the message; the image is complete nevertheless.
    bool descriptorTooLong = false;

    bool ok() const { return conversionError.empty(); }
};

// Encodes the configuration into `image` and refills `log`. Only the report
// line and ConfigHasErrors of `state` may change (descriptor too long).
EncodeResult ConfigToReport(ConfigState& state, ConfigImage& image, DescriptorLog& log);

// Decodes any 1024 bytes into `state`: the defaults first, then the fields,
// the axis rules (which end with validation) in the middle, as loading a
// file or reading the controller does. Returns what a window shows
// afterwards: the axis rules' enabled flags and every message box in order.
RulesOutcome ReportToConfig(const ConfigImage& image, ConfigState& state, const TRecordLng& lng,
                            bool connected);

} // namespace volmar
