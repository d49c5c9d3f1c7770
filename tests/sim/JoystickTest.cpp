#include "SimTestSupport.h"

#include "volmar/hidparse/HidParse.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace volmar::sim::test {
namespace {

namespace hp = volmar::hidparse;

hp::ParsedDescriptor parse(const Bytes& d) {
    auto p = hp::parseDescriptor(d);
    EXPECT_TRUE(p.ok()) << p.error().text;
    return p ? *p : hp::ParsedDescriptor{};
}

TEST(SimJoystickNode, VendorCollectionCarriesBothFeatureReportsAndTheJoystickItsInput) {
    const Joystick joy(configuredImage());
    EXPECT_TRUE(joy.problem().empty()) << joy.problem();
    const hp::ParsedDescriptor p = parse(joy.nodeDescriptor());
    ASSERT_EQ(p.collections.size(), 2u);
    const hp::Collection& vendor = p.collections[0];
    EXPECT_EQ(vendor.usagePage, 0xFF00);
    EXPECT_EQ(vendor.featureReportByteLength, 194);
    ASSERT_NE(vendor.findReport(hp::ReportType::Feature, 1), nullptr);
    EXPECT_EQ(vendor.findReport(hp::ReportType::Feature, 1)->payloadBytes() + 1, 38u);
    EXPECT_EQ(vendor.inputReportByteLength, 0);
    const hp::Collection& stick = p.collections[1];
    EXPECT_EQ(stick.usagePage, 1);
    EXPECT_EQ(stick.usage, 4);
    EXPECT_EQ(stick.inputReportByteLength, configuredImage()[image::kReportLength]);
    EXPECT_EQ(stick.featureReportByteLength, 0);
}

TEST(SimJoystickNode, BlankControllerPresentsTheDefaultJoystick) {
    EepromImage blank;
    blank.fill(0xFF);
    const Joystick joy(blank);
    EXPECT_EQ(defaultJoystickDescriptor().size(), 73u);
    EXPECT_EQ(joy.joystickDescriptor(), defaultJoystickDescriptor());
    EXPECT_TRUE(joy.hasInput());
    EXPECT_EQ(joy.inputPayloadBytes(), 5u);
}

struct BrokenCase {
    const char* name;
    std::uint8_t length;
    Bytes descriptor;
};
class BrokenStoredDescriptor : public ::testing::TestWithParam<BrokenCase> {};

// The node must stay usable (the configurator needs the vendor collection
// to repair the configuration), so a bad joystick part is left out.
TEST_P(BrokenStoredDescriptor, FallsBackToAnEmptyJoystickAndSaysWhy) {
    EepromImage e = configuredImage();
    std::fill(e.begin() + image::kDescriptor, e.begin() + 641, 0);
    e[image::kDescriptorLength] = GetParam().length;
    std::copy(GetParam().descriptor.begin(), GetParam().descriptor.end(),
              e.begin() + image::kDescriptor);
    const Joystick joy(e);
    EXPECT_FALSE(joy.problem().empty());
    EXPECT_EQ(joy.joystickDescriptor(), emptyJoystickDescriptor());
    EXPECT_FALSE(joy.hasInput());
    EXPECT_EQ(parse(joy.nodeDescriptor()).collections.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Images, BrokenStoredDescriptor,
    ::testing::Values(
        BrokenCase{"LengthZero", 0, {}}, BrokenCase{"LengthTooLarge", 151, {}},
        BrokenCase{"Truncated", 5, {0x05, 0x01, 0x09, 0x04, 0xA1}},
        BrokenCase{"UnbalancedCollection", 4, {0xA1, 0x01, 0xC0, 0xC0}},
        BrokenCase{"NotAJoystick", 7, {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0}},
        BrokenCase{"InvertedLogicalRange", 21, {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85,
                                                0x01, 0x15, 0x05, 0x25, 0x01, 0x75, 0x08,
                                                0x95, 0x01, 0x09, 0x30, 0x81, 0x02, 0xC0}},
        BrokenCase{"InputReportTooLong", 22, {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01,
                                              0x15, 0x00, 0x25, 0x01, 0x75, 0x08, 0x96, 0xFF,
                                              0x00, 0x09, 0x30, 0x81, 0x02, 0xC0}},
        BrokenCase{
            "TwoCollections",
            14,
            {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0xC0, 0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0xC0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimJoystickNode, InputReportOfTheLongestStatableLengthIsKept) {
    EepromImage e = configuredImage();
    const Bytes d{0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01, 0x15, 0x00, 0x25,
                  0x01, 0x75, 0x08, 0x96, 0xFE, 0x00, 0x09, 0x30, 0x81, 0x02, 0xC0};
    e[image::kReportLength] = static_cast<std::uint8_t>(kMaxInputReportBytes);
    e[image::kDescriptorLength] = static_cast<std::uint8_t>(d.size());
    std::copy(d.begin(), d.end(), e.begin() + image::kDescriptor);
    const Joystick joy(e);
    EXPECT_TRUE(joy.problem().empty()) << joy.problem();
    const auto report = joy.inputReport(e, BoardSettings{}, 0us);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->size(), kMaxInputReportBytes);
}

// The board sends as many bytes as its configuration states (byte 452), so
// an image whose length disagrees with its descriptor reaches the host as
// it would from the board: padded with zeros or cut, and the sim says so.
class SimJoystickStatedLength : public ::testing::TestWithParam<std::uint8_t> {};
TEST_P(SimJoystickStatedLength, ReportsHaveTheLengthTheImageStates) {
    EepromImage e = configuredImage(); // its descriptor makes 6-byte reports
    e[image::kReportLength] = GetParam();
    const Joystick joy(e);
    EXPECT_TRUE(joy.problem().empty()) << joy.problem();
    BoardSettings s;
    s.pressedButtons = std::vector<int>{5, 14}; // buttons 1 and 10, in the last two bytes
    s.axisRaw = {4095, 4095};
    const auto report = joy.inputReport(e, s, 0us);
    ASSERT_TRUE(report.has_value());
    const std::size_t stated = GetParam() == 0 ? 6 : GetParam();
    ASSERT_EQ(report->size(), stated);
    EXPECT_EQ(joy.lengthWarning().empty(), stated == 6) << joy.lengthWarning();
    EepromImage exact = configuredImage();
    const auto full = *Joystick(exact).inputReport(exact, s, 0us);
    for (std::size_t i = 0; i < stated; ++i) {
        EXPECT_EQ((*report)[i], i < full.size() ? full[i] : 0) << "byte " << i;
    }
}
INSTANTIATE_TEST_SUITE_P(Lengths, SimJoystickStatedLength, ::testing::Values(0, 4, 6, 8));

TEST(SimJoystickNode, InactiveJoystickHasNoInputButIsNoProblem) {
    EepromImage e = configuredImage();
    e[image::kDescriptorLength] = 7;
    std::copy(emptyJoystickDescriptor().begin(), emptyJoystickDescriptor().end(),
              e.begin() + image::kDescriptor);
    const Joystick joy(e);
    EXPECT_TRUE(joy.problem().empty());
    EXPECT_FALSE(joy.hasInput());
    EXPECT_FALSE(joy.inputReport(e, BoardSettings{}, 0us).has_value());
}

// Decodes the built report with the parser: what a host would see.
struct Decoded {
    std::int64_t x, y, hat;
    std::vector<int> buttons;
};
Decoded decode(const Joystick& joy, const Bytes& report) {
    const hp::ParsedDescriptor p = parse(joy.nodeDescriptor());
    const hp::Collection& stick = p.collections[1];
    const auto payload = p.payloadOf(report);
    const auto value = [&](hp::Usage u) {
        const auto ref = hp::findUsage(stick, hp::ReportType::Input, u);
        EXPECT_TRUE(ref.has_value());
        return ref ? hp::extractField(*ref->field, ref->index, payload).value_or(-1) : -1;
    };
    Decoded d{value({1, 0x30}), value({1, 0x31}), value({1, 0x39}), {}};
    for (std::uint16_t b = 1; b <= 10; ++b) {
        if (value({9, b}) == 1) {
            d.buttons.push_back(b);
        }
    }
    return d;
}

TEST(SimJoystickInput, FollowsTheAxesAndTheBoundButtons) {
    const EepromImage e = configuredImage();
    const Joystick joy(e);
    BoardSettings s;
    s.axisRaw[0] = 100;
    s.axisProcessed[0] = 4095;
    s.axisRaw[1] = 17;
    s.pressedButtons = std::vector<int>{2, 3, 5, 14}; // hat right+down, buttons 1 and 10
    const auto report = joy.inputReport(e, s, 0us);
    ASSERT_TRUE(report.has_value());
    ASSERT_EQ(report->size(), 6u);
    EXPECT_EQ((*report)[0], 1);
    const Decoded d = decode(joy, *report);
    EXPECT_EQ(d.x, 4095);
    EXPECT_EQ(d.y, 17);
    EXPECT_EQ(d.hat, 3);
    EXPECT_EQ(d.buttons, (std::vector<int>{1, 10}));
    // the 2 padding bits stay 0
    EXPECT_EQ((*report)[5] & 0xC0, 0);
}

// An axis with a source but assignment "--" is described with usage 0; it
// keeps its own field, and the axis after it reports its own value.
TEST(SimJoystickInput, AxisWithoutAssignmentKeepsItsFieldAndTheNextAxisItsValue) {
    EepromImage e = configuredImage();
    e[3] = 0;                          // axis 1: assignment "--"
    e[image::kDescriptor + 18] = 0x00; // its usage in the stored descriptor: 09 30 -> 09 00
    const Joystick joy(e);
    ASSERT_TRUE(joy.problem().empty()) << joy.problem();
    BoardSettings s;
    s.axisProcessed[0] = 1234;
    s.axisProcessed[1] = 567;
    const auto report = joy.inputReport(e, s, 0us);
    ASSERT_TRUE(report.has_value());
    const hp::ParsedDescriptor p = parse(joy.nodeDescriptor());
    for (const auto& [usage, value] : {std::pair{0x00, 1234}, std::pair{0x31, 567}}) {
        const auto ref = hp::findUsage(p.collections[1], hp::ReportType::Input,
                                       {1, static_cast<std::uint16_t>(usage)});
        ASSERT_TRUE(ref.has_value()) << "usage " << usage;
        EXPECT_EQ(hp::extractField(*ref->field, ref->index, p.payloadOf(*report)), value)
            << "usage " << usage;
    }
}

struct HatCase {
    std::vector<int> pressed;
    int hat;
};
class SimJoystickHat : public ::testing::TestWithParam<HatCase> {};
TEST_P(SimJoystickHat, DirectionsFromTheBoundButtons) {
    const EepromImage e = configuredImage();
    const Joystick joy(e);
    BoardSettings s;
    s.pressedButtons = GetParam().pressed;
    EXPECT_EQ(decode(joy, *joy.inputReport(e, s, 0us)).hat, GetParam().hat);
}
// hardware buttons 1-4 are bound to up, right, down, left
INSTANTIATE_TEST_SUITE_P(Directions, SimJoystickHat,
                         ::testing::Values(HatCase{{}, 8}, HatCase{{1}, 0}, HatCase{{1, 2}, 1},
                                           HatCase{{2}, 2}, HatCase{{2, 3}, 3}, HatCase{{3}, 4},
                                           HatCase{{3, 4}, 5}, HatCase{{4}, 6},
                                           HatCase{{4, 1}, 7}));

// An axis the configuration does not feed still moves across its whole
// declared range, even the widest a 32-bit field can declare.
TEST(SimJoystickInput, UnfedAxisSweepsEvenTheWidestRange) {
    EepromImage e{};
    const Bytes d{0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01, 0x17,
                  0x00, 0x00, 0x00, 0x80, 0x27, 0xFF, 0xFF, 0xFF, 0x7F,
                  0x75, 0x20, 0x95, 0x01, 0x09, 0x30, 0x81, 0x02, 0xC0};
    e[image::kDescriptorLength] = static_cast<std::uint8_t>(d.size());
    std::copy(d.begin(), d.end(), e.begin() + image::kDescriptor);
    const Joystick joy(e);
    ASSERT_TRUE(joy.problem().empty()) << joy.problem();
    const hp::ParsedDescriptor p = parse(joy.nodeDescriptor());
    const auto ref = hp::findUsage(p.collections[1], hp::ReportType::Input, {1, 0x30});
    ASSERT_TRUE(ref.has_value());
    std::int64_t lo = std::numeric_limits<std::int64_t>::max();
    std::int64_t hi = std::numeric_limits<std::int64_t>::min();
    for (SimTime t = 0us; t < kAxisPeriod; t += 100ms) {
        const auto report = joy.inputReport(e, BoardSettings{}, t);
        ASSERT_TRUE(report.has_value());
        const auto v = hp::extractField(*ref->field, ref->index, p.payloadOf(*report));
        ASSERT_TRUE(v.has_value());
        lo = std::min(lo, *v);
        hi = std::max(hi, *v);
    }
    EXPECT_LT(lo, -2000000000);
    EXPECT_GT(hi, 2000000000);
}

// A blank controller moves on its own, and its joystick shows what its
// live data shows: X and Y are the processed values of axes 1 and 2, the hat
// and the buttons follow the hardware buttons pressed one after the other.
class SimJoystickBlank : public ::testing::TestWithParam<std::uint8_t> {};
TEST_P(SimJoystickBlank, MovesOnItsOwnAsItsLiveDataSays) {
    EepromImage blank;
    blank.fill(GetParam());
    const Joystick joy(blank);
    std::set<std::int64_t> xs, hats;
    std::set<int> buttons;
    for (SimTime t = 0us; t < 14 * kButtonStep; t += 100ms) {
        const Decoded d = decode(joy, *joy.inputReport(blank, BoardSettings{}, t));
        const Bytes live = liveDataReport(blank, BoardSettings{}, t, {});
        EXPECT_EQ(d.x, live[153] | (live[154] << 8));
        EXPECT_EQ(d.y, live[155] | (live[156] << 8));
        int pressed = 0;
        for (std::size_t b = 1; b <= 14; ++b) {
            pressed += live[20 + b];
        }
        // hardware buttons 1-4 are the hat, 5-14 joystick buttons 1-10
        const auto isPressed = [&](std::size_t hw) { return live[20 + hw] != 0; };
        const int hat = isPressed(1)   ? 0
                        : isPressed(2) ? 2
                        : isPressed(3) ? 4
                        : isPressed(4) ? 6
                                       : 8;
        EXPECT_EQ(d.hat, hat);
        std::vector<int> expected;
        for (std::size_t hw = 5; hw <= 14; ++hw) {
            if (isPressed(hw)) {
                expected.push_back(static_cast<int>(hw) - 4);
            }
        }
        EXPECT_EQ(d.buttons, expected);
        EXPECT_EQ(pressed, 1);
        xs.insert(d.x);
        hats.insert(d.hat);
        buttons.insert(d.buttons.begin(), d.buttons.end());
    }
    EXPECT_GT(xs.size(), 10u);
    EXPECT_EQ(hats, (std::set<std::int64_t>{0, 2, 4, 6, 8}));
    EXPECT_EQ(buttons.size(), 10u);
}
INSTANTIATE_TEST_SUITE_P(Forms, SimJoystickBlank, ::testing::Values(0x00, 0xFF));

} // namespace
} // namespace volmar::sim::test
