// "Clear sets" and the start-up state.

#include "CoreTestHelpers.h"
#include "volmar/core/ConfigFields.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/core/ValueLists.h"

#include <gtest/gtest.h>

#include <random>
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

TEST_F(Clearing, SetsTheUsbIdentity) {
    ConfigState s = busy();
    btnClrConfigClick(s, en, true);
    EXPECT_EQ(s.dev_vid, "8888");
    EXPECT_EQ(s.dev_pid, "8888");
    EXPECT_EQ(s.dev_name, "Volmar2");
    EXPECT_EQ(entryText(pollList(), s.dev_poll), "2");
}

TEST_F(Clearing, CurvesFlatAndZoomRowsRepairedByValidation) {
    ConfigState s = busy();
    btnClrConfigClick(s, en, true);
    for (const CurveFields& c : s.curves) {
        for (int p : c.points)
            EXPECT_EQ(p, 100);
        EXPECT_FALSE(c.symmetrical);
        EXPECT_EQ(c.zm_knp, 0);
        EXPECT_EQ(c.zm_del, "2");
        EXPECT_EQ(c.zm_spd, "1");
    }
}

TEST_F(Clearing, LeavesAValidEmptyConfiguration) {
    ConfigState s = busy();
    const RulesOutcome out = btnClrConfigClick(s, en, false);
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
    EXPECT_EQ(s.sf_thr_bnom, 17);
    EXPECT_EQ(s.sf_thr_bmod, 2);
    EXPECT_EQ(s.sf_thr_asrc, 3);
    EXPECT_EQ(s.sf_thr_adsc, 4);
    EXPECT_EQ(s.led_digbri, 13);
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
