// The calibration helper's rows: opening from the stored points, tracking,
// "Clear data", "Set center" and the edits "Save calibration" makes.
#include "volmar/core/Calibration.h"

#include "CoreTestHelpers.h"

#include <gtest/gtest.h>

namespace volmar {
namespace {

using Limit = CalibrationHelper::Limit;
using Edits = std::vector<std::pair<std::string, std::string>>;

// Axes 1 and 3 named (X, Z) with stored points; axis 2 "--"; the rest as
// the start-up state has them.
ConfigState configured() {
    ConfigState s = test::startup();
    for (auto& axis : s.axes) {
        axis.name = 0;
    }
    s.axes[0] = {};
    s.axes[0].name = 1;
    s.axes[0].acal_min = "50";
    s.axes[0].acal_cen = "500";
    s.axes[0].acal_max = "950";
    s.axes[1].acal_min = "7";
    s.axes[2] = {};
    s.axes[2].name = 3;
    s.axes[2].acal_min = "abc";
    return s;
}

std::array<std::string, kAxisCount> raw(const std::string& axis1, const std::string& others = "0") {
    std::array<std::string, kAxisCount> r;
    r.fill(others);
    r[0] = axis1;
    return r;
}

TEST(Calibration, OpensWithTheStoredPointsOfNamedAxesOnly) {
    const CalibrationHelper cal(configured());
    EXPECT_EQ(cal.row(1).name, "X");
    EXPECT_EQ(cal.row(1).min, "50");
    EXPECT_EQ(cal.row(1).centre, "500");
    EXPECT_EQ(cal.row(1).max, "950");
    EXPECT_EQ(cal.row(2).name, "--");
    EXPECT_FALSE(cal.named(2));
    EXPECT_EQ(cal.row(2).min, "") << "an unnamed axis shows nothing";
    EXPECT_EQ(cal.row(3).min, "abc");
    for (int axis = 1; axis <= kAxisCount; ++axis) {
        EXPECT_FALSE(cal.row(axis).ticked) << axis;
    }
}

TEST(Calibration, ClearThenMovingGivesTheRangeAndSetCenterTheLastValue) {
    CalibrationHelper cal(configured());
    cal.setTicked(1, true);
    cal.clear();
    EXPECT_EQ(cal.row(1).min, "-");
    EXPECT_EQ(cal.row(1).centre, "-");
    EXPECT_EQ(cal.row(1).max, "-");
    for (const char* value : {"100", "300", "900", "700", "500"}) {
        cal.track(raw(value));
    }
    EXPECT_EQ(cal.row(1).current, "500");
    EXPECT_EQ(cal.row(1).min, "100");
    EXPECT_EQ(cal.row(1).max, "900");
    EXPECT_EQ(cal.row(1).centre, "-") << "the centre is never tracked";
    cal.setCentre();
    EXPECT_EQ(cal.row(1).centre, "500");
    // Numbers compare as numbers, not as texts ("1000" < "900" as texts).
    cal.track(raw("1000"));
    cal.track(raw("95"));
    EXPECT_EQ(cal.row(1).max, "1000");
    EXPECT_EQ(cal.row(1).min, "95");
}

TEST(Calibration, TrackingWithoutClearingStartsFromTheStoredPoints) {
    CalibrationHelper cal(configured());
    cal.setTicked(1, true);
    for (const char* value : {"100", "900", "500"}) {
        cal.track(raw(value));
    }
    EXPECT_EQ(cal.row(1).min, "50");
    EXPECT_EQ(cal.row(1).max, "950");
}

TEST(Calibration, OnlyTickedNamedAxesAreTrackedAndCentredButClearTakesEveryTickedOne) {
    CalibrationHelper cal(configured());
    cal.setAllTicked(true);
    cal.setTicked(3, false);
    cal.track(raw("10", "20"));
    // axis 2 is ticked but unnamed: left alone
    EXPECT_EQ(cal.row(2).min, "");
    EXPECT_EQ(cal.row(2).current, "20") << "every current value follows the window";
    EXPECT_EQ(cal.row(3).min, "abc") << "axis 3 is not ticked";
    EXPECT_EQ(cal.row(1).min, "10");
    cal.setCentre();
    EXPECT_EQ(cal.row(2).centre, "");
    EXPECT_EQ(cal.row(3).centre, "0");
    cal.clear();
    EXPECT_EQ(cal.row(2).min, "-");
    EXPECT_EQ(cal.row(2).max, "-");
    EXPECT_EQ(cal.row(3).min, "abc");
    // An unnamed axis cleared stays cleared while tracking runs.
    cal.track(raw("10", "20"));
    EXPECT_EQ(cal.row(2).min, "-");
}

TEST(Calibration, TextsThatAreNoNumbersCountAsZero) {
    CalibrationHelper cal(configured());
    cal.setTicked(3, true);
    // minimum "abc" counts as 0: 5 is not below it
    cal.track({"0", "0", "5", "0", "0", "0", "0", "0"});
    EXPECT_EQ(cal.row(3).min, "abc");
    cal.setLimit(3, Limit::Max, "x");
    cal.track({"0", "0", "1", "0", "0", "0", "0", "0"});
    EXPECT_EQ(cal.row(3).max, "1") << "'x' counts as 0, below 1";
    cal.track({"0", "0", "junk", "0", "0", "0", "0", "0"});
    EXPECT_EQ(cal.row(3).max, "1");
    EXPECT_EQ(cal.row(3).min, "abc") << "0 is not below 0";
}

TEST(Calibration, SaveWritesEveryNamedAxisInThreePassesAsTheRowsHoldThem) {
    CalibrationHelper cal(configured());
    cal.setTicked(1, true);
    cal.setTicked(2, true);
    cal.clear();
    cal.setLimit(3, Limit::Centre, "12x");
    const Edits expected{{"osi_1_acal_min", "-"}, {"osi_3_acal_min", "abc"},
                         {"osi_1_acal_cen", "-"}, {"osi_3_acal_cen", "12x"},
                         {"osi_1_acal_max", "-"}, {"osi_3_acal_max", "0"}};
    EXPECT_EQ(cal.saveEdits(), expected);
}

} // namespace
} // namespace volmar
