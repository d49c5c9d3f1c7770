// HID game controller collections as objects, and their reports as frames.
#include "volmar/input/HidJoystick.h"
#include "volmar/input/LinuxBackends.h"

#include "InputTestSupport.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace volmar::input {
namespace {

const std::vector<std::uint8_t>& kStickDescriptor = test::stickDescriptor();

// A pad whose buttons come as an array of two button numbers.
const std::vector<std::uint8_t> kArrayPadDescriptor = {
    0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x09, 0x30, 0x15, 0x81, 0x25, 0x7F,
    0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x05, 0x09, 0x19, 0x01, 0x29, 0x08,
    0x15, 0x01, 0x25, 0x08, 0x75, 0x08, 0x95, 0x02, 0x81, 0x00, 0xC0};

std::unique_ptr<HidJoystick> load(const std::vector<std::uint8_t>& bytes) {
    auto parsed = hidparse::parseDescriptor(bytes);
    EXPECT_TRUE(parsed.ok()) << parsed.error().text;
    if (!parsed) {
        return nullptr;
    }
    const auto collection = findGameCollection(*parsed);
    EXPECT_TRUE(collection);
    return std::make_unique<HidJoystick>(std::move(*parsed), collection.value_or(0));
}

using test::stickReport;

TEST(HidJoystickTest, AllHundredTwentyEightButtonsAxesAndTheHatBecomeObjects) {
    auto stick = load(kStickDescriptor);
    ASSERT_TRUE(stick);
    const auto& o = stick->objects();
    ASSERT_EQ(o.size(), 2u + 1u + 128u);
    EXPECT_EQ(o[0].name, "X Axis");
    EXPECT_EQ(o[0].logicalMax, 1023);
    EXPECT_EQ(o[1].kind, ObjectKind::YAxis);
    EXPECT_EQ(o[2].kind, ObjectKind::POV);
    EXPECT_EQ(o[2].logicalMax, 7);
    EXPECT_EQ(o[3].name, "Button 1");
    EXPECT_EQ(o[130].name, "Button 128");
    EXPECT_EQ(o[130].usage, 128);
    EXPECT_EQ(stick->collection().usage, 0x04);
}

TEST(HidJoystickTest, AReportGivesOnlyWhatChangedAndOtherCollectionsAreIgnored) {
    auto stick = load(kStickDescriptor);
    ASSERT_TRUE(stick);
    Frame f;
    ASSERT_TRUE(stick->decode(stickReport(1000, 5, 2, {1, 33, 128}), 77, f));
    EXPECT_EQ(f.timeMs, 77u);
    std::vector<std::pair<std::uint32_t, std::int32_t>> got;
    for (const Change& c : f.changes) {
        got.emplace_back(c.object, c.value);
    }
    const std::vector<std::pair<std::uint32_t, std::int32_t>> expected = {
        {0, 1000}, {1, 5}, {2, 9000}, {3, 1}, {35, 1}, {130, 1}};
    EXPECT_EQ(got, expected);

    ASSERT_TRUE(stick->decode(stickReport(1000, 5, 2, {1, 33, 128}), 78, f));
    EXPECT_TRUE(f.changes.empty());

    // Null hat state, button 33 released.
    ASSERT_TRUE(stick->decode(stickReport(1000, 5, 15, {1, 128}), 79, f));
    ASSERT_EQ(f.changes.size(), 2u);
    EXPECT_EQ(static_cast<std::uint32_t>(f.changes[0].value), kPovCentred);
    EXPECT_EQ(f.changes[1].object, 35u);
    EXPECT_EQ(f.changes[1].value, 0);

    const std::vector<std::uint8_t> vendor = {2, 9, 9, 9, 9};
    EXPECT_FALSE(stick->decode(vendor, 80, f));
    EXPECT_FALSE(stick->decode({}, 81, f));
}

// The configurator's joystick descriptor declares its hat 0..7 without a
// null state, and the firmware (like volmar-sim) sends a value outside that
// range while the hat is centred: both forms must read centred then.
struct HatCase {
    std::uint8_t nibble;
    std::uint32_t expected;
};

class HatNullStateTest : public ::testing::TestWithParam<bool> {};

TEST_P(HatNullStateTest, OutOfRangeHatValuesReadCentredWithOrWithoutANullState) {
    std::vector<std::uint8_t> bytes = kStickDescriptor;
    if (!GetParam()) {
        // Input (Data, Var, Abs, Null state) -> Input (Data, Var, Abs).
        const std::vector<std::uint8_t> hatInput = {0x95, 0x01, 0x81, 0x42};
        auto at = std::search(bytes.begin(), bytes.end(), hatInput.begin(), hatInput.end());
        ASSERT_NE(at, bytes.end());
        at[3] = 0x02;
    }
    auto stick = load(bytes);
    ASSERT_TRUE(stick);
    ASSERT_EQ(stick->objects()[2].kind, ObjectKind::POV);
    EXPECT_EQ(static_cast<std::uint32_t>(stick->values()[2]), kPovCentred); // before any report
    const HatCase cases[] = {{0, 0},     {2, 9000},         {7, 31500},       {8, kPovCentred},
                             {3, 13500}, {15, kPovCentred}, {12, kPovCentred}};
    Frame f;
    for (const HatCase& c : cases) {
        ASSERT_TRUE(stick->decode(stickReport(1, 1, c.nibble, {}), 0, f));
        EXPECT_EQ(static_cast<std::uint32_t>(stick->values()[2]), c.expected)
            << "hat value " << int{c.nibble};
    }
}

INSTANTIATE_TEST_SUITE_P(NullState, HatNullStateTest, ::testing::Bool());

TEST(HidJoystickTest, RepeatedSliderAndHatUsagesAreControlsOfTheirOwnAsFarAsTheLayoutGoes) {
    auto stick = load(test::twoSliderTwoHatDescriptor());
    ASSERT_TRUE(stick);
    std::vector<std::string> names;
    for (const ObjectDesc& o : stick->objects()) {
        names.push_back(o.name);
    }
    const std::vector<std::string> expected = {
        "X Axis",   "Slider",   "Slider",   "Hat Switch", "Hat Switch", "Button 1", "Button 2",
        "Button 3", "Button 4", "Button 5", "Button 6",   "Button 7",   "Button 8"};
    EXPECT_EQ(names, expected); // the third slider has no place
    Frame f;
    ASSERT_TRUE(stick->decode(test::twoSliderTwoHatReport(10, 20, 30, 2, 6, true), 0, f));
    const auto& v = stick->values();
    EXPECT_EQ(v[1], 20);
    EXPECT_EQ(v[2], 30);
    EXPECT_EQ(static_cast<std::uint32_t>(v[3]), 9000u);
    EXPECT_EQ(static_cast<std::uint32_t>(v[4]), 27000u);
    EXPECT_EQ(v[5], 1);
}

TEST(HidJoystickTest, AShortReportKeepsTheValuesItDoesNotCarry) {
    auto stick = load(kStickDescriptor);
    ASSERT_TRUE(stick);
    Frame f;
    ASSERT_TRUE(stick->decode(stickReport(300, 400, 0, {5}), 1, f));
    auto shortReport = stickReport(301, 999, 0, {});
    shortReport.resize(3); // X only
    ASSERT_TRUE(stick->decode(shortReport, 2, f));
    ASSERT_EQ(f.changes.size(), 1u);
    EXPECT_EQ(f.changes[0].value, 301);
    EXPECT_EQ(stick->values()[1], 400);
    EXPECT_EQ(stick->values()[7], 1); // button 5 still down
}

TEST(HidJoystickTest, ArrayButtonsArePressedWhileAnyElementNamesThem) {
    auto pad = load(kArrayPadDescriptor);
    ASSERT_TRUE(pad);
    const auto& o = pad->objects();
    ASSERT_EQ(o.size(), 9u);
    EXPECT_EQ(o[0].logicalMin, -127);
    Frame f;
    const std::vector<std::uint8_t> r1 = {0x80 | 0x7F, 3, 8}; // X = -1, buttons 3 and 8
    ASSERT_TRUE(pad->decode(r1, 0, f));
    EXPECT_EQ(pad->values()[0], -1);
    EXPECT_EQ(pad->values()[3], 1);
    EXPECT_EQ(pad->values()[8], 1);
    EXPECT_EQ(pad->values()[1], 0);
    const std::vector<std::uint8_t> r2 = {0xFF, 0, 8}; // button 3 released (0 names no button)
    ASSERT_TRUE(pad->decode(r2, 0, f));
    ASSERT_EQ(f.changes.size(), 1u);
    EXPECT_EQ(f.changes[0].object, 3u);
    EXPECT_EQ(f.changes[0].value, 0);
}

struct Frames : FrameSink {
    std::vector<Frame> frames;
    void onFrame(const Frame& f) override { frames.push_back(f); }
};

// A node that hands out one report per read, as hidraw does.
TEST(HidReportSourceTest, ReadsEveryWaitingReportAndReportsTheNodeGoing) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
    auto parsed = hidparse::parseDescriptor(kStickDescriptor);
    ASSERT_TRUE(parsed.ok()) << parsed.error().text;
    auto source = makeHidReportSource(sysio::UniqueFd(fds[0]), std::move(*parsed), 1);
    Frames sink;
    EXPECT_EQ(source->pump(sink), PumpStatus::Ok); // nothing waiting
    const auto r1 = stickReport(10, 20, 0, {2});
    const auto r2 = stickReport(11, 20, 0, {2});
    const std::vector<std::uint8_t> vendor = {2, 1, 2, 3, 4};
    ASSERT_EQ(::write(fds[1], r1.data(), r1.size()), static_cast<ssize_t>(r1.size()));
    ASSERT_EQ(::write(fds[1], vendor.data(), vendor.size()), 5);
    ASSERT_EQ(::write(fds[1], r1.data(), r1.size()), static_cast<ssize_t>(r1.size()));
    ASSERT_EQ(::write(fds[1], r2.data(), r2.size()), static_cast<ssize_t>(r2.size()));
    EXPECT_EQ(source->pump(sink), PumpStatus::Ok);
    // The repeated report changed nothing and the vendor report is not ours.
    ASSERT_EQ(sink.frames.size(), 2u);
    EXPECT_EQ(sink.frames[1].changes.size(), 1u);
    std::vector<std::int32_t> values;
    ASSERT_TRUE(source->snapshot(values));
    EXPECT_EQ(values[0], 11);
    EXPECT_EQ(values[4], 1); // button 2
    ::close(fds[1]);
    EXPECT_EQ(source->pump(sink), PumpStatus::Gone);
    EXPECT_FALSE(source->error().empty());
}

} // namespace
} // namespace volmar::input
