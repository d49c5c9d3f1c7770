#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace volmar::sim::test {
namespace {

std::uint16_t word(const Bytes& r, std::size_t at) {
    return static_cast<std::uint16_t>(r[at] | (r[at + 1] << 8));
}

TEST(SimLiveData, FixedValuesLandAtTheirOffsets) {
    BoardSettings s;
    s.hardwareType = 3;
    s.axisRaw[0] = 1234;
    s.axisProcessed[0] = 4000;
    s.axisRaw[1] = 5000; // processed follows, cut to 12 bits
    s.pressedButtons = std::vector<int>{1, 40, 132, 0, 133};
    s.linkErrors = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::array<std::uint16_t, 4> debug{1, 255, 4096, 65535};
    const Bytes r = liveDataReport(configuredImage(), s, 1h + 2min + 3s + 999ms, debug);

    ASSERT_EQ(r.size(), 194u);
    EXPECT_EQ(r[0], 2);
    EXPECT_EQ(r[1], 3);
    EXPECT_EQ(Bytes(r.begin() + 2, r.begin() + 5), (Bytes{1, 2, 3}));
    EXPECT_EQ(word(r, 5), 1234);
    EXPECT_EQ(word(r, 153), 4000);
    EXPECT_EQ(word(r, 7), 5000);
    EXPECT_EQ(word(r, 155), 4095);
    for (std::size_t axis = 3; axis <= 8; ++axis) {
        EXPECT_EQ(word(r, 5 + 2 * (axis - 1)), 0) << "axis " << axis << " has no source";
        EXPECT_EQ(word(r, 153 + 2 * (axis - 1)), 0) << "axis " << axis << " has no source";
    }
    for (int b = 1; b <= 132; ++b) {
        EXPECT_EQ(r[static_cast<std::size_t>(20 + b)], (b == 1 || b == 40 || b == 132) ? 1 : 0)
            << "button " << b;
    }
    EXPECT_EQ(word(r, 169), 1);
    EXPECT_EQ(word(r, 171), 255);
    EXPECT_EQ(word(r, 173), 4096);
    EXPECT_EQ(word(r, 175), 65535);
    EXPECT_EQ(Bytes(r.begin() + 177, r.begin() + 185), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Bytes(r.begin() + 185, r.end()), Bytes(9, 0));
}

TEST(SimLiveData, UptimeHoursWrapAt256AndFixedFieldsStayWhateverTheTime) {
    const Bytes r = liveDataReport(configuredImage(), BoardSettings{}, 257h + 59min + 59s, {});
    EXPECT_EQ(Bytes(r.begin() + 2, r.begin() + 5), (Bytes{1, 59, 59}));
    BoardSettings s;
    s.uptime = std::array<std::uint8_t, 3>{7, 255, 0};
    for (SimTime t : {SimTime(0), SimTime(1h + 2min + 3s)}) {
        const Bytes fixed = liveDataReport(configuredImage(), s, t, {});
        EXPECT_EQ(Bytes(fixed.begin() + 2, fixed.begin() + 5), (Bytes{7, 255, 0}));
    }
}

TEST(SimLiveData, AnimatedAxesMoveWithinTheirPrecision) {
    EepromImage e = configuredImage();
    e[18 + 4] = 0; // axis 2 at 10 bits
    std::uint16_t lo1 = 0xFFFF, hi1 = 0, lo2 = 0xFFFF, hi2 = 0;
    for (SimTime t = 0us; t < kAxisPeriod; t += 10ms) {
        const AxisValues v = axisValues(e, BoardSettings{}, t);
        lo1 = std::min(lo1, v.processed[0]);
        hi1 = std::max(hi1, v.processed[0]);
        lo2 = std::min(lo2, v.processed[1]);
        hi2 = std::max(hi2, v.processed[1]);
        EXPECT_LE(v.raw[0], 4095);
        EXPECT_EQ(v.raw[2], 0);
    }
    EXPECT_LE(hi1, 4095);
    EXPECT_GT(hi1, 4000);
    EXPECT_LT(lo1, 100);
    EXPECT_LE(hi2, 1023);
    EXPECT_GT(hi2, 1000);
}

TEST(SimLiveData, BoundButtonsArePressedOneAfterTheOther) {
    EepromImage e{};
    e[image::kButtonMap + 0] = 7;    // hat up
    e[image::kButtonMap + 9] = 30;   // joystick button 6
    e[image::kButtonMap + 20] = 7;   // bound twice: still one step
    e[image::kButtonMap + 30] = 200; // not a hardware button
    std::vector<int> seen;
    for (int step = 0; step < 4; ++step) {
        const auto p = pressedButtons(e, BoardSettings{}, kButtonStep * step + 1ms);
        std::vector<int> now;
        for (int b = 1; b <= kHardwareButtons; ++b) {
            if (p[static_cast<std::size_t>(b)]) {
                now.push_back(b);
            }
        }
        ASSERT_EQ(now.size(), 1u);
        seen.push_back(now[0]);
    }
    EXPECT_EQ(seen, (std::vector<int>{7, 30, 7, 30}));
    EepromImage unbound = configuredImage();
    std::fill_n(unbound.begin() + image::kButtonMap, image::kButtonRows, 0);
    const auto none = pressedButtons(unbound, BoardSettings{}, 5s);
    EXPECT_EQ(std::count(none.begin(), none.end(), true), 0) << "nothing bound, nothing pressed";
}

// Both blank forms (never written, or cleared) are the same controller: the
// live data shows the two 12-bit axes and the buttons of the joystick it
// presents, and it polls every 8 ms.
class SimLiveDataBlank : public ::testing::TestWithParam<std::uint8_t> {};
TEST_P(SimLiveDataBlank, ShowsTheDefaultJoystick) {
    EepromImage blank;
    blank.fill(GetParam());
    EXPECT_EQ(pollIntervalMs(blank), 8);
    std::uint16_t hi = 0;
    std::set<int> pressedSeen;
    for (SimTime t = 0us; t < 8s; t += 100ms) {
        const Bytes r = liveDataReport(blank, BoardSettings{}, t, {});
        for (std::size_t axis = 1; axis <= 8; ++axis) {
            const std::uint16_t processed = word(r, 153 + 2 * (axis - 1));
            if (axis <= 2) {
                EXPECT_LE(processed, 4095) << "axis " << axis << " is a 12-bit axis";
                hi = std::max(hi, processed);
            } else {
                EXPECT_EQ(word(r, 5 + 2 * (axis - 1)), 0) << "axis " << axis;
                EXPECT_EQ(processed, 0) << "axis " << axis;
            }
        }
        int pressedNow = 0;
        for (int b = 1; b <= kHardwareButtons; ++b) {
            if (r[static_cast<std::size_t>(20 + b)] != 0) {
                ++pressedNow;
                pressedSeen.insert(b);
            }
        }
        EXPECT_EQ(pressedNow, 1);
    }
    EXPECT_GT(hi, 4000) << "the axes move";
    ASSERT_EQ(pressedSeen.size(), 14u) << "hat and ten buttons";
    EXPECT_EQ(*pressedSeen.rbegin(), 14);
}
INSTANTIATE_TEST_SUITE_P(Forms, SimLiveDataBlank, ::testing::Values(0x00, 0xFF));

} // namespace
} // namespace volmar::sim::test
