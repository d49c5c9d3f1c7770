// Validation: silent repairs, the first hard error, the success summary.

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace volmar {
namespace {

class Validation : public ::testing::Test {
protected:
    const TRecordLng& en = englishLanguage();
    ConfigState s = startupState(englishLanguage());

    void useAxis(int n, int source, int name) {
        s.axes[static_cast<std::size_t>(n - 1)].src = source;
        s.axes[static_cast<std::size_t>(n - 1)].name = name;
    }
    RunOutcome check(bool connected = true) { return CheckConfig(s, en, connected); }
};

TEST_F(Validation, SharedAssignmentNamesTheLaterAxis) {
    useAxis(2, 3, 1);
    useAxis(5, 4, 1);
    check();
    EXPECT_TRUE(s.ConfigHasErrors);
    EXPECT_EQ(s.chk_report_info, "Error. Secondary using assignment  X at axis # 5");
}

TEST_F(Validation, MissingAssignmentIsReportedBeforeAnySharedOne) {
    useAxis(1, 2, 3);
    useAxis(2, 2, 3);
    useAxis(6, 2, 0);
    check();
    EXPECT_TRUE(s.ConfigHasErrors);
    EXPECT_EQ(s.chk_report_info, en.cfg_error_3 + " 6");
}

TEST_F(Validation, SharedAssignmentIsReportedBeforeAMissingVirtualButton) {
    useAxis(1, 1, 2); // virtual, no buttons
    useAxis(3, 2, 2);
    check();
    EXPECT_EQ(s.chk_report_info, en.cfg_error_4 + " Y " + en.cfg_error_2 + " 3");
}

TEST_F(Validation, VirtualAxisNeedsIncreaseThenDecreaseButNotCentre) {
    useAxis(4, 1, 1);
    check();
    EXPECT_EQ(s.chk_report_info, "Error. No assignment for button 'Increase' at axis # 4");

    s.axes[3].ms_btn_u = 9;
    check();
    EXPECT_EQ(s.chk_report_info, en.cfg_error_h + " 4");
    EXPECT_TRUE(s.ConfigHasErrors);

    s.axes[3].ms_btn_d = 10;
    check();
    EXPECT_FALSE(s.ConfigHasErrors) << s.chk_report_info;
}

TEST_F(Validation, SummaryCountsAxesAndJoystickButtonsButNotHats) {
    useAxis(1, 2, 1);
    useAxis(7, 8, 6);
    for (int row = 5; row < 15; ++row)
        s.buttons.hw[static_cast<std::size_t>(row)] = row;
    s.buttons.hw[1] = 3; // hat up
    s.buttons.hw[4] = 4; // hat left
    const RunOutcome out = check();
    EXPECT_FALSE(s.ConfigHasErrors);
    EXPECT_EQ(s.chk_report_info, "Ok. Used axis  2, buttons 10.");
    EXPECT_TRUE(out.messageBoxes.empty());
}

TEST_F(Validation, SourceWithoutListEntryIsAnUnusedAxis) {
    // A foreign image may carry a source code the list does not hold; the
    // image stores such an axis as unused, so it needs no assignment.
    s.axes[2].src = -1;
    s.axes[2].name = 0;
    check();
    EXPECT_FALSE(s.ConfigHasErrors) << s.chk_report_info;
    EXPECT_EQ(s.chk_report_info, en.cfg_error_m + " 0" + en.cfg_error_n + " 0.");
}

TEST_F(Validation, NotConnectedDisplayOnlyAfterSuccess) {
    EXPECT_TRUE(check(false).showNotConnected);
    EXPECT_FALSE(check(true).showNotConnected);
    useAxis(1, 2, 0);
    EXPECT_FALSE(check(false).showNotConnected);
    EXPECT_TRUE(s.ConfigHasErrors);
}

TEST_F(Validation, HalfSetEncodersAreEmptiedAndNamedWithoutFailing) {
    s.enc[1].l = 7;  // encoder 2: left only
    s.enc[3].r = 12; // encoder 4: right only
    s.enc[4].l = -1; // encoder 5: no entry counts as unset
    s.enc[4].r = 30;
    s.enc[5] = {40, 41}; // complete
    s.enc[0] = {-1, 0};  // both unset
    const RunOutcome out = check();
    ASSERT_EQ(out.messageBoxes.size(), 1u);
    EXPECT_EQ(out.messageBoxes[0], "Encoders setup error #2 #4 #5 ");
    EXPECT_EQ(std::tie(s.enc[1], s.enc[3], s.enc[4], s.enc[5]),
              std::make_tuple(Encoder{0, 0}, Encoder{0, 0}, Encoder{0, 0}, Encoder{40, 41}));
    EXPECT_FALSE(s.ConfigHasErrors);
    EXPECT_TRUE(check().messageBoxes.empty()) << "the repair is carried into the state";
}

TEST_F(Validation, ShiftKeyTypeFollowsItsButton) {
    s.btn_shift[1] = 20;
    s.typ_shift[1] = 0;
    s.btn_shift[2] = 21;
    s.typ_shift[2] = 2; // "OFF" is kept
    s.btn_shift[3] = 22;
    s.typ_shift[3] = -1;
    check();
    EXPECT_EQ(std::vector<int>(s.typ_shift.begin() + 1, s.typ_shift.end()),
              (std::vector<int>{1, 2, 1}));

    s.btn_shift[1] = 0;
    s.btn_shift[2] = -1;
    check();
    EXPECT_EQ(std::tie(s.typ_shift[1], s.typ_shift[2]), std::make_tuple(0, 0));
}

TEST_F(Validation, ZoomLimitsAreForcedIntoRange) {
    struct Row {
        const char *del, *spd, *delAfter, *spdAfter; // divisor, reduction: before, after
    };
    for (const auto& [del, spd, delAfter, spdAfter] :
         {Row{"250", "0", "2", "1"}, Row{"201", "300", "2", "200"}, Row{"200", "200", "200", "200"},
          Row{"2", "1", "2", "1"}, Row{"1", "-3", "2", "1"}, Row{"", "", "2", "1"},
          Row{"abc", "x9", "2", "1"}, Row{"017", "099", "017", "099"}}) {
        SCOPED_TRACE(std::string(del) + "/" + spd);
        s.curves[4].zm_del = del;
        s.curves[4].zm_spd = spd;
        check();
        EXPECT_EQ(s.curves[4].zm_del, delAfter);
        EXPECT_EQ(s.curves[4].zm_spd, spdAfter);
        EXPECT_FALSE(s.ConfigHasErrors);
    }
}

} // namespace
} // namespace volmar
