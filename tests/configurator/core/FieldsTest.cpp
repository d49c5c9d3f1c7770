// The field table: names, kinds, sizes, and that every name reaches its own
// member (a copy-paste slip in an accessor would silently alias two fields).

#include "volmar/core/ConfigFields.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/ValueLists.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <type_traits>
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
INSTANTIATE_TEST_SUITE_P(
    Families, FieldNamed,
    ::testing::Values(
        FieldCase{"osi_1_src", K::List, 9}, FieldCase{"osi_8_src_port", K::List, 49},
        FieldCase{"osi_8_src_chnl", K::List, 9}, FieldCase{"osi_5_name", K::List, 9},
        FieldCase{"osi_2_prcsn", K::List, 5}, FieldCase{"osi_3_invert", K::Check},
        FieldCase{"osi_4_filter", K::List, 14}, FieldCase{"osi_6_acal", K::List, 5},
        FieldCase{"osi_7_acal_min", K::Edit}, FieldCase{"osi_7_acal_cen", K::Edit},
        FieldCase{"osi_7_acal_max", K::Edit}, FieldCase{"osi_1_offset", K::Check},
        FieldCase{"osi_2_ms_btn_d", K::List, 129}, FieldCase{"osi_2_ms_btn", K::List, 129},
        FieldCase{"osi_2_ms_btn_u", K::List, 129}, FieldCase{"osi_8_ms_step", K::Edit},
        FieldCase{"osi_3_specfunc", K::List, 7}, FieldCase{"osi_8_dzl", K::Spin, 0, 0, 15},
        FieldCase{"osi_8_dzc", K::Spin, 0, 0, 15}, FieldCase{"osi_8_dzh", K::Spin, 0, 0, 15},
        FieldCase{"osi_8_dzd", K::Spin, 0, 0, 15}, FieldCase{"osi_1_curve_01", K::Spin, 0, 0, 200},
        FieldCase{"osi_6_curve_09", K::Spin, 0, 0, 200}, FieldCase{"osi_6_curve_s", K::Check},
        FieldCase{"osi_6_zm_knp", K::List, 129}, FieldCase{"osi_1_zm_del", K::Edit},
        FieldCase{"osi_1_zm_spd", K::Edit}, FieldCase{"ab_01_b", K::List, 129},
        FieldCase{"ab_04_a", K::List, 9}, FieldCase{"ab_02_l", K::Edit},
        FieldCase{"ab_03_h", K::Edit}, FieldCase{"sf_thr_bnom", K::List, 129},
        FieldCase{"sf_thr_bmod", K::List, 3}, FieldCase{"sf_thr_asrc", K::List, 9},
        FieldCase{"sf_thr_adsc", K::List, 9}, FieldCase{"osi_vlsens_clk", K::List, 49},
        FieldCase{"hw_br_1", K::List, 49}, FieldCase{"hw_bc_10", K::List, 49},
        FieldCase{"sr_01_len", K::List, 3}, FieldCase{"sr_02_prt", K::List, 49},
        FieldCase{"sr_02_miso", K::List, 49}, FieldCase{"sr_01_kol", K::Spin, 0, 0, 12},
        FieldCase{"enc_01_l", K::List, 129}, FieldCase{"enc_06_r", K::List, 129},
        FieldCase{"btn_shift_4", K::List, 128}, FieldCase{"typ_shift_1", K::List, 3},
        FieldCase{"btn_timer_3", K::List, 11}, FieldCase{"btn_timer_2_mode", K::List, 3},
        FieldCase{"led_ws2811", K::Check}, FieldCase{"led_max7219", K::Check},
        FieldCase{"led_color_init", K::Colour}, FieldCase{"led_digbri", K::Spin, 0, 1, 16},
        FieldCase{"stepper_pa", K::List, 49}, FieldCase{"stepper_pd", K::List, 49},
        FieldCase{"slv_port", K::List, 49}, FieldCase{"slv_cnfg", K::Edit},
        FieldCase{"dev_name", K::Edit}, FieldCase{"dev_vid", K::Edit},
        FieldCase{"dev_pid", K::Edit}, FieldCase{"dev_poll", K::List, 5}));

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

