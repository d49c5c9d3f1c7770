// The built-in language tables: the program embeds exactly the files of
// data/lang in `Translate` order; each translation keeps the English table's
// form (lines, the spaces messages are joined at, fixed tokens) and is really
// translated; the lists built from it stay unambiguous; and the `Translate`
// texts that choose a table.

#include "volmar/core/LanguageTables.h"
#include "volmar/core/ButtonMap.h"
#include "volmar/core/ProgramSettings.h"
#include "volmar/core/ValueLists.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <set>
#include <vector>

namespace volmar {
namespace {

struct Table {
    int index;
    const char* file;
    const char* lang;
};

const Table kTables[] = {
    {0, "LngRu.txt", "ru"}, {1, "LngDe.txt", "de"}, {2, "LngEn.txt", "en"}, {3, "LngHr.txt", "hr"}};
const Table kTranslations[] = {kTables[0], kTables[1], kTables[3]};

void PrintTo(const Table& table, std::ostream* out) {
    *out << table.file;
}

// Lines that read the same as English (letter case aside) because the word
// is the same in that language or is a unit or abbreviation kept as it is.
struct SameAsEnglish {
    int line;
    const char* langs;
    const char* reason;
};
const SameAsEnglish kSameAsEnglish[] = {
    {31, "de", "\"Filter\" is the German word"},
    {75, "hr", "\"p\" abbreviates pritisnuta (pressed)"},
    {77, "de hr", "\"s\" abbreviates Schalter / sklopka (switch)"},
    {78, "de", "\"Joystick\" is the German word"},
    {92, "de", "\"Chip\" is the German word"},
    {104, "de hr", "\"Firmware\" is used unchanged in German and Croatian"},
    {109, "de hr", "the abbreviation \"min\" is the same"},
    {110, "de", "the abbreviation \"max\" is the same"},
    {112, "ru de hr", "the unit \"fps\" is kept"},
    {135, "hr", "the key name \"Shift\" is used as it is in Croatian"},
    {136, "de", "\"Timer\" is the German word"},
    {157, "ru de hr", "the unit \"ms\" is kept"},
    {161, "de hr", "\"Minimum\" is the German and the Croatian word"},
    {163, "de", "\"Maximum\" is the German word"},
    {168, "hr", "\"port\" is the Croatian term for a microcontroller port"},
};

// Names and units every translation must carry where English has them.
const char* const kTokens[] = {"MAX7219", "WS2811", "EEPROM", "USB", "COM", "SPI-CS", "GMR",
                               "HAT",     "DZ",     "B4",     "B5",  "ms",  "kB"};

std::string tableFile(const char* name) {
    return test::readFileText(std::string(VOLMAR_TEST_DATA_DIR) + "/../../data/lang/" + name);
}

std::vector<std::string> tableLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find("\r\n", pos);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::string folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// `token` stands in `line` as a word of its own (so "ms" is not found in "params").
bool hasToken(const std::string& line, const std::string& token) {
    const auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)); };
    for (std::size_t at = line.find(token); at != std::string::npos;
         at = line.find(token, at + 1)) {
        const std::size_t after = at + token.size();
        if ((at == 0 || !isWordChar(line[at - 1])) &&
            (after == line.size() || !isWordChar(line[after])))
            return true;
    }
    return false;
}

// Well-formed UTF-8 without control characters (a table saved in an 8-bit
// code page, or with a stray tab, fails here).
bool plainUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : -1;
        if (more < 0 || (c < 0x20 && c != '\r' && c != '\n') || (c >= 0xC0 && c < 0xC2))
            return false;
        for (int k = 1; k <= more; ++k) {
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        }
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

std::size_t leadingSpaces(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos ? s.size() : s.find_first_not_of(' ');
}

std::size_t trailingSpaces(const std::string& s) {
    return s.find_last_not_of(' ') == std::string::npos ? s.size()
                                                        : s.size() - 1 - s.find_last_not_of(' ');
}

TEST(LanguageTables, ProgramEmbedsTheDataFilesInTranslateOrder) {
    for (const Table& t : kTables) {
        const std::string file = tableFile(t.file);
        ASSERT_FALSE(file.empty()) << t.file;
        EXPECT_EQ(languageTableText(t.index), file) << t.file;
        EXPECT_EQ(tableLines(file).size(), 178u) << t.file;
        EXPECT_TRUE(plainUtf8(file)) << t.file;
    }
    EXPECT_TRUE(languageTableText(-1).empty());
    EXPECT_TRUE(languageTableText(kLanguageCount).empty());
    // The English table is the one the rest of the program already shows.
    ASSERT_NE(languageRecord(2), nullptr);
    EXPECT_EQ(*languageRecord(2), englishLanguage());
}

