// Value arithmetic against worked examples computed by hand from the input
// API's rules (centre of the range, dead zone and saturation as fractions of
// each half, rounding of a*b/c half away from zero).
#include "volmar/input/AxisScale.h"
#include "volmar/input/Types.h"

#include <gtest/gtest.h>

#include <limits>

namespace volmar::input {
namespace {

struct MulDivCase {
    std::int32_t a, b, c, expected;
};

class MulDivTest : public ::testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivTest, RoundsHalfAwayFromZeroAndFlagsBadDivisions) {
    const auto& p = GetParam();
    EXPECT_EQ(mulDiv(p.a, p.b, p.c), p.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, MulDivTest,
                         ::testing::Values(MulDivCase{7, 1, 2, 4}, MulDivCase{-7, 1, 2, -4},
                                           MulDivCase{7, 1, -2, -4}, MulDivCase{5, 1, 3, 2},
                                           MulDivCase{-511, 1000, 10000, -51},
                                           MulDivCase{-511, 9000, 10000, -460},
                                           MulDivCase{5, 3, 0, -1}, MulDivCase{1 << 30, 4, 1, -1},
                                           // The 64-bit product must not wrap.
                                           MulDivCase{65535, 65535, 65535, 65535}));

struct ScaleCase {
    const char* what;
    AxisScaling scaling;
    std::int32_t raw;
    std::int32_t expected;
};

AxisScaling tenBit(std::uint32_t deadZone = 0, std::uint32_t saturation = 10000) {
    AxisScaling s;
    s.logicalMin = 0;
    s.logicalMax = 1023;
    s.deadZone = deadZone;
    s.saturation = saturation;
    return s;
}

AxisScaling calibrated() {
    AxisScaling s = tenBit();
    s.calibrated = true;
    s.calMin = 100;
    s.calCenter = 600;
    s.calMax = 900;
    s.rangeMin = -1000;
    s.rangeMax = 1000;
    return s;
}

AxisScaling signedByte() {
    AxisScaling s;
    s.logicalMin = -127;
    s.logicalMax = 127;
    return s;
}

// Ranges and calibrations the axis dialogs may set, spanning the whole
// 32-bit scale: the arithmetic must not overflow on the way.
AxisScaling fullRange() {
    AxisScaling s = tenBit();
    s.rangeMin = std::numeric_limits<std::int32_t>::min();
    s.rangeMax = std::numeric_limits<std::int32_t>::max();
    return s;
}

AxisScaling wideCalibration() {
    AxisScaling s = tenBit();
    s.calibrated = true;
    s.calMin = std::numeric_limits<std::int32_t>::min();
    s.calCenter = 2147483000;
    s.calMax = std::numeric_limits<std::int32_t>::max();
    return s;
}

class ScaleAxisTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleAxisTest, MatchesWorkedExample) {
    const auto& p = GetParam();
    EXPECT_EQ(scaleAxis(p.raw, p.scaling), p.expected) << p.what;
}

INSTANTIATE_TEST_SUITE_P(
    Worked, ScaleAxisTest,
    ::testing::Values(
        ScaleCase{"plain minimum", tenBit(), 0, 0},
        ScaleCase{"plain maximum", tenBit(), 1023, 65535},
        ScaleCase{"plain centre (511) is the range centre", tenBit(), 511, 32767},
        ScaleCase{"plain upper half", tenBit(), 767, 49151},
        ScaleCase{"10% dead zone swallows a small move", tenBit(1000, 9000), 480, 32767},
        ScaleCase{"lower half between dead zone and saturation", tenBit(1000, 9000), 300, 19949},
        ScaleCase{"upper half between dead zone and saturation", tenBit(1000, 9000), 700, 43796},
        ScaleCase{"beyond 90% saturation is the end (low)", tenBit(1000, 9000), 40, 0},
        ScaleCase{"beyond 90% saturation is the end (high)", tenBit(1000, 9000), 1000, 65535},
        ScaleCase{"raw far outside the range clamps", tenBit(), 5000000, 65535},
        ScaleCase{"calibration centre", calibrated(), 600, 0},
        ScaleCase{"calibration lower half", calibrated(), 350, -500},
        ScaleCase{"calibration upper half", calibrated(), 750, 500},
        ScaleCase{"below the calibration minimum", calibrated(), 50, -1000},
        ScaleCase{"above the calibration maximum", calibrated(), 950, 1000},
        ScaleCase{"signed range centre", signedByte(), 0, 32767},
        ScaleCase{"signed range low end", signedByte(), -127, 0},
        ScaleCase{"signed range upper half", signedByte(), 64, 49280},
        ScaleCase{"dead zone equal to saturation is a switch", tenBit(5000, 5000), 900, 65535},
        ScaleCase{"full 32-bit range, low end", fullRange(), 0,
                  std::numeric_limits<std::int32_t>::min()},
        ScaleCase{"full 32-bit range, high end", fullRange(), 1023,
                  std::numeric_limits<std::int32_t>::max()},
        ScaleCase{"full 32-bit range, centre", fullRange(), 511, -1},
        ScaleCase{"full 32-bit range, upper half", fullRange(), 767, 1073741823},
        ScaleCase{"calibration over the whole scale, lower half", wideCalibration(), 0, 16384},
        ScaleCase{"calibration over the whole scale, top", wideCalibration(),
                  std::numeric_limits<std::int32_t>::max(), 65535}));

TEST(HatTest, HidHatStepsAroundTheCircleAndCentresOutsideItsRange) {
    struct Case {
        std::int32_t raw, min, max;
        std::uint32_t expected;
    };
    const Case cases[] = {{0, 0, 7, 0},
                          {1, 0, 7, 4500},
                          {4, 0, 7, 18000},
                          {7, 0, 7, 31500},
                          {8, 0, 7, kPovCentred},
                          {15, 0, 7, kPovCentred},
                          {-1, 0, 7, kPovCentred},
                          {1, 1, 8, 0},
                          {3, 1, 8, 9000},
                          {1, 0, 3, 9000},
                          {0, 0, 3, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(hatToPov(c.raw, c.min, c.max), c.expected)
            << c.raw << " in " << c.min << ".." << c.max;
    }
}

TEST(HatTest, EvdevHatAxesGiveEightDirectionsClockwiseFromUp) {
    struct Case {
        std::int32_t x, y;
        std::uint32_t expected;
    };
    const Case cases[] = {{0, -1, 0},
                          {1, -1, 4500},
                          {1, 0, 9000},
                          {1, 1, 13500},
                          {0, 1, 18000},
                          {-1, 1, 22500},
                          {-1, 0, 27000},
                          {-1, -1, 31500},
                          {0, 0, kPovCentred},
                          // Devices that report larger magnitudes mean the same.
                          {0, -127, 0},
                          {127, 0, 9000}};
    for (const Case& c : cases) {
        EXPECT_EQ(hatAxesToPov(c.x, c.y), c.expected) << c.x << "," << c.y;
    }
}

} // namespace
} // namespace volmar::input
