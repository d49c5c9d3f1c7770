// "Clear sets" and the start-up state.

#include "CoreTestHelpers.h"
#include "volmar/core/ConfigFields.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/core/ValueLists.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <variant>

namespace volmar {
namespace {

class Clearing : public ::testing::Test {
protected:
    const TRecordLng& en = englishLanguage();
    ConfigState busy() {
        std::mt19937 rng(11);
        return test::randomState(rng);
    }
};

// From a busy state: the USB identity, flat curves with zoom rows repaired
// by validation, and a valid empty configuration.
TEST_F(Clearing, LeavesTheIdentityFlatCurvesAndAValidEmptyConfiguration) {
    ConfigState s = busy();
    const RulesOutcome out = btnClrConfigClick(s, en, false);
    EXPECT_EQ(std::tie(s.dev_vid, s.dev_pid, s.dev_name),
              std::make_tuple("8888", "8888", "Volmar2"));
    EXPECT_EQ(entryText(pollList(), s.dev_poll), "2");
    for (const CurveFields& c : s.curves) {
        EXPECT_EQ(c.points, (decltype(c.points){100, 100, 100, 100, 100, 100, 100, 100, 100}));
        EXPECT_FALSE(c.symmetrical);
        EXPECT_EQ(std::tie(c.zm_knp, c.zm_del, c.zm_spd), std::make_tuple(0, "2", "1"));
    }
    EXPECT_FALSE(s.ConfigHasErrors);
    EXPECT_EQ(s.chk_report_info, en.cfg_error_m + " 0" + en.cfg_error_n + " 0.");
    EXPECT_TRUE(out.run.showNotConnected);
    for (std::size_t n = 0; n < kAxisCount; ++n) {
        EXPECT_EQ(s.axes[n].src, 0);
        EXPECT_EQ(out.axes[n], AxisEnables{}) << "axis " << n + 1;
    }
    EXPECT_EQ(s.buttons, ButtonMap{});
    for (const Encoder& e : s.enc)
        EXPECT_EQ(e, (Encoder{0, 0}));
    for (const AxisButtonRow& r : s.ab)
        EXPECT_EQ(r, (AxisButtonRow{0, 0, "0", "0"}));
    EXPECT_EQ(s.slv_cnfg, "0");
}

TEST_F(Clearing, KeepsDoubleThrottleAndBrightness) {
    ConfigState s = startupState(en);
    s.sf_thr_bnom = 17;
    s.sf_thr_bmod = 2;
    s.sf_thr_asrc = 3;
    s.sf_thr_adsc = 4;
    s.led_digbri = 13;
    btnClrConfigClick(s, en, true);
    EXPECT_EQ(std::tie(s.sf_thr_bnom, s.sf_thr_bmod, s.sf_thr_asrc, s.sf_thr_adsc, s.led_digbri),
              std::make_tuple(17, 2, 3, 4, 13));
}

TEST(StartupState, EveryImageListHasAnEntryAndTheCheckPasses) {
    // The start-up state is what a first save writes; a list without an
    // entry would come back from the file as its first entry instead.
    ConfigState s = startupState(englishLanguage());
    for (const FieldDef& f : configFields()) {
        if (f.kind == FieldKind::List) {
            EXPECT_GE(*std::get<int*>(f.get(s)), 0) << f.name;
        }
    }
    EXPECT_FALSE(s.ConfigHasErrors);
    EXPECT_EQ(s.dev_vid, "8888");
    EXPECT_EQ(s.led_digbri, 8);
    EXPECT_EQ(s.axes[0].ms_step, "0") << "the axis rules ran";
}

TEST(StartupState, IsWhatClearingItGives) {
    ConfigState s = startupState(englishLanguage());
    const ConfigState start = s;
    btnClrConfigClick(s, englishLanguage(), false);
    EXPECT_EQ(s, start);
}

} // namespace
} // namespace volmar
