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

// a * b / c rounded half away from zero, in a width no range can overflow:
// ranges and calibrations may span the whole 32-bit scale.
__extension__ typedef __int128 Wide;

std::int64_t mulDivWide(std::int64_t a, std::int64_t b, std::int64_t c) {
    Wide num = Wide{a} * b;
    Wide den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const Wide q = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
    return static_cast<std::int64_t>(q);
}

} // namespace

std::int32_t scaleAxis(std::int32_t raw, const AxisScaling& s) {
    const std::int64_t logMin = s.calibrated ? s.calMin : s.logicalMin;
    const std::int64_t logMax = s.calibrated ? s.calMax : s.logicalMax;
    const std::int64_t logCtr = s.calibrated ? s.calCenter
                                             : centreOf(static_cast<std::int32_t>(logMin),
                                                        static_cast<std::int32_t>(logMax));
    const std::int64_t phyCtr = centreOf(s.rangeMin, s.rangeMax);
    const std::int64_t dz = s.deadZone;
    const std::int64_t sat = s.saturation;

    // The half the value lies in: from the dead zone's edge (the range's
    // centre) to the saturation point (the half's end).
    const std::int64_t v = std::int64_t{raw} - logCtr;
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t outFrom = 0;
    std::int64_t outTo = 0;
    if (v <= 0) {
        from = mulDivWide(logMin - logCtr, sat, 10000);
        to = mulDivWide(logMin - logCtr, dz, 10000);
        outFrom = s.rangeMin;
        outTo = phyCtr;
    } else {
        from = mulDivWide(logMax - logCtr, dz, 10000);
        to = mulDivWide(logMax - logCtr, sat, 10000);
        outFrom = phyCtr;
        outTo = s.rangeMax;
    }
    if (v <= from) {
        return static_cast<std::int32_t>(outFrom);
    }
    if (v >= to) {
        return static_cast<std::int32_t>(outTo);
    }
    return static_cast<std::int32_t>(outFrom + mulDivWide(v - from, outTo - outFrom, to - from));
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
