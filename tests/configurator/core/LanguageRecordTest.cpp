// The language record: field order and count, the table-line mapping with its
// five gaps, the exact English texts the report line and message boxes are
// built from, and the table parser's handling of malformed tables.

#include "volmar/core/LanguageRecord.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>

namespace volmar {
namespace {

const char* const kNeverFilled[] = {"cfg_error_o", "lbl_sinmin", "lbl_sinmax", "lbl_cosmin",
                                    "lbl_cosmax"};

std::string englishTableFile() {
    return test::readFileText(std::string(VOLMAR_TEST_DATA_DIR) + "/../../data/lang/LngEn.txt");
}

// A table whose line i reads "L<i>", so every field shows which line filled it.
std::string numberedTable(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i)
        text += "L" + std::to_string(i) + "\r\n";
    return text;
}

TEST(LanguageRecordLayout, HasAllFieldsInRecordOrderWithUniqueNames) {
    const auto& fields = languageFields();
    ASSERT_EQ(fields.size(), 183u);
    EXPECT_EQ(sizeof(TRecordLng), 183 * sizeof(std::string));
    std::set<std::string_view> names;
    for (const auto& f : fields)
        names.insert(f.name);
    EXPECT_EQ(names.size(), 183u);
    // Each entry points at its own member: writing the position through every
    // pointer must leave each position readable through its own pointer.
    TRecordLng record;
    for (std::size_t i = 0; i < fields.size(); ++i)
        record.*fields[i].member = std::to_string(i);
    for (std::size_t i = 0; i < fields.size(); ++i)
        EXPECT_EQ(record.*fields[i].member, std::to_string(i)) << fields[i].name;
    // Record order equals declaration order.
    for (std::size_t i = 1; i < fields.size(); ++i)
        EXPECT_LT(&(record.*fields[i - 1].member), &(record.*fields[i].member)) << fields[i].name;
    EXPECT_EQ(fields.front().name, "form_header");
    EXPECT_EQ(fields[69].name, "cfg_error_o");
    EXPECT_EQ(fields[70].name, "lptime");
    EXPECT_EQ(fields[129].name, "lbl_sinmin");
    EXPECT_EQ(fields[133].name, "lbl_prcsn");
    EXPECT_EQ(fields.back().name, "lbl_encsetuperror");
}

TEST(LanguageRecordLayout, LinesSkipExactlyTheFiveNeverFilledFields) {
    const auto& fields = languageFields();
    std::set<std::string_view> unfilled;
    int expectedLine = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].line == 0) {
            unfilled.insert(fields[i].name);
            continue;
        }
        EXPECT_EQ(fields[i].line, expectedLine) << fields[i].name;
        ++expectedLine;
    }
    EXPECT_EQ(expectedLine - 1, kLanguageTableLines);
    EXPECT_EQ(unfilled,
              std::set<std::string_view>(std::begin(kNeverFilled), std::end(kNeverFilled)));
}

// Record position (1-based) -> table line, at the edges of the three runs.
TEST(LanguageLineMap, TableLineFillsRecordPosition) {
    const auto record = parseLanguageTable(numberedTable(178));
    ASSERT_TRUE(record) << record.error().text;
    for (const auto& [position, line] : {std::pair{1, 1},
                                         {69, 69},
                                         {70, 0},
                                         {71, 70},
                                         {129, 128},
                                         {130, 0},
                                         {133, 0},
                                         {134, 129},
                                         {183, 178}}) {
        const auto& field = languageFields()[static_cast<std::size_t>(position - 1)];
        EXPECT_EQ(field.line, line) << field.name;
        EXPECT_EQ((*record).*field.member, line ? "L" + std::to_string(line) : "") << field.name;
    }
}

// Texts the report line, message boxes and status line are joined from; the
// trailing spaces are part of the joins.
struct TextCase {
    const char* field;
    const char* text;
};

class EnglishTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(EnglishTexts, MatchByteForByte) {
    const auto* field = findLanguageField(GetParam().field);
    ASSERT_NE(field, nullptr) << GetParam().field;
    EXPECT_EQ(englishLanguage().*field->member, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, EnglishTexts,
    ::testing::Values(
        TextCase{"cfg_error_1", "Error. Secondary using source "},
        TextCase{"cfg_error_2", "at axis #"},
        TextCase{"cfg_error_3", "Error. No assignment at axis #"},
        TextCase{"cfg_error_4", "Error. Secondary using assignment "},
        TextCase{"cfg_error_5", "Error. Match buttons 'Stop' and 'Zoom' at axis #"},
        TextCase{"cfg_error_f", "at joystick button "},
        TextCase{"cfg_error_h", "Error. No assignment for button 'Decrease' at axis #"},
        TextCase{"cfg_error_i", "Error. No assignment for button 'Increase' at axis #"},
        TextCase{"cfg_error_m", "Ok. Used axis "}, TextCase{"cfg_error_n", ", buttons"},
        TextCase{"usb_joy_two", "Two joysticks "},
        TextCase{"lbl_encsetuperror", "Encoders setup error"},
        TextCase{"plug_msg", "Plug device and click at list"},
        TextCase{"usb_connect", "Connected to"},
        TextCase{"lbl_miss_version", "Configurator version does not meet the firmware version."},
        TextCase{"dev_mlmt_msg",
                 "(Limited 6 Axis, 32 Buttons and 2 HATs. No encoders/External axis.)"},
        TextCase{"a_calibr", "0ff"}, TextCase{"lbl_raw", "row"}, TextCase{"lbl_on", "ON"},
        TextCase{"lbl_off", "OFF"}, TextCase{"lbl_btnpar_jyb", "Button"},
        TextCase{"lbl_sf_thr_btnn", "Button"}, TextCase{"lbl_delay", "delay"},
        TextCase{"lbl_delay_ms", "ms"}, TextCase{"lptime", "Loop time(ms)"},
        TextCase{"lbl_prcsn", "Precision(bit)"}, TextCase{"lbl_osi_hdz", "DZ high"}));

TEST(EnglishLanguage, NeverFilledFieldsAreEmptyAndAllOthersAreNot) {
    for (const auto& f : languageFields())
        EXPECT_EQ((englishLanguage().*f.member).empty(), f.line == 0) << f.name;
}

TEST(EnglishLanguage, DataFileParsesToTheBuiltInRecord) {
    const std::string text = englishTableFile();
    ASSERT_FALSE(text.empty());
    const auto record = parseLanguageTable(text);
    ASSERT_TRUE(record) << record.error().text;
    EXPECT_EQ(*record, englishLanguage());
    // Plain ASCII, no byte-order mark.
    for (unsigned char c : text)
        ASSERT_LT(c, 0x80);
}

// With the data file parsing to the built-in record (above), formatting
// is right when it writes that file back byte for byte.
TEST(EnglishLanguage, FormattingWritesTheDataFile) {
    EXPECT_EQ(formatLanguageTable(englishLanguage()), englishTableFile());
}

TEST(LanguageTableParser, KeepsLeadingAndTrailingSpacesAndEmptyLines) {
    std::string text;
    for (int i = 1; i <= 178; ++i)
        text += i == 47 ? "  padded  \r\n" : i == 2 ? "\r\n" : "x\r\n";
    const auto record = parseLanguageTable(text);
    ASSERT_TRUE(record) << record.error().text;
    EXPECT_EQ(record->cfg_error_1, "  padded  ");
    EXPECT_EQ(record->grp_main, "");
    EXPECT_EQ(record->form_header, "x");
}

TEST(LanguageTableParser, AcceptsAMissingFinalTerminator) {
    std::string text = numberedTable(178);
    text.resize(text.size() - 2);
    const auto record = parseLanguageTable(text);
    ASSERT_TRUE(record) << record.error().text;
    EXPECT_EQ(record->lbl_encsetuperror, "L178");
}

TEST(LanguageTableParser, RejectsMalformedTablesWithAClearError) {
    std::string lfOnly = numberedTable(178);
    std::erase(lfOnly, '\r');
    for (const auto& [text, errorPart] : std::initializer_list<std::pair<std::string, const char*>>{
             {"", "0 lines"},
             {numberedTable(177), "177 lines"},
             {numberedTable(179), "179 lines"},
             {numberedTable(178) + "\r\n", "179 lines"}, // an empty 179th line is one too many
             {lfOnly, "line 1 is not ended by CR LF"},
             {"\xEF\xBB\xBF" + numberedTable(178), "byte-order mark"}}) {
        const auto record = parseLanguageTable(text);
        ASSERT_FALSE(record) << errorPart;
        EXPECT_NE(record.error().text.find(errorPart), std::string::npos) << record.error().text;
    }
}

} // namespace
} // namespace volmar
