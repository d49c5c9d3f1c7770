// The field table: names, kinds, sizes, and that every name reaches its own
// member (a copy-paste slip in an accessor would silently alias two fields).

#include "volmar/core/ConfigFields.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/ValueLists.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace volmar {
namespace {

struct FieldCase {
    const char* name;
    FieldKind kind;
    int entries = 0; // List
    int min = 0;     // Spin
    int max = 0;
};

class FieldNamed : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldNamed, HasItsKindAndRange) {
    const FieldCase& c = GetParam();
    const FieldDef* f = findField(c.name);
    ASSERT_NE(f, nullptr) << c.name;
    EXPECT_EQ(f->name, c.name);
    EXPECT_EQ(f->kind, c.kind) << c.name;
    EXPECT_TRUE(f->inImage);
    if (c.kind == FieldKind::List) {
        EXPECT_EQ(f->entries, c.entries) << c.name;
        EXPECT_EQ(listEntries(c.name, englishLanguage()).size(),
                  static_cast<std::size_t>(c.entries))
            << c.name;
    }
    if (c.kind == FieldKind::Spin) {
        EXPECT_EQ(f->min, c.min) << c.name;
        EXPECT_EQ(f->max, c.max) << c.name;
    }
}

using K = FieldKind;
// Samples of each family at its first and last number and each kind of
// control, not the table entry by entry.
INSTANTIATE_TEST_SUITE_P(
    Families, FieldNamed,
    ::testing::Values(
        FieldCase{"osi_1_src", K::List, 9}, FieldCase{"osi_8_src_port", K::List, 49},
        FieldCase{"osi_8_src_chnl", K::List, 9}, FieldCase{"osi_5_name", K::List, 9},
        FieldCase{"osi_2_prcsn", K::List, 5}, FieldCase{"osi_3_invert", K::Check},
        FieldCase{"osi_4_filter", K::List, 14}, FieldCase{"osi_6_acal", K::List, 5},
        FieldCase{"osi_7_acal_min", K::Edit}, FieldCase{"osi_7_acal_max", K::Edit},
        FieldCase{"osi_1_offset", K::Check}, FieldCase{"osi_2_ms_btn_d", K::List, 129},
        FieldCase{"osi_2_ms_btn_u", K::List, 129}, FieldCase{"osi_8_ms_step", K::Edit},
        FieldCase{"osi_3_specfunc", K::List, 7}, FieldCase{"osi_8_dzl", K::Spin, 0, 0, 15},
        FieldCase{"osi_8_dzd", K::Spin, 0, 0, 15}, FieldCase{"osi_1_curve_01", K::Spin, 0, 0, 200},
        FieldCase{"osi_6_curve_09", K::Spin, 0, 0, 200}, FieldCase{"osi_6_curve_s", K::Check},
        FieldCase{"osi_6_zm_knp", K::List, 129}, FieldCase{"osi_1_zm_del", K::Edit},
        FieldCase{"osi_1_zm_spd", K::Edit}, FieldCase{"ab_01_b", K::List, 129},
        FieldCase{"ab_04_a", K::List, 9}, FieldCase{"ab_02_l", K::Edit},
        FieldCase{"sf_thr_bnom", K::List, 129}, FieldCase{"sf_thr_bmod", K::List, 3},
        FieldCase{"sf_thr_asrc", K::List, 9}, FieldCase{"osi_vlsens_clk", K::List, 49},
        FieldCase{"hw_br_1", K::List, 49}, FieldCase{"hw_bc_10", K::List, 49},
        FieldCase{"sr_01_len", K::List, 3}, FieldCase{"sr_02_prt", K::List, 49},
        FieldCase{"sr_01_kol", K::Spin, 0, 0, 12}, FieldCase{"enc_01_l", K::List, 129},
        FieldCase{"btn_shift_4", K::List, 128}, FieldCase{"typ_shift_1", K::List, 3},
        FieldCase{"btn_timer_3", K::List, 11}, FieldCase{"btn_timer_2_mode", K::List, 3},
        FieldCase{"led_ws2811", K::Check}, FieldCase{"led_color_init", K::Colour},
        FieldCase{"led_digbri", K::Spin, 0, 1, 16}, FieldCase{"stepper_pa", K::List, 49},
        FieldCase{"slv_port", K::List, 49}, FieldCase{"slv_cnfg", K::Edit},
        FieldCase{"dev_name", K::Edit}, FieldCase{"dev_vid", K::Edit},
        FieldCase{"dev_poll", K::List, 5}));

// The values the controls hold before defaults and rules run, shown as text:
// a list or spin its number (-1: no entry), an edit its quoted text, a box
// true/false. Only the families whose start value the window fixes.
std::string shown(const FieldDef& f, const ConfigState& s) {
    return std::visit(
        [](auto* p) -> std::string {
            using T = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<T, std::string>)
                return "\"" + *p + "\"";
            else if constexpr (std::is_same_v<T, bool>)
                return *p ? "true" : "false";
            else
                return std::to_string(*p);
        },
        f.get(s));
}

