// Axis rules: enabling by source, defaults, resets and the groups they tidy.

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>

namespace volmar {
namespace {

constexpr int kVirtual = 1, kIntSensor = 2, kKma200 = 3, kMcp3201 = 4, kMcp3202 = 5, kMcp3204 = 6,
              kTle5011 = 7, kVlSens = 8;
constexpr int kAwc = 1, kAwoc = 2; // auto.w center, auto.w/o center

class AxisRules : public ::testing::Test {
protected:
    const TRecordLng& en = englishLanguage();
    ConfigState s = startupState(englishLanguage());
    AxisFields& axis(int n) { return s.axes[static_cast<std::size_t>(n - 1)]; }
    RulesOutcome run() { return osi_Change(s, en, true); }
};

TEST_F(AxisRules, EnablingFollowsTheSource) {
    //                             name   port   chnl   offset shaping relative
    const std::pair<int, AxisEnables> cases[] = {
        {0, {false, false, false, false, false, false}},
        {kVirtual, {true, false, false, false, true, true}},
        {kIntSensor, {true, true, false, false, true, false}},
        {kKma200, {true, true, false, true, true, false}},
        {kMcp3201, {true, true, false, false, true, false}},
        {kMcp3202, {true, true, true, false, true, false}},
        {kMcp3204, {true, true, true, false, true, false}},
        {kTle5011, {true, true, false, true, true, false}},
        {kVlSens, {true, true, false, true, true, false}},
        // Codes no list entry stands for behave as "--".
        {-1, {false, false, false, false, false, false}},
        {12, {false, false, false, false, false, false}}};
    for (const auto& [source, expected] : cases) {
        s = startupState(en);
        axis(3).src = source;
        axis(3).name = 1;
        const RulesOutcome out = run();
        EXPECT_EQ(out.axes[2], expected) << "source " << source;
        EXPECT_EQ(out.axes[0], AxisEnables{}) << "other axes are unaffected";
    }
}

TEST_F(AxisRules, UnusingAnAxisResetsEverythingItHeld) {
    AxisFields& a = axis(4);
    a = AxisFields{kMcp3201, 12, 3, 4, 2,   true, 5, 2, "10", "500", "900",
                   false,    0,  0, 0, "0", 3,    1, 2, 3,    4};
    run();
    a.src = 0;
    const RulesOutcome out = run();
    EXPECT_EQ(
        std::tie(a.name, a.src_port, a.src_chnl, a.prcsn, a.filter, a.acal, a.specfunc, a.invert),
        std::make_tuple(0, 0, 0, 0, 0, 0, 0, false));
    EXPECT_EQ(a.acal_min + a.acal_cen + a.acal_max, "000");
    EXPECT_EQ(a.dzl + a.dzc + a.dzh + a.dzd, 0);
    EXPECT_EQ(out.axes[3], AxisEnables{});
}

TEST_F(AxisRules, MagneticSourceDefaultsAcalAndOffsetIsUntickedWhenDisabled) {
    axis(2).src = kKma200;
    axis(2).name = 2;
    axis(2).acal = 0;
    EXPECT_TRUE(run().axes[1].offset);
    EXPECT_EQ(axis(2).acal, kAwoc);
    axis(2).offset = true;

    axis(2).src = kMcp3201;
    EXPECT_FALSE(run().axes[1].offset);
    EXPECT_FALSE(axis(2).offset);
    EXPECT_EQ(axis(2).acal, kAwoc) << "a chosen calibration is not taken back";

    axis(2).src = kTle5011;
    axis(2).acal = 3; // saved.w center: only "---" is replaced
    run();
    EXPECT_EQ(axis(2).acal, 3);
}

// The first dead zone that applies decides the calibration default.
TEST_F(AxisRules, DeadZoneCalibrationFollowsTheFirstApplyingZone) {
    // dzl, dzh, dzc, dzd -> acal afterwards
    const std::pair<std::array<int, 4>, int> cases[] = {{{0, 0, 3, 0}, kAwc},
                                                        {{2, 0, 3, 0}, kAwoc},
                                                        {{0, 4, 3, 0}, kAwoc},
                                                        {{0, 0, 0, 9}, 0},
                                                        {{0, 0, 0, 0}, 0}};
    for (const auto& [zones, acalAfter] : cases) {
        s = startupState(en);
        AxisFields& a = axis(5);
        a.src = kMcp3201; // not magnetic: no calibration default of its own
        a.name = 4;
        a.acal = 0;
        std::tie(a.dzl, a.dzh, a.dzc, a.dzd) = std::tuple_cat(zones);
        run();
        EXPECT_EQ(a.acal, acalAfter) << zones[0] << zones[1] << zones[2] << zones[3];
    }
}

TEST_F(AxisRules, VirtualAxisUsesButtonsInsteadOfCalibration) {
    AxisFields& a = axis(6);
    a.src = kIntSensor;
    a.name = 3;
    a.src_port = 17;
    a.invert = true;
    a.filter = 5;
    a.acal = kAwc;
    a.acal_min = "12";
    a.dzl = 2; // would ask for a calibration, but a virtual axis has none
    run();

    a.src = kVirtual;
    a.ms_btn_u = 3;
    a.ms_btn_d = 4;
    a.ms_step = "50";
    const RulesOutcome out = run();
    EXPECT_TRUE(out.axes[5].relative);
    EXPECT_EQ(std::tie(a.invert, a.acal, a.acal_min, a.filter), std::make_tuple(false, 0, "0", 0));
    EXPECT_EQ(a.src_port, 17) << "the pin is disabled but kept";
    EXPECT_EQ(a.ms_step, "50");
    EXPECT_EQ(a.ms_btn_u, 3);

    a.src = kIntSensor;
    run();
    EXPECT_EQ(a.ms_step, "0");
    EXPECT_EQ(a.ms_btn_u + a.ms_btn_d + a.ms_btn, 0);
}

TEST_F(AxisRules, ChannelOnlyForMultiChannelConverters) {
    for (int source = 0; source <= kVlSens; ++source) {
        axis(8).src = source;
        axis(8).name = 8;
        axis(8).src_chnl = 6;
        run();
        const bool keeps = source == kMcp3202 || source == kMcp3204;
        EXPECT_EQ(axis(8).src_chnl, keeps ? 6 : 0) << "source " << source;
    }
}

TEST_F(AxisRules, GridRowsBeyondButton32LoseModeShiftAndTimer) {
    auto setRow = [&](std::size_t row) {
        s.buttons.hw[row] = 9;
        s.buttons.mode[row] = 2;
        s.buttons.shift[row] = 3;
        s.buttons.timer[row] = 1;
    };
    setRow(1);  // hat up
    setRow(36); // joystick button 32
    setRow(37); // joystick button 33
    setRow(44); // joystick button 40
    setRow(132);
    run();
    for (std::size_t row : {1u, 36u}) {
        EXPECT_EQ(std::tie(s.buttons.mode[row], s.buttons.shift[row], s.buttons.timer[row]),
                  std::make_tuple(2, 3, 1))
            << row;
    }
    for (std::size_t row : {37u, 44u, 132u}) {
        EXPECT_EQ(s.buttons.mode[row] + s.buttons.shift[row] + s.buttons.timer[row], 0) << row;
        EXPECT_EQ(s.buttons.hw[row], 9) << "the hardware button is kept on row " << row;
    }
}

TEST_F(AxisRules, AxisToButtonRowWithoutButtonIsEmptied) {
    s.ab[1] = {0, 3, "10", "90"};
    s.ab[2] = {-1, 4, "5", "6"};
    s.ab[3] = {17, 5, "20", "80"};
    run();
    EXPECT_EQ(s.ab[1], (AxisButtonRow{0, 0, "0", "0"}));
    EXPECT_EQ(s.ab[2], (AxisButtonRow{-1, 0, "0", "0"}));
    EXPECT_EQ(s.ab[3], (AxisButtonRow{17, 5, "20", "80"}));
}

TEST_F(AxisRules, HubValueCountsConfiguredTypes) {
    s.slv_cnfg = "77";
    s.slv_type = {1, 0, 2, -1}; // -1: the list shows no entry
    run();
    EXPECT_EQ(s.slv_cnfg, "2");
}

TEST_F(AxisRules, EndWithValidation) {
    axis(1).src = kIntSensor;
    axis(1).name = 0;
    run();
    EXPECT_TRUE(s.ConfigHasErrors);
    EXPECT_EQ(s.chk_report_info, en.cfg_error_3 + " 1");
}

} // namespace
} // namespace volmar
