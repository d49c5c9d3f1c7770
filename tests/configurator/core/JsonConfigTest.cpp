// The JSON form of a configuration: its shape, the trip of every field
// through it, the values it refuses because the image would not keep them,
// the texts it leaves to the encoder's conversion message, and the diff.

#include "volmar/core/ConfigFields.h"
#include "volmar/core/ConfigJson.h"
#include "volmar/core/ImageCodec.h"

#include "ResultAssert.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace volmar {
namespace {

using json = nlohmann::ordered_json;

// A value of the field's kind that differs from what `s` holds and that the
// image stores as it is.
json otherValue(const FieldDef& f, const ConfigState& s) {
    const FieldRef ref = f.get(s);
    switch (f.kind) {
    case FieldKind::List: {
        const int cur = *std::get<int*>(ref);
        return cur == f.entries - 1 ? 1 : f.entries - 1;
    }
    case FieldKind::Spin: {
        const int cur = *std::get<int*>(ref);
        return cur == f.max ? f.min : f.max;
    }
    case FieldKind::Check:
        return !*std::get<bool*>(ref);
    case FieldKind::Colour:
        return 0x123456;
    case FieldKind::Edit:
        break;
    }
    if (f.name == "dev_vid" || f.name == "dev_pid")
        return "1A2B";
    if (f.name == "dev_name")
        return "Pad (2)_x";
    if (f.name.find("acal_") != std::string::npos)
        return "4464";
    return "123";
}

class EveryField : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryField, SurvivesJsonBothWays) {
    const FieldDef* f = findField(GetParam());
    ASSERT_NE(f, nullptr);
    ConfigState source;
    json patch = json::object();
    patch[f->name] = otherValue(*f, source);
    ASSERT_TRUE(test::isOk(applyConfigJson(patch, source)));
    ASSERT_NE(source, ConfigState{}) << "the value did not change the field";

    ConfigState target;
    ASSERT_TRUE(test::isOk(applyConfigJson(configToJson(source), target)));
    EXPECT_EQ(target, source);
}

