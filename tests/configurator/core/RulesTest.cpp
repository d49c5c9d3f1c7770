// Properties of the rules over many varied states: running any of them twice
// changes nothing the second time, the axis rules leave every axis in a
// consistent state, and a list with no entry is treated like its first entry
// (the image stores both as 0, so decoding what was encoded must agree).

#include "volmar/core/Rules.h"
#include "CoreTestHelpers.h"
#include "volmar/core/ConfigFields.h"
#include "volmar/core/LanguageRecord.h"

#include <gtest/gtest.h>

#include <random>
#include <variant>

namespace volmar {
namespace {

constexpr int kStates = 400;

// What encoding and decoding does to a list without an entry (the editor-only
// lists follow the same rule, though no image carries them).
ConfigState withoutEmptyLists(ConfigState s) {
    for (const auto* table : {&configFields(), &editorOnlyFields()}) {
        for (const FieldDef& f : *table) {
            if (f.kind != FieldKind::List)
                continue;
            int* v = std::get<int*>(f.get(s));
            if (*v < 0)
                *v = 0;
        }
    }
    return s;
}

class RuleProperties : public ::testing::TestWithParam<bool> {
protected:
    const TRecordLng& en = englishLanguage();
    bool connected() const { return GetParam(); }
};

TEST_P(RuleProperties, ValidationTwiceChangesNothing) {
    std::mt19937 rng(1);
    for (int i = 0; i < kStates; ++i) {
        ConfigState s = test::randomState(rng);
        CheckConfig(s, en, connected());
        const ConfigState once = s;
        const RunOutcome again = CheckConfig(s, en, connected());
        ASSERT_EQ(s, once) << "state " << i;
        EXPECT_TRUE(again.messageBoxes.empty()) << "state " << i;
    }
}

TEST_P(RuleProperties, AxisRulesTwiceChangeNothing) {
    std::mt19937 rng(2);
    for (int i = 0; i < kStates; ++i) {
        ConfigState s = test::randomState(rng);
        const RulesOutcome first = osi_Change(s, en, connected());
        const ConfigState once = s;
        const RulesOutcome second = osi_Change(s, en, connected());
        ASSERT_EQ(s, once) << "state " << i;
        EXPECT_EQ(second.axes, first.axes) << "state " << i;
        EXPECT_TRUE(second.run.messageBoxes.empty()) << "state " << i;
    }
}

TEST_P(RuleProperties, ClearingTwiceEqualsClearingOnce) {
    std::mt19937 rng(3);
    for (int i = 0; i < kStates / 4; ++i) {
        ConfigState s = test::randomState(rng);
        btnClrConfigClick(s, en, connected());
        const ConfigState once = s;
        btnClrConfigClick(s, en, connected());
        ASSERT_EQ(s, once) << "state " << i;
        EXPECT_FALSE(s.ConfigHasErrors) << s.chk_report_info;
    }
}

TEST_P(RuleProperties, ListWithoutEntryActsAsFirstEntry) {
    std::mt19937 rng(4);
    for (int i = 0; i < kStates; ++i) {
        const ConfigState s = test::randomState(rng);
        ConfigState direct = s;
        ConfigState normalized = withoutEmptyLists(s);
        osi_Change(direct, en, connected());
        osi_Change(normalized, en, connected());
        ASSERT_EQ(withoutEmptyLists(direct), withoutEmptyLists(normalized)) << "state " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Connection, RuleProperties, ::testing::Bool());

// What the axis rules promise about every axis once they have run.
void expectConsistentAxes(const ConfigState& s, int stateIndex) {
    for (std::size_t n = 0; n < kAxisCount; ++n) {
        const AxisFields& a = s.axes[n];
        const int src = (a.src >= 1 && a.src <= 8) ? a.src : 0;
        SCOPED_TRACE("state " + std::to_string(stateIndex) + " axis " + std::to_string(n + 1));
        EXPECT_TRUE(a.dzl >= 0 && a.dzl <= 15 && a.dzc >= 0 && a.dzc <= 15);
        EXPECT_TRUE(a.dzh >= 0 && a.dzh <= 15 && a.dzd >= 0 && a.dzd <= 15);
        if (src != 3 && src != 7 && src != 8) {
            EXPECT_FALSE(a.offset);
        }
        if (src != 5 && src != 6) {
            EXPECT_EQ(a.src_chnl, 0);
        }
        if (src != 1) {
            EXPECT_EQ(a.ms_step, "0");
            EXPECT_EQ(a.ms_btn + a.ms_btn_u + a.ms_btn_d, 0);
        }
        if (src == 0) {
            EXPECT_EQ(a.name, 0);
            EXPECT_EQ(a.src_port, 0);
            EXPECT_EQ(a.dzl + a.dzc + a.dzh + a.dzd, 0);
            EXPECT_EQ(a.acal, 0);
        }
        if (src == 1) {
            EXPECT_EQ(a.acal, 0);
            EXPECT_EQ(a.filter, 0);
            EXPECT_FALSE(a.invert);
        }
        if (src >= 2 && (a.dzl > 0 || a.dzh > 0 || a.dzc > 0 || src == 3 || src == 7 || src == 8)) {
            EXPECT_GT(a.acal, 0) << "a dead zone or a magnetic sensor needs a calibration";
        }
    }
    for (std::size_t row = 37; row < kGridRows; ++row)
        EXPECT_EQ(s.buttons.mode[row] + s.buttons.shift[row] + s.buttons.timer[row], 0);
}

TEST(AxisRuleResults, EveryAxisIsConsistentAfterwards) {
    std::mt19937 rng(5);
    for (int i = 0; i < kStates; ++i) {
        ConfigState s = test::randomState(rng);
        osi_Change(s, englishLanguage(), true);
        expectConsistentAxes(s, i);
        if (HasFailure())
            break;
    }
}

} // namespace
} // namespace volmar
