// Key filters and the length limits of the USB identity edits.

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <string>

namespace volmar {
namespace {

TEST(KeyFilters, AcceptTheirOwnKeysOnly) {
    struct Row {
        char32_t key;
        bool digits, hex, name;
    };
    for (const Row& c :
         {Row{U'\b', true, true, true}, Row{U'0', true, true, true}, Row{U'9', true, true, true},
          Row{U'A', false, true, true}, Row{U'F', false, true, true}, Row{U'G', false, false, true},
          Row{U'a', false, false, true}, Row{U'z', false, false, true},
          Row{U' ', false, false, true}, Row{U'(', false, false, true},
          Row{U']', false, false, true}, Row{U'_', false, false, true},
          Row{U'-', false, false, true}, Row{U'.', false, false, false},
          Row{U'@', false, false, false}, Row{U'{', false, false, false},
          Row{U'\u00E4', false, false, false}, Row{U'\r', false, false, false}}) {
        SCOPED_TRACE(static_cast<int>(c.key));
        EXPECT_EQ(DigitControl(c.key), c.digits);
        EXPECT_EQ(HexDigitControl(c.key), c.hex);
        EXPECT_EQ(dev_nameKeyPress(c.key), c.name);
    }
}

class LengthLimits : public ::testing::Test {
protected:
    ConfigState s = startupState(englishLanguage());
    RunOutcome change() { return dev_vidChange(s, englishLanguage(), true); }
};

TEST_F(LengthLimits, IdsKeepFourAndTheNameTwentyCharacters) {
    s.dev_vid = "12345";
    s.dev_pid = "ABC";
    s.dev_name = "Volmar2 Pedals Deluxe ed";
    s.chk_report_info = "stale";
    s.ConfigHasErrors = true;
    s.curves[0].zm_del = "0";
    change();
    EXPECT_EQ(s.dev_vid, "1234");
    EXPECT_EQ(s.dev_pid, "ABC");
    EXPECT_EQ(s.dev_name, "Volmar2 Pedals Delux");
    // Validation ran afterwards: a fresh report and its repairs.
    EXPECT_FALSE(s.ConfigHasErrors);
    EXPECT_EQ(s.chk_report_info,
              englishLanguage().cfg_error_m + " 0" + englishLanguage().cfg_error_n + " 0.");
    EXPECT_EQ(s.curves[0].zm_del, "2");
}

TEST_F(LengthLimits, NameIsCutByCharactersNotBytes) {
    std::string name;
    for (int i = 0; i < 25; ++i)
        name += "\xC3\x84"; // U+00C4, two bytes in UTF-8
    s.dev_name = name;
    change();
    EXPECT_EQ(s.dev_name, name.substr(0, 40));
    s.dev_name = "abcdefghijklmnopqrs\xC3\x84xyz";
    change();
    EXPECT_EQ(s.dev_name, "abcdefghijklmnopqrs\xC3\x84");
}

} // namespace
} // namespace volmar
