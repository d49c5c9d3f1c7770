// What a language switch decides: the record a `Translate` text chooses, the
// captions and lists the record gives, and the configuration carried across
// a switch as its image: every field and the button map come back, the
// report line speaks the new language, and a configuration without an image
// is kept as it is.

#include "volmar/core/LanguageSwitch.h"

#include "CoreTestHelpers.h"
#include "volmar/core/LanguageTables.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace volmar {
namespace {

const TRecordLng& record(int index) {
    const TRecordLng* lng = languageRecord(index);
    EXPECT_NE(lng, nullptr) << index;
    return lng ? *lng : englishLanguage();
}

// The fields a user edits; the report line and the error flag are what
// validation says about them.
ConfigState withoutReport(ConfigState state) {
    state.chk_report_info.clear();
    return state;
}

TEST(ChosenLanguage, OnlyTheFourEntriesReadATableAndTheStartFallsBackToRussian) {
    for (int i = 0; i < kLanguageCount; ++i) {
        const std::string_view name = languageNames()[static_cast<std::size_t>(i)];
        EXPECT_EQ(chosenLanguage(name), languageRecord(i)) << name;
        EXPECT_EQ(&startLanguage(name), languageRecord(i)) << name;
    }
    for (const char* unknown : {"Klingon", "english", "", "Deutsch "}) {
        EXPECT_EQ(chosenLanguage(unknown), nullptr) << unknown;
        EXPECT_EQ(&startLanguage(unknown), languageRecord(0)) << unknown;
    }
}

TEST(ControlCaption, EveryCaptionedControlHasItsTextInEveryLanguage) {
    const auto& names = captionedControls();
    EXPECT_EQ(std::set<std::string_view>(names.begin(), names.end()).size(), names.size())
        << "a control is listed twice";
    for (int i = 0; i < kLanguageCount; ++i) {
        const TRecordLng& lng = record(i);
        std::set<std::string> pageTabs;
        for (std::string_view name : names) {
            const auto caption = controlCaption(name, lng);
            ASSERT_TRUE(caption.has_value()) << name;
            EXPECT_FALSE(caption->empty()) << name << " in language " << i;
        }
        // The composed captions.
        EXPECT_EQ(controlCaption("TabOSI_SF", lng),
                  lng.grp_osi + " (" + lng.lbl_osi_specfunc + ")");
        EXPECT_EQ(controlCaption("osi_value", lng), lng.lbl_value_axis + " " + lng.lbl_raw);
        EXPECT_EQ(controlCaption("osi_value_pr", lng), lng.lbl_value_axis + " " + lng.lbl_prc);
        for (const char* tab : {"TabOSI", "TabOSI_SF", "TabKNP", "TabFMW"})
            pageTabs.insert(*controlCaption(tab, lng));
        EXPECT_EQ(pageTabs.size(), 4u) << "two pages would read the same in language " << i;
    }
    // Captions that read the same in every language are not the language's.
    for (const char* fixed : {"TabLED", "TabSLV", "Inspecta", "DebugView", "dev_vid", ""})
        EXPECT_EQ(controlCaption(fixed, englishLanguage()), std::nullopt) << fixed;
}

// A list is rebuilt on a switch exactly when some language reads it otherwise.
TEST(ListFollowsLanguage, ExactlyTheListsWhoseEntriesDiffer) {
    for (int id = static_cast<int>(ValueListId::None); id <= static_cast<int>(ValueListId::HubType);
         ++id) {
        const auto list = static_cast<ValueListId>(id);
        bool differs = false;
        for (int i = 1; i < kLanguageCount; ++i)
            differs = differs || listEntries(list, record(i)) != listEntries(list, record(0));
        EXPECT_EQ(listFollowsLanguage(list), differs) << "list " << id;
        for (int i = 0; i < kLanguageCount; ++i)
            EXPECT_EQ(listEntries(list, record(i)).size(), listEntries(list, record(0)).size())
                << "list " << id << " in language " << i;
    }
}

// As the window holds it: settled by the rules after a load.
class CarriedAcrossSwitches : public ::testing::TestWithParam<unsigned> {};

TEST_P(CarriedAcrossSwitches, EveryFieldAndTheButtonMapComeBackInEveryLanguage) {
    std::mt19937 rng(GetParam());
    const ConfigState loaded = test::decodeImage(test::encodeOk([&] {
        ConfigState s = test::randomState(rng);
        // Numbers where the encoder wants them, so the state has an image.
        for (AxisFields& axis : s.axes)
            axis.ms_step = "40";
        for (CurveFields& curve : s.curves)
            curve.zm_del = curve.zm_spd = "3";
        s.dev_vid = "12AB";
        s.dev_pid = "0C0D";
        return s;
    }()));
    const ConfigImage before = test::encodeOk(loaded);
    for (int from = 0; from < kLanguageCount; ++from) {
        for (int to = 0; to < kLanguageCount; ++to) {
            SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
            ConfigState state = loaded;
            const CarriedConfiguration carried(state);
            ASSERT_TRUE(carried.encoded());
            EXPECT_EQ(carried.image(), before);
            // What the window does in between: every list rebuilt, shown
            // from scratch.
            state = startupState(record(from));
            carried.restore(state, record(to), false);
            EXPECT_EQ(withoutReport(state), withoutReport(loaded));
            EXPECT_EQ(state.buttons, loaded.buttons);
            EXPECT_EQ(test::encodeOk(state), before);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CarriedAcrossSwitches, ::testing::Range(1u, 9u));

TEST(CarriedConfiguration, TheReportLineSpeaksTheNewLanguage) {
    for (int to = 0; to < kLanguageCount; ++to) {
        const TRecordLng& lng = record(to);
        ConfigState valid = test::startup();
        test::useAxis(valid, 0, 2, 1);
        ConfigState invalid = test::startup();
        invalid.axes[2].src = 2; // a source, no assignment
        for (ConfigState* state : {&valid, &invalid}) {
            const CarriedConfiguration carried(*state);
            const RulesOutcome outcome = carried.restore(*state, lng, true);
            EXPECT_FALSE(outcome.run.showNotConnected);
        }
        EXPECT_EQ(valid.chk_report_info.rfind(lng.cfg_error_m, 0), 0u) << valid.chk_report_info;
        EXPECT_FALSE(valid.ConfigHasErrors);
        EXPECT_EQ(invalid.chk_report_info.rfind(lng.cfg_error_3, 0), 0u) << invalid.chk_report_info;
        EXPECT_TRUE(invalid.ConfigHasErrors);
    }
}

// An edit holding no number stops the encoder; the switch then keeps the
// configuration exactly as the window holds it instead of losing it.
TEST(CarriedConfiguration, AConfigurationWithoutAnImageIsKeptAsItIs) {
    ConfigState state = test::startup();
    test::useAxis(state, 0, 2, 1);
    state.axes[0].src = 1; // virtual: relative mode, where the step counts
    state.axes[0].ms_btn_u = 5;
    state.axes[0].ms_btn_d = 6;
    osi_Change(state, englishLanguage(), false);
    state.axes[0].ms_step = "";
    state.buttons.hw[7] = 12;
    const ConfigState before = state;

    const CarriedConfiguration carried(state);
    EXPECT_FALSE(carried.encoded());
    const TRecordLng& german = record(1);
    const RulesOutcome outcome = carried.restore(state, german, false);
    EXPECT_EQ(withoutReport(state), withoutReport(before));
    EXPECT_TRUE(outcome.run.showNotConnected) << "validation ran, without a controller";
    EXPECT_NE(state.chk_report_info, before.chk_report_info);
    EXPECT_EQ(state.chk_report_info.rfind(german.cfg_error_m, 0), 0u) << state.chk_report_info;
}

} // namespace
} // namespace volmar
