#pragma once

// Live data of the virtual controller: feature report 2 and the values its
// joystick reports. Values are either fixed from the command line or
// animated as a pure function of the time since the controller started.
//
// Report 2, 194 bytes (16-bit values little-endian):
//   0        report id 2
//   1        hardware type (0 = no data, 1 atmega32u4, 2 at90usb646, 3 at90usb1286)
//   2..4     uptime: hours (mod 256), minutes, seconds (or fixed fields)
//   5..20    raw sensor value of axes 1..8
//   21..152  hardware buttons 1..132, one byte each, bit 0 = pressed
//   153..168 processed value of axes 1..8
//   169..176 four debug words
//   177..184 link-error count of axes 1..8
//   185..193 0

#include "volmar/sim/Eeprom.h"
#include "volmar/sim/SimTime.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace volmar::sim {

inline constexpr std::size_t kLiveReportSize = 194;
inline constexpr int kHardwareButtons = 132;

struct BoardSettings {
    int hardwareType = 1;
    // Axis N at index N-1; a fixed value replaces the animation.
    std::array<std::optional<std::uint16_t>, 8> axisRaw;
    std::array<std::optional<std::uint16_t>, 8> axisProcessed;
    // Hardware buttons held down; without it the bound buttons are pressed
    // one after the other.
    std::optional<std::vector<int>> pressedButtons;
    // Fixed debug words; without them the firmware shows its own counters.
    std::optional<std::array<std::uint16_t, 4>> debugWords;
    std::array<std::uint8_t, 8> linkErrors{};
    // Fixed uptime fields (bytes 2-4) instead of the time since the start.
    std::optional<std::array<std::uint8_t, 3>> uptime;
};

struct AxisValues {
    std::array<std::uint16_t, 8> raw{};
    std::array<std::uint16_t, 8> processed{};
};

// Axes without a source in the configuration read 0. Raw values are 12-bit
// sensor readings; processed values span the axis's precision. A blank
// EEPROM runs with blankConfiguration().
AxisValues axisValues(const EepromImage& config, const BoardSettings& settings, SimTime sinceBoot);
// Index 1..132 (index 0 unused): hardware buttons pressed now.
std::array<bool, kHardwareButtons + 1>
pressedButtons(const EepromImage& config, const BoardSettings& settings, SimTime sinceBoot);
std::vector<std::uint8_t> liveDataReport(const EepromImage& config, const BoardSettings& settings,
                                         SimTime sinceBoot,
                                         const std::array<std::uint16_t, 4>& debugWords);

// How long one bound button stays pressed before the next one takes over.
inline constexpr SimTime kButtonStep = std::chrono::milliseconds(500);
// One full sweep of an animated axis.
inline constexpr SimTime kAxisPeriod = std::chrono::milliseconds(4000);

} // namespace volmar::sim