class Translation : public ::testing::TestWithParam<Table> {
protected:
    void SetUp() override {
        english = tableLines(tableFile("LngEn.txt"));
        lines = tableLines(tableFile(GetParam().file));
        ASSERT_EQ(english.size(), 178u);
        ASSERT_EQ(lines.size(), 178u);
    }
    std::vector<std::string> english;
    std::vector<std::string> lines;
};

TEST_P(Translation, KeepsTheSpacesMessagesAreJoinedAtAndEveryToken) {
    for (std::size_t i = 0; i < english.size(); ++i) {
        const std::string& en = english[i];
        const std::string& tr = lines[i];
        const std::string where = "line " + std::to_string(i + 1) + ": \"" + tr + "\"";
        EXPECT_EQ(tr.empty(), en.empty()) << where;
        EXPECT_EQ(leadingSpaces(tr), leadingSpaces(en)) << where;
        EXPECT_EQ(trailingSpaces(tr), trailingSpaces(en)) << where;
        for (const char* token : kTokens)
            EXPECT_TRUE(!hasToken(en, token) || hasToken(tr, token)) << where << " lost " << token;
        // Quoted names and the "#" before an axis number survive.
        for (char c : {'\'', '#'})
            EXPECT_EQ(std::count(tr.begin(), tr.end(), c), std::count(en.begin(), en.end(), c))
                << where;
    }
}

TEST_P(Translation, LeavesNoLineInEnglishButTheListedOnes) {
    const std::string lang = GetParam().lang;
    std::set<int> allowed;
    for (const SameAsEnglish& s : kSameAsEnglish) {
        if (std::string_view(s.langs).find(lang) != std::string_view::npos)
            allowed.insert(s.line);
    }
    for (std::size_t i = 0; i < english.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        const bool same = !english[i].empty() && folded(lines[i]) == folded(english[i]);
        // An entry that no longer matches must leave the list, so the list
        // never hides a line that was later left in English.
        EXPECT_EQ(same, allowed.count(line) == 1) << "line " << line << ": \"" << lines[i] << "\"";
    }
}

TEST_P(Translation, RecordAndTheListsBuiltFromItStayUnambiguous) {
    const TRecordLng* lng = languageRecord(GetParam().index);
    ASSERT_NE(lng, nullptr);
    for (const LanguageFieldDef& f : languageFields())
        EXPECT_EQ((lng->*f.member).empty(), f.line == 0) << f.name;
    // Entries are chosen by index, but the grid's in-cell editors find the
    // entry by its text: two equal entries would pick the wrong one.
    EntryList rowNames;
    for (int row = 1; row <= 132; ++row)
        rowNames.push_back(gridRowName(row, *lng));
    const std::pair<EntryList, std::size_t> lists[] = {
        {sourceList(*lng), 9},    {acalList(*lng), 5},     {shiftTypeList(*lng), 3},
        {timerList(*lng), 11},    {gridModeList(*lng), 7}, {gridShiftList(*lng), 5},
        {gridTimerList(*lng), 4}, {rowNames, 132}};
    for (const auto& [entries, size] : lists) {
        EXPECT_EQ(entries.size(), size) << entries.front();
        EXPECT_EQ(std::set<std::string>(entries.begin(), entries.end()).size(), size)
            << entries.front() << " ... " << entries.back();
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, Translation, ::testing::ValuesIn(kTranslations),
                         [](const auto& info) { return std::string(info.param.lang); });

TEST(LanguageIndex, OnlyTheFourEntriesChooseATable) {
    EXPECT_EQ(languageNames()[0].front(), 'P'); // Latin capital P, as settings files hold it
    for (int i = 0; i < kLanguageCount; ++i)
        EXPECT_EQ(languageIndex(languageNames()[static_cast<std::size_t>(i)]), i);
    EXPECT_EQ(languageIndex("P\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9(Russian)"), 0);
    EXPECT_EQ(languageIndex(ProgramSettings{}.Translate), 0);
    for (const char* unknown : {"\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9(Russian)",
                                "english", "English ", " Deutsch", "Hrvatski\r", "", "LngEn"})
        EXPECT_EQ(languageIndex(unknown), std::nullopt) << unknown;
    EXPECT_EQ(languageRecord(-1), nullptr);
    EXPECT_EQ(languageRecord(kLanguageCount), nullptr);
}

} // namespace
} // namespace volmar