// Every member the image carries must be reachable through the table: change
// every field through it and no member may keep its start value.
TEST(FieldTable, CoversTheWholeStateButTheButtonMap) {
    ConfigState s;
    for (const FieldDef& f : configFields()) {
        std::visit(
            [](auto* p) {
                using T = std::remove_pointer_t<decltype(p)>;
                if constexpr (std::is_same_v<T, std::string>)
                    *p = "changed";
                else if constexpr (std::is_same_v<T, bool>)
                    *p = !*p;
                else
                    *p += 1000;
            },
            f.get(s));
    }
    const ConfigState b;
    for (std::size_t n = 0; n < kAxisCount; ++n) {
        const AxisFields& x = s.axes[n];
        const AxisFields& y = b.axes[n];
        EXPECT_TRUE(x.src != y.src && x.src_port != y.src_port && x.src_chnl != y.src_chnl &&
                    x.name != y.name && x.prcsn != y.prcsn && x.invert != y.invert &&
                    x.filter != y.filter && x.acal != y.acal && x.acal_min != y.acal_min &&
                    x.acal_cen != y.acal_cen && x.acal_max != y.acal_max && x.offset != y.offset &&
                    x.ms_btn_d != y.ms_btn_d && x.ms_btn != y.ms_btn && x.ms_btn_u != y.ms_btn_u &&
                    x.ms_step != y.ms_step && x.specfunc != y.specfunc && x.dzl != y.dzl &&
                    x.dzc != y.dzc && x.dzh != y.dzh && x.dzd != y.dzd)
            << "axis " << n + 1;
    }
    for (std::size_t n = 0; n < kCurveCount; ++n) {
        const CurveFields& c = s.curves[n];
        for (std::size_t k = 0; k < kCurvePoints; ++k)
            EXPECT_NE(c.points[k], b.curves[n].points[k]) << n << "," << k;
        EXPECT_TRUE(c.symmetrical && c.zm_knp != b.curves[n].zm_knp &&
                    c.zm_del != b.curves[n].zm_del && c.zm_spd != b.curves[n].zm_spd)
            << n;
    }
    for (std::size_t r = 0; r < kAxisButtonRows; ++r) {
        EXPECT_TRUE(s.ab[r].b != b.ab[r].b && s.ab[r].a != b.ab[r].a && s.ab[r].l != b.ab[r].l &&
                    s.ab[r].h != b.ab[r].h)
            << r;
    }
    for (std::size_t i = 0; i < kMatrixPins; ++i)
        EXPECT_TRUE(s.hw_br[i] != b.hw_br[i] && s.hw_bc[i] != b.hw_bc[i]) << i;
    for (std::size_t i = 0; i < kShiftChains; ++i) {
        EXPECT_TRUE(s.sr[i].len != b.sr[i].len && s.sr[i].prt != b.sr[i].prt &&
                    s.sr[i].miso != b.sr[i].miso && s.sr[i].kol != b.sr[i].kol)
            << i;
    }
    for (std::size_t i = 0; i < kEncoders; ++i)
        EXPECT_TRUE(s.enc[i].l != b.enc[i].l && s.enc[i].r != b.enc[i].r) << i;
    for (std::size_t i = 0; i < kShiftKeys; ++i)
        EXPECT_TRUE(s.btn_shift[i] != b.btn_shift[i] && s.typ_shift[i] != b.typ_shift[i]) << i;
    for (std::size_t i = 0; i < kTimers; ++i) {
        EXPECT_TRUE(s.btn_timer[i] != b.btn_timer[i] && s.btn_timer_mode[i] != b.btn_timer_mode[i])
            << i;
    }
    for (std::size_t i = 0; i < kStepperPins; ++i)
        EXPECT_NE(s.stepper[i], b.stepper[i]) << i;
    EXPECT_TRUE(s.sf_thr_bnom != b.sf_thr_bnom && s.sf_thr_bmod != b.sf_thr_bmod &&
                s.sf_thr_asrc != b.sf_thr_asrc && s.sf_thr_adsc != b.sf_thr_adsc &&
                s.osi_vlsens_clk != b.osi_vlsens_clk);
    EXPECT_TRUE(s.led_ws2811 != b.led_ws2811 && s.led_max7219 != b.led_max7219 &&
                s.led_color_init != b.led_color_init && s.led_digbri != b.led_digbri);
    EXPECT_TRUE(s.slv_port != b.slv_port && s.slv_cnfg != b.slv_cnfg && s.dev_name != b.dev_name &&
                s.dev_vid != b.dev_vid && s.dev_pid != b.dev_pid && s.dev_poll != b.dev_poll);
    EXPECT_EQ(s.buttons, b.buttons) << "the button map is not in the table";
    EXPECT_EQ(s.slv_type, b.slv_type) << "hub types are not image fields";
}

} // namespace
} // namespace volmar
