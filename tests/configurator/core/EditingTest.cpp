// The event table (which rule a change of which control starts), the key
// filters per control, and a whole edit: store, rule, rejected values.

#include "volmar/core/Editing.h"
#include "volmar/core/LanguageRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace volmar {
namespace {

TEST(EventTable, BindsEachControlToItsRule) {
    struct Row {
        const char* control;
        EditRule rule;
    };
    const Row rows[] = {
        {"joy_hardware", EditRule::AxisRules},
        {"osi_1_src", EditRule::AxisRules},
        {"osi_8_src_port", EditRule::AxisRules},
        {"osi_3_src_chnl", EditRule::AxisRules},
        {"osi_2_name", EditRule::AxisRules},
        {"osi_5_ms_btn", EditRule::AxisRules},
        {"osi_5_ms_btn_d", EditRule::AxisRules},
        {"osi_5_ms_btn_u", EditRule::AxisRules},
        {"osi_7_dzd", EditRule::AxisRules},
        {"osi_vlsens_clk", EditRule::AxisRules},
        {"ab_04_b", EditRule::AxisRules},
        {"hw_bc_10", EditRule::AxisRules},
        {"sr_02_miso", EditRule::AxisRules},
        {"stepper_pd", EditRule::AxisRules},
        {"slv_type4", EditRule::AxisRules},
        {"osi_6_zm_knp", EditRule::AxisRules},
        {"ab_01_a", EditRule::Validation},
        {"sf_thr_bmod", EditRule::Validation},
        {"btn_shift_4", EditRule::Validation},
        {"typ_shift_1", EditRule::Validation},
        {"btn_timer_3", EditRule::Validation},
        {"btn_timer_3_mode", EditRule::Validation},
        {"osi_2_zm_del", EditRule::Validation},
        {"osi_2_zm_spd", EditRule::Validation},
        {"dev_name", EditRule::LengthLimit},
        {"dev_pid", EditRule::LengthLimit},
        {"osi_6_curve_09", EditRule::CurveRedraw},
        {"osi_1_curve_s", EditRule::CurveRedraw},
        {"Translate", EditRule::Language},
        // Controls without a change event, and names that only look alike.
        {"osi_1_prcsn", EditRule::None},
        {"osi_1_ms_step", EditRule::None},
        {"osi_1_filter", EditRule::None},
        {"osi_1_acal", EditRule::None},
        {"ab_02_l", EditRule::None},
        {"dev_poll", EditRule::None},
        {"enc_01_l", EditRule::None},
        {"sr_01_kol", EditRule::None},
        {"osi__src", EditRule::None},
        {"osi_1_srcx", EditRule::None},
        {"xosi_1_src", EditRule::None},
        {"osi_1_src_", EditRule::None},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(editRuleFor(row.control), row.rule) << row.control;
    }
}

TEST(EventTable, FiltersTheKeysOfNumericAndIdentityEdits) {
    struct Row {
        const char* control;
        KeyFilter filter;
    };
    for (const Row& row :
         {Row{"osi_4_ms_step", KeyFilter::Digits}, Row{"joy_osi_04_t", KeyFilter::Digits},
          Row{"joy_osi_04_t_axis", KeyFilter::Digits}, Row{"adc_error_8", KeyFilter::Digits},
          Row{"osi_2_acal_cen", KeyFilter::Digits}, Row{"ab_03_h", KeyFilter::Digits},
          Row{"osi_6_zm_spd", KeyFilter::Digits}, Row{"dev_vid", KeyFilter::HexDigits},
          Row{"dev_pid", KeyFilter::HexDigits}, Row{"dev_name", KeyFilter::UsbName},
          Row{"slv_data3_out", KeyFilter::Digits}, Row{"slv_data_len", KeyFilter::Digits},
          Row{"slv_sof", KeyFilter::Digits}, Row{"vltw_hgh_out", KeyFilter::Digits},
          Row{"slv_sof_t", KeyFilter::None}, Row{"slv_data", KeyFilter::None},
          Row{"slv_cnfg", KeyFilter::None}, Row{"osi_1_src", KeyFilter::None}}) {
        EXPECT_EQ(keyFilterFor(row.control), row.filter) << row.control;
    }
    EXPECT_FALSE(keyAllowed(KeyFilter::HexDigits, U'a'));
    EXPECT_TRUE(keyAllowed(KeyFilter::HexDigits, U'A'));
    EXPECT_TRUE(keyAllowed(KeyFilter::UsbName, U'a'));
    EXPECT_FALSE(keyAllowed(KeyFilter::Digits, U'-'));
    EXPECT_TRUE(keyAllowed(KeyFilter::None, U'-'));
}

class EditTest : public ::testing::Test {
protected:
    ConfigState s = startupState(englishLanguage());
    EditOutcome edit(const char* control, const FieldValue& value) {
        return applyEdit(s, englishLanguage(), false, control, value);
    }
};

TEST_F(EditTest, RunsTheBoundRuleAfterStoring) {
    const EditOutcome source = edit("osi_4_src", 3); // KMA200
    EXPECT_TRUE(source.accepted);
    EXPECT_EQ(source.rule, EditRule::AxisRules);
    EXPECT_EQ(s.axes[3].acal, 2) << "the axis rules chose auto.w/o center";
    EXPECT_TRUE(s.ConfigHasErrors);
    EXPECT_EQ(s.chk_report_info, englishLanguage().cfg_error_3 + " 4");

    edit("dev_vid", std::string("12345"));
    EXPECT_EQ(s.dev_vid, "1234");

    edit("osi_1_zm_del", std::string("250"));
    EXPECT_EQ(s.curves[0].zm_del, "2") << "validation repairs the divisor";

    const EditOutcome name = edit("osi_4_name", 3);
    EXPECT_EQ(name.rule, EditRule::AxisRules);
    EXPECT_FALSE(s.ConfigHasErrors);
    EXPECT_TRUE(name.run.showNotConnected) << "a valid check without a controller says so";
}

TEST_F(EditTest, ControlsWithoutRuleChangeOnlyTheirField) {
    s.axes[0].src = 2; // no assignment, but no rule runs to notice
    const ConfigState before = s;
    const EditOutcome out = edit("osi_1_prcsn", 4);
    EXPECT_TRUE(out.accepted);
    EXPECT_EQ(out.rule, EditRule::None);
    ConfigState expected = before;
    expected.axes[0].prcsn = 4;
    EXPECT_EQ(s, expected);
}

TEST_F(EditTest, RejectsValuesTheFieldCannotHold) {
    const ConfigState before = s;
    struct Row {
        const char* control;
        FieldValue value;
    };
    const Row rows[] = {
        {"osi_1_src", 9},                             // one past the source list
        {"osi_1_src", -2},                            // below "no entry"
        {"osi_1_src", std::string("2")},              // text for a list
        {"osi_1_dzl", 16},                            // spin range 0..15
        {"osi_1_invert", 1},                          // number for a check box
        {"dev_name", true},                           // flag for an edit
        {"led_color_init", std::uint32_t{0x1000000}}, // beyond 24-bit RGB
        {"no_such_control", 1},
    };
    for (const Row& row : rows) {
        EXPECT_FALSE(edit(row.control, row.value).accepted) << row.control;
    }
    EXPECT_EQ(s, before);
    EXPECT_TRUE(edit("osi_1_src", kNoEntry).accepted);
    EXPECT_TRUE(edit("led_color_init", std::uint32_t{0xFF00FF}).accepted);
    EXPECT_EQ(s.led_color_init, 0xFF00FFu);
}

TEST_F(EditTest, FieldValueReadsWhatSetFieldValueStored) {
    for (const char* control : {"osi_2_dzh", "osi_2_ms_step", "osi_2_offset", "slv_type2"}) {
        const FieldDef* field = findAnyField(control);
        ASSERT_NE(field, nullptr) << control;
        const FieldValue value = field->kind == FieldKind::Edit    ? FieldValue(std::string("77"))
                                 : field->kind == FieldKind::Check ? FieldValue(true)
                                                                   : FieldValue(2);
        ASSERT_TRUE(setFieldValue(*field, s, value)) << control;
        EXPECT_EQ(fieldValue(*field, s), value) << control;
    }
}

} // namespace
} // namespace volmar