TEST(FieldTable, ControlsStartWithTheirInitialValues) {
    const std::vector<std::pair<const char*, const char*>> initial = {
        {"osi_1_src", "0"},          {"osi_8_src_port", "-1"},
        {"osi_2_src_chnl", "0"},     {"osi_3_name", "0"},
        {"osi_4_prcsn", "-1"},       {"osi_5_invert", "false"},
        {"osi_6_filter", "-1"},      {"osi_7_acal", "-1"},
        {"osi_8_acal_min", "\"0\""}, {"osi_1_acal_cen", "\"0\""},
        {"osi_2_acal_max", "\"0\""}, {"osi_3_offset", "false"},
        {"osi_4_ms_btn_d", "0"},     {"osi_5_ms_btn", "0"},
        {"osi_6_ms_btn_u", "0"},     {"osi_7_ms_step", "\"100\""},
        {"osi_8_specfunc", "-1"},    {"osi_1_dzl", "0"},
        {"osi_2_dzd", "0"},          {"osi_3_curve_01", "100"},
        {"osi_4_curve_s", "false"},  {"osi_5_zm_del", "\"0\""},
        {"osi_6_zm_spd", "\"0\""},   {"ab_01_l", "\"0\""},
        {"ab_04_h", "\"0\""},        {"hw_br_1", "0"},
        {"hw_bc_10", "0"},           {"sr_02_kol", "0"},
        {"enc_01_l", "0"},           {"enc_06_r", "0"},
        {"led_ws2811", "false"},     {"led_max7219", "false"},
        {"led_digbri", "8"},         {"dev_name", "\"Volmar\""},
        {"dev_vid", "\"1111\""},     {"dev_pid", "\"1111\""},
        {"dev_poll", "-1"},          {"joy_hardware", "0"}};
    const ConfigState s;
    for (const auto& [name, value] : initial) {
        const FieldDef* f = findAnyField(name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(shown(*f, s), value) << name;
    }
    EXPECT_EQ(s.buttons, ButtonMap{});
}

TEST(FieldTable, MisspelledNumberingIsNotAField) {
    for (const char* name :
         {"osi_9_src", "osi_0_src", "osi_7_curve_s", "osi_1_curve_1", "osi_1_curve_10", "ab_1_b",
          "ab_05_b", "enc_1_l", "enc_07_l", "sr_1_len", "hw_br_01", "hw_br_11", "btn_shift_5",
          "btn_timer_4", "slv_type_1", "osi_7_zm_knp", ""})
        EXPECT_EQ(findField(name), nullptr) << name;
}

TEST(FieldTable, EditorOnlyFieldsAreFoundOnlyWhenAskedFor) {
    for (const char* name : {"slv_type1", "slv_type4", "joy_hardware"}) {
        EXPECT_EQ(findField(name), nullptr) << name;
        const FieldDef* f = findAnyField(name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_FALSE(f->inImage);
        EXPECT_EQ(f->kind, FieldKind::List);
    }
    EXPECT_EQ(findAnyField("joy_hardware")->entries, 4);
    EXPECT_EQ(findAnyField("osi_1_src"), findField("osi_1_src"));
}

// Change one field at a time away from its start value and count how many
// fields see a change: exactly one, or two names share a member.
TEST(FieldTable, EveryNameReachesItsOwnMember) {
    std::vector<const FieldDef*> all;
    for (const FieldDef& f : configFields())
        all.push_back(&f);
    for (const FieldDef& f : editorOnlyFields())
        all.push_back(&f);

    std::set<std::string> names;
    const ConfigState base;
    for (const FieldDef* f : all) {
        EXPECT_TRUE(names.insert(f->name).second) << "duplicate " << f->name;
        ConfigState s = base;
        std::visit(
            [](auto* p) {
                using T = std::remove_pointer_t<decltype(p)>;
                if constexpr (std::is_same_v<T, std::string>)
                    *p += "x";
                else if constexpr (std::is_same_v<T, bool>)
                    *p = !*p;
                else
                    *p += 7;
            },
            f->get(s));
        int changed = 0;
        for (const FieldDef* g : all) {
            const bool differs = std::visit(
                [&](auto* p) {
                    using T = std::remove_pointer_t<decltype(p)>;
                    return *p != *std::get<T*>(g->get(base));
                },
                g->get(s));
            changed += differs ? 1 : 0;
        }
        EXPECT_EQ(changed, 1) << f->name;
        EXPECT_NE(s, base) << f->name << " reaches no member of the state";
    }
}

// With every name reaching a member of its own (above), the table covers the
// whole configuration when it has one entry per field of each family.
TEST(FieldTable, HasOneEntryPerConfigurationField) {
    constexpr std::size_t perAxis = 21;     // osi_N_src .. osi_N_dzd
    constexpr std::size_t perCurve = 9 + 4; // points, curve_s, zm_knp, zm_del, zm_spd
    constexpr std::size_t expected =
        kAxisCount * perAxis + kCurveCount * perCurve + kAxisButtonRows * 4 + 4 /* sf_thr_* */ +
        1 /* vlsens */ + 2 * kMatrixPins + kShiftChains * 4 + kEncoders * 2 + kShiftKeys * 2 +
        kTimers * 2 + 4 /* led_* */ + kStepperPins + 2 /* slv_port, slv_cnfg */ + 4 /* dev_* */;
    EXPECT_EQ(configFields().size(), expected);
    EXPECT_EQ(editorOnlyFields().size(), kHubTypes + 1u);
}

} // namespace
} // namespace volmar