std::vector<std::string> allFieldNames() {
    std::vector<std::string> names;
    for (const FieldDef& f : configFields())
        names.push_back(f.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Table, EveryField, ::testing::ValuesIn(allFieldNames()),
                         [](const auto& info) { return info.param; });

TEST(JsonShape, KindsMapToJsonTypesAndResultsAreIncluded) {
    ConfigState s;
    s.chk_report_info = "Ok. Used axis 0, buttons 0.";
    s.ConfigHasErrors = true;
    const json j = configToJson(s);
    EXPECT_EQ(j.size(), configFields().size() + 5);
    for (const FieldDef& f : configFields()) {
        ASSERT_TRUE(j.contains(f.name)) << f.name;
        const json& v = j[f.name];
        EXPECT_TRUE(f.kind == FieldKind::Edit    ? v.is_string()
                    : f.kind == FieldKind::Check ? v.is_boolean()
                                                 : v.is_number_integer())
            << f.name;
    }
    // Lists with no entry export as -1, not as some wrapped value.
    EXPECT_EQ(j["osi_1_src_port"], -1);
    EXPECT_EQ(j["report"], "Ok. Used axis 0, buttons 0.");
    EXPECT_EQ(j["errors"], true);
    EXPECT_FALSE(j.contains("joy_hardware"));
    EXPECT_FALSE(j.contains("slv_type1"));
}

// What the file is comes first; a file without it (written before the keys
// existed) and one with version 1 read alike.
TEST(JsonShape, FormatAndVersionLeadAndAreOptionalOnInput) {
    const json j = configToJson(ConfigState{});
    ASSERT_GE(j.size(), 2u);
    EXPECT_EQ(j.begin().key(), "format");
    EXPECT_EQ(j.begin().value(), "volmar-config");
    EXPECT_EQ(std::next(j.begin()).key(), "version");
    EXPECT_EQ(std::next(j.begin()).value(), 1);

    for (const json& input :
         {json{{"dev_name", "Pad"}},
          json{{"format", "volmar-config"}, {"version", 1}, {"dev_name", "Pad"}},
          json{{"version", 1}, {"dev_name", "Pad"}}}) {
        ConfigState s;
        EXPECT_TRUE(test::isOk(applyConfigJson(input, s))) << input.dump();
        EXPECT_EQ(s.dev_name, "Pad");
    }
}

TEST(JsonShape, ButtonsHoldGridRowsOneTo132) {
    ConfigState s;
    s.buttons.hw[1] = 7; // hat up
    s.buttons.hw[5] = 12;
    s.buttons.mode[5] = 1;
    s.buttons.shift[5] = 2;
    s.buttons.timer[5] = 3;
    s.buttons.hw[132] = 128;
    const json rows = configToJson(s)["buttons"];
    ASSERT_EQ(rows.size(), 132u);
    EXPECT_EQ(rows[0], (json{{"hw", 7}, {"mode", 0}, {"shift", 0}, {"timer", 0}}));
    EXPECT_EQ(rows[4], (json{{"hw", 12}, {"mode", 1}, {"shift", 2}, {"timer", 3}}));
    EXPECT_EQ(rows[131]["hw"], 128);
}

TEST(JsonShape, ColourIsRedPlus256GreenPlus65536Blue) {
    ConfigState s;
    s.led_color_init = 0xFF; // pure red
    EXPECT_EQ(configToJson(s)["led_color_init"], 255);
    // red 3, green 2, blue 1
    json patch = {{"led_color_init", 3 + 256 * 2 + 65536 * 1}};
    ASSERT_TRUE(test::isOk(applyConfigJson(patch, s)));
    EXPECT_EQ(s.led_color_init, 0x010203u) << "blue, green, red from the high byte down";
}

TEST(JsonApply, MissingFieldsKeepTheirValueAndResultsAreNotRead) {
    ConfigState s;
    s.dev_name = "Keep";
    s.buttons.hw[9] = 3;
    s.chk_report_info = "before";
    const json patch = {{"osi_2_src", 1},
                        {"report", "anything"},
                        {"errors", true},
                        {"buttons", json::array({json::object(), {{"hw", 4}}})}};
    ASSERT_TRUE(test::isOk(applyConfigJson(patch, s)));
    EXPECT_EQ(s.axes[1].src, 1);
    EXPECT_EQ(s.dev_name, "Keep");
    EXPECT_EQ(s.buttons.hw[1], 0);
    EXPECT_EQ(s.buttons.hw[2], 4);
    EXPECT_EQ(s.buttons.hw[9], 3);
    EXPECT_EQ(s.chk_report_info, "before");
    EXPECT_FALSE(s.ConfigHasErrors);
}

struct Refusal {
    const char* name;
    json input;
    const char* mustName; // the field (and why) the message has to name
};

class JsonRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(JsonRefuses, NamesTheFieldAndChangesNothing) {
    ConfigState s;
    s.dev_name = "Untouched";
    const ConfigState before = s;
    const Status applied = applyConfigJson(GetParam().input, s);
    ASSERT_FALSE(applied.ok());
    EXPECT_NE(applied.error().text.find(GetParam().mustName), std::string::npos)
        << applied.error().text;
    EXPECT_EQ(s, before);
}

json rows(std::size_t count, const json& last) {
    json a = json::array();
    for (std::size_t i = 1; i < count; ++i)
        a.push_back(json::object());
    a.push_back(last);
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Values, JsonRefuses,
    ::testing::Values(
        Refusal{"NotAnObject", json::array(), "expected a JSON object"},
        Refusal{"UnknownField", {{"osi_9_src", 1}}, "unknown field \"osi_9_src\""},
        Refusal{"EditorOnlyField", {{"slv_type1", 1}}, "unknown field \"slv_type1\""},
        Refusal{"ListAsText", {{"osi_3_src", "2"}}, "osi_3_src: expected an integer"},
        Refusal{"ListAsFraction", {{"osi_3_src", 2.5}}, "osi_3_src: expected an integer"},
        Refusal{"ListAsBool", {{"osi_3_src", true}}, "osi_3_src: expected an integer"},
        Refusal{"ListPastLastEntry", {{"osi_3_src", 9}}, "osi_3_src: 9 is outside -1..8"},
        Refusal{"ListBelowNone", {{"hw_br_1", -2}}, "hw_br_1: -2 is outside -1..48"},
        Refusal{"PortPast48", {{"slv_port", 49}}, "slv_port: 49"},
        Refusal{"ShiftKeyPast127", {{"btn_shift_1", 128}}, "btn_shift_1: 128 is outside -1..127"},
        Refusal{"HugeNumber", {{"osi_1_name", 18446744073709551615ull}}, "osi_1_name"},
        Refusal{"SpinAboveRange", {{"osi_1_dzl", 16}}, "osi_1_dzl: 16 is outside 0..15"},
        Refusal{"SpinBelowRange", {{"led_digbri", 0}}, "led_digbri: 0 is outside 1..16"},
        Refusal{"ChipCount", {{"sr_02_kol", 13}}, "sr_02_kol"},
        Refusal{"CurvePoint", {{"osi_6_curve_09", 201}}, "osi_6_curve_09"},
        Refusal{"CheckAsNumber", {{"osi_1_invert", 1}}, "osi_1_invert: expected true or false"},
        Refusal{"ColourTooBig", {{"led_color_init", 0x1000000}}, "led_color_init"},
        Refusal{"ColourNegative", {{"led_color_init", -1}}, "led_color_init"},
        Refusal{"EditAsNumber", {{"dev_name", 5}}, "dev_name: expected a string"},
        // The image keeps the low bits only; the file would read back as 4464.
        Refusal{"CalibrationWiderThan16Bits", {{"osi_1_acal_min", "70000"}}, "osi_1_acal_min"},
        Refusal{"CalibrationLeadingZero", {{"osi_2_acal_cen", "0100"}}, "osi_2_acal_cen"},
        Refusal{"LenientGarbage", {{"ab_01_l", "abc"}}, "ab_01_l"},
        Refusal{"LenientEmpty", {{"slv_cnfg", ""}}, "slv_cnfg"},
        Refusal{"StepWiderThanAByte", {{"osi_1_ms_step", "300"}}, "osi_1_ms_step"},
        Refusal{"StepWithSign", {{"osi_1_ms_step", "+5"}}, "osi_1_ms_step"},
        Refusal{"NegativeDivisor", {{"osi_1_zm_del", "-1"}}, "osi_1_zm_del"},
        // Three digits store 0x03, 0x12 and read back as 1203.
        Refusal{"VidOfThreeDigits", {{"dev_vid", "123"}}, "dev_vid"},
        Refusal{"VidLowerCase", {{"dev_vid", "1a2b"}}, "dev_vid"},
        Refusal{"PidOfFiveDigits", {{"dev_pid", "12345"}}, "dev_pid"},
        Refusal{"NameOf21Characters", {{"dev_name", "ABCDEFGHIJKLMNOPQRSTU"}}, "dev_name"},
        Refusal{"NameBeyondLatin1", {{"dev_name", "\xC4\x80"}}, "dev_name"},
        Refusal{"NameWithNul", {{"dev_name", std::string("A\0B", 3)}}, "dev_name"},
        Refusal{"ButtonsNotArray", {{"buttons", 5}}, "buttons: expected an array"},
        Refusal{"Buttons133Rows", {{"buttons", rows(133, json::object())}}, "buttons: 133 rows"},
        Refusal{"ButtonRowNotObject", {{"buttons", json::array({1})}}, "buttons row 1"},
        Refusal{"ButtonUnknownKey", {{"buttons", rows(2, {{"hwb", 1}})}}, "buttons row 2"},
        Refusal{"ButtonHwPast128", {{"buttons", rows(5, {{"hw", 129}})}}, "buttons row 5 hw"},
        Refusal{"ButtonHwNegative", {{"buttons", rows(5, {{"hw", -1}})}}, "buttons row 5 hw"},
        Refusal{"ButtonModePast6", {{"buttons", rows(5, {{"mode", 7}})}}, "buttons row 5 mode"},
        Refusal{"ButtonShiftPast4", {{"buttons", rows(6, {{"shift", 5}})}}, "buttons row 6 shift"},
        Refusal{"ButtonTimerPast3", {{"buttons", rows(7, {{"timer", 4}})}}, "buttons row 7 timer"},
        Refusal{"ButtonTimerAsText",
                {{"buttons", rows(7, {{"timer", "1"}})}},
                "buttons row 7 timer: expected an integer"},
        // The image keeps modes for rows 1..36 only.
        Refusal{"ModeOnRow37", {{"buttons", rows(37, {{"mode", 1}})}}, "buttons row 37 mode"},
        Refusal{"ShiftOnRow132", {{"buttons", rows(132, {{"shift", 1}})}}, "buttons row 132 shift"},
        // A valid field before the bad one must not stay applied.
        Refusal{"LaterFieldBad", {{"dev_name", "Changed"}, {"osi_1_src", 99}}, "osi_1_src"},
        // What the file says it is: another format, a newer or a broken version.
        Refusal{
            "OtherFormat", {{"format", "volmar-settings"}}, "format: \"volmar-settings\" is not"},
        Refusal{"FormatAsNumber", {{"format", 1}}, "format: 1 is not a Volmar configuration"},
        Refusal{"NewerVersion",
                {{"format", "volmar-config"}, {"version", 2}, {"dev_name", "Changed"}},
                "version: this configuration is format version 2, newer than the version 1"},
        Refusal{"VersionAsText", {{"version", "1"}}, "version: expected a version number"},
        Refusal{"VersionZero", {{"version", 0}}, "version: expected a version number"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonAccepts, ValuesAtTheEdges) {
    struct Accepted {
        const char* name;
        json input;
    };
    const Accepted accepted[] = {
        Accepted{"ListNone", {{"osi_1_src_port", -1}}},
        Accepted{"LastPort", {{"osi_1_src_port", 48}}},
        Accepted{"LastShiftKey", {{"btn_shift_4", 127}}},
        Accepted{"StepZeroAnd255", {{"osi_1_ms_step", "0"}, {"osi_2_ms_step", "255"}}},
        Accepted{"Calibration65535", {{"osi_8_acal_max", "65535"}}},
        Accepted{"Name20Characters", {{"dev_name", "ABCDEFGHIJKLMNOPQRST"}}},
        Accepted{"EmptyName", {{"dev_name", ""}}},
        // Bytes 128..255 read from an image come back as U+0080..U+00FF.
        Accepted{"NameLatin1", {{"dev_name", "Gr\xC3\xBC\xC3\x9F"}}},
        Accepted{"White", {{"led_color_init", 0xFFFFFF}}},
        Accepted{"Row36Modes",
                 {{"buttons", rows(36, {{"hw", 128}, {"mode", 6}, {"shift", 4}, {"timer", 3}})}}},
        Accepted{"Row132Hw", {{"buttons", rows(132, {{"hw", 128}, {"mode", 0}})}}}};
    for (const Accepted& c : accepted) {
        ConfigState s;
        EXPECT_TRUE(test::isOk(applyConfigJson(c.input, s))) << c.name;
    }
}

// Texts the strict conversion refuses pass the JSON check so that encoding
// stops with the same message a save would show.
TEST(JsonDefersToEncoder, EncodingStopsWithTheConversionMessage) {
    using Edit = std::pair<const char*, const char*>;
    for (const auto& [field, text] : {Edit{"osi_1_ms_step", ""}, Edit{"osi_4_zm_del", "two"},
                                      Edit{"dev_vid", "12"}, Edit{"dev_pid", "12G4"}}) {
        ConfigState s;
        ASSERT_TRUE(test::isOk(applyConfigJson(json{{field, text}}, s)));
        ConfigImage image{};
        DescriptorLog log;
        EXPECT_EQ(ConfigToReport(s, image, log).conversionError,
                  std::string("'") + text + "' is not a valid integer value")
            << field;
    }
}

TEST(ConfigDiff, OneLinePerFieldAndPerButtonRowInTableOrder) {
    ConfigState a;
    ConfigState b;
    a.axes[2].src = 2;
    b.axes[2].src = 0;
    a.axes[0].invert = true;
    b.dev_name = "Pad 2";
    b.led_color_init = 255;
    a.buttons.hw[1] = 7;
    a.buttons.hw[5] = 12;
    a.buttons.mode[5] = 1;
    b.buttons.timer[132] = 3;
    const std::vector<std::string> expected = {
        "osi_1_invert: true -> false", "osi_3_src: 2 -> 0",
        "led_color_init: 0 -> 255",    "dev_name: \"Volmar\" -> \"Pad 2\"",
        "Hat Up: hw 7 -> 0",           "Button 1: hw 12 -> 0, mode 1 -> 0",
        "Button 128: timer 0 -> 3",
    };
    EXPECT_EQ(diffConfigs(a, b), expected);
}

// The grid's own names: the four hat directions, then joystick buttons from 1.
TEST(ConfigDiff, RowsAreNamedAsTheGridNamesThem) {
    const std::pair<int, const char*> rows[] = {{1, "Hat Up"},   {2, "Hat Right"},
                                                {3, "Hat Down"}, {4, "Hat Left"},
                                                {5, "Button 1"}, {132, "Button 128"}};
    for (const auto& [row, name] : rows) {
        ConfigState a;
        ConfigState b;
        b.buttons.hw[static_cast<std::size_t>(row)] = 1;
        EXPECT_EQ(diffConfigs(a, b), std::vector<std::string>{std::string(name) + ": hw 0 -> 1"});
    }
}

TEST(ConfigDiff, NoLinesForEqualFieldsAndTrailingSpacesInTextsShow) {
    ConfigState a;
    a.chk_report_info = "one";
    ConfigState b;
    b.chk_report_info = "other"; // results are not fields
    EXPECT_TRUE(diffConfigs(a, b).empty());
    b.dev_name = "Volmar ";
    EXPECT_EQ(diffConfigs(a, b), std::vector<std::string>{"dev_name: \"Volmar\" -> \"Volmar \""});
}

} // namespace
} // namespace volmar
