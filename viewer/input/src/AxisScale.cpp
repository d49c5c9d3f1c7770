#include "volmar/input/AxisScale.h"

#include "volmar/input/Types.h"

#include <cmath>
#include <limits>

namespace volmar::input {

std::int32_t mulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) {
        return -1;
    }
    std::int64_t num = std::int64_t{a} * b;
    std::int64_t den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const std::int64_t q = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
    if (q > std::numeric_limits<std::int32_t>::max() ||
        q < -std::numeric_limits<std::int32_t>::max()) {
        return -1;
    }
    return static_cast<std::int32_t>(q);
}

namespace {

// Centre of a range the way the API has always picked it: a range starting
// at 0 centres at max/2 rounded down, any other at the rounded midpoint.
std::int32_t centreOf(std::int32_t min, std::int32_t max) {
    if (min == 0) {
        return max >> 1;
    }
    return static_cast<std::int32_t>(std::lround((static_cast<double>(min) + max) / 2.0));
}

} // namespace

std::int32_t scaleAxis(std::int32_t raw, const AxisScaling& s) {
    std::int32_t logMin = s.calibrated ? s.calMin : s.logicalMin;
    std::int32_t logMax = s.calibrated ? s.calMax : s.logicalMax;
    const std::int32_t logCtr = s.calibrated ? s.calCenter : centreOf(logMin, logMax);
    std::int32_t phyMin = s.rangeMin;
    std::int32_t phyMax = s.rangeMax;
    const std::int32_t phyCtr = centreOf(phyMin, phyMax);
    const auto dz = static_cast<std::int32_t>(s.deadZone);
    const auto sat = static_cast<std::int32_t>(s.saturation);

    // Work in 64 bits: a raw value far outside the range must not wrap.
    const std::int64_t v = std::int64_t{raw} - logCtr;
    if (v <= 0) {
        logMax = mulDiv(logMin - logCtr, dz, 10000);
        logMin = mulDiv(logMin - logCtr, sat, 10000);
        phyMax = phyCtr;
    } else {
        logMin = mulDiv(logMax - logCtr, dz, 10000);
        logMax = mulDiv(logMax - logCtr, sat, 10000);
        phyMin = phyCtr;
    }
    if (v <= logMin) {
        return phyMin;
    }
    if (v >= logMax) {
        return phyMax;
    }
    return phyMin + mulDiv(static_cast<std::int32_t>(v - logMin), phyMax - phyMin, logMax - logMin);
}

std::uint32_t hatToPov(std::int32_t raw, std::int32_t logicalMin, std::int32_t logicalMax) {
    if (raw < logicalMin || raw > logicalMax || logicalMax < logicalMin) {
        return kPovCentred;
    }
    const std::int64_t steps = std::int64_t{logicalMax} - logicalMin + 1;
    return static_cast<std::uint32_t>((std::int64_t{raw} - logicalMin) * 36000 / steps);
}

std::uint32_t hatAxesToPov(std::int32_t x, std::int32_t y) {
    const int sx = (x > 0) - (x < 0);
    const int sy = (y > 0) - (y < 0);
    // Indexed by (sy + 1) * 3 + (sx + 1): up row, middle row, down row.
    static constexpr std::uint32_t kTable[9] = {31500, 0,     4500,  27000, kPovCentred,
                                                9000,  22500, 18000, 13500};
    return kTable[(sy + 1) * 3 + (sx + 1)];
}

} // namespace volmar::input
