#pragma once

// Value arithmetic of the input API, Qt-free and side-effect free so the
// tests can hold it against worked examples.

#include <cstdint>

namespace volmar::input {

// a * b / c rounded half away from zero with a 64-bit product; -1 when c is 0
// or the result does not fit (the behaviour callers of the API expect).
std::int32_t mulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

struct AxisScaling {
    std::int32_t logicalMin = 0; // raw range of the device's value
    std::int32_t logicalMax = 0;
    std::int32_t rangeMin = 0; // calibrated range handed to the program
    std::int32_t rangeMax = 65535;
    std::uint32_t deadZone = 0;       // 0..10000 of each half
    std::uint32_t saturation = 10000; // 0..10000 of each half
    bool calibrated = false;          // a calibration replaces the logical range
    std::int32_t calMin = 0;
    std::int32_t calCenter = 0;
    std::int32_t calMax = 0;
};

// A raw value on the calibrated range: the logical (or calibration) range is
// split at its centre; inside the dead zone fraction of a half the value is
// the range's centre, beyond the saturation fraction it is the half's end,
// in between it is spread linearly.
std::int32_t scaleAxis(std::int32_t raw, const AxisScaling& s);

// A hat value on the POV scale: hundredths of degrees clockwise from north,
// kPovCentred outside the logical range. `steps` directions share the circle.
std::uint32_t hatToPov(std::int32_t raw, std::int32_t logicalMin, std::int32_t logicalMax);

// The two axes of an evdev hat (-1/0/1 each, y = -1 is up) as one POV value.
std::uint32_t hatAxesToPov(std::int32_t x, std::int32_t y);

} // namespace volmar::input
