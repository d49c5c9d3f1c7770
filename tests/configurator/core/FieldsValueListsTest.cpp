// The entry texts of the lists: what each index is labelled with.

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/ValueLists.h"

#include <gtest/gtest.h>

#include <string>

namespace volmar {
namespace {

TEST(PortList, IndexIsOnePlusEightTimesPortPlusBit) {
    const EntryList& ports = portList();
    ASSERT_EQ(ports.size(), 49u);
    EXPECT_EQ(ports[0], "--");
    for (int port = 0; port < 6; ++port) {
        for (int bit = 0; bit < 8; ++bit) {
            const std::string expected{static_cast<char>('A' + port), static_cast<char>('0' + bit)};
            EXPECT_EQ(ports[static_cast<std::size_t>(1 + 8 * port + bit)], expected);
        }
    }
}

// Every button list labels index k with the number k: the label the user
// picks is the button that is stored. For the shift keys this mends the old
// list that skipped "100" and so named buttons 100..127 one too high.
TEST(ButtonLabels, EntryKReadsKInShiftKeyAndButtonLists) {
    for (const EntryList* list : {&shiftKeyList(), &buttonList()}) {
        ASSERT_EQ(list->size(), list == &shiftKeyList() ? 128u : 129u);
        EXPECT_EQ((*list)[0], "--");
        for (std::size_t k = 1; k < list->size(); ++k) {
            EXPECT_EQ(std::stoi((*list)[k]), static_cast<int>(k));
            EXPECT_GE((*list)[k].size(), 2u) << "at least two digits";
        }
        // Two digits at least, never more than the number needs.
        EXPECT_EQ((*list)[1], "01");
        EXPECT_EQ((*list)[100], "100");
    }
}

TEST(LanguageLists, EnglishTexts) {
    const TRecordLng& en = englishLanguage();
    EXPECT_EQ(sourceList(en), (EntryList{"--", "Virtual", "IntSensor", "KMA200", "MCP3201",
                                         "MCP3202", "MCP3204/8", "TLE5011", "VLSens"}));
    EXPECT_EQ(acalList(en), (EntryList{"---", "auto.w center", "auto.w/o center", "saved.w center",
                                       "saved.w/o center"}));
    EXPECT_EQ(shiftTypeList(en), (EntryList{"---", "ON", "OFF"}));
    EXPECT_EQ(gridModeList(en), (EntryList{"Button(norm)", "Button(invert)", "Switch", "Switch ON",
                                           "Switch OFF", "Soft Switch", "Encoder"}));
    EXPECT_EQ(gridShiftList(en),
              (EntryList{"----------", "Shift 1", "Shift 2", "Shift 3", "Shift 4"}));
    EXPECT_EQ(gridTimerList(en), (EntryList{"----------", "Timer 1", "Timer 2", "Timer 3"}));
    const EntryList timers = timerList(en);
    ASSERT_EQ(timers.size(), 11u);
    EXPECT_EQ(timers[0], "------------");
    EXPECT_EQ(timers[1], "delay 20 ms");
    EXPECT_EQ(timers[10], "delay 200 ms");
}

TEST(LanguageLists, SizesDoNotDependOnTheLanguage) {
    // The lists store indexes, so a language change may relabel but never
    // add or drop an entry.
    TRecordLng other = englishLanguage();
    other.axis_src_virt = "Virtuell";
    other.lbl_delay = "";
    other.lbl_switch = "Schalter";
    const TRecordLng& en = englishLanguage();
    EXPECT_EQ(sourceList(other).size(), sourceList(en).size());
    EXPECT_EQ(timerList(other).size(), timerList(en).size());
    EXPECT_EQ(gridModeList(other).size(), 7u);
    EXPECT_EQ(sourceList(other)[1], "Virtuell");
    EXPECT_EQ(gridModeList(other)[3], "Schalter " + en.lbl_on);
    EXPECT_EQ(timerList(other)[2], " 40 ms");
}

TEST(LanguageIndependentLists, FixedEntries) {
    EXPECT_EQ(filterList().size(), 14u);
    EXPECT_EQ(filterList()[1], "x2");
    EXPECT_EQ(filterList()[13], "x14");
    EXPECT_EQ(pollList(), (EntryList{"-", "1", "2", "4", "8"}));
    EXPECT_EQ(precisionList(), (EntryList{"10", "11", "12", "13", "14"}));
    EXPECT_EQ(assignmentList()[8], "Dial");
    EXPECT_EQ(timerModeList(), (EntryList{"--", "ON+OFF", "ON"}));
    EXPECT_EQ(cursorAxisList().size(), 17u);
    EXPECT_EQ(hubTypeList()[0], "-------------------");
}

TEST(EntryText, OutsideTheListIsEmpty) {
    EXPECT_EQ(entryText(chipTypeList(), 2), "74HC165");
    EXPECT_EQ(entryText(chipTypeList(), 3), "");
    EXPECT_EQ(entryText(chipTypeList(), -1), "");
    EXPECT_EQ(listEntries("btn_shift_3", englishLanguage())[100], "100");
    EXPECT_EQ(listEntries("slv_type2", englishLanguage()).size(), 3u);
    EXPECT_TRUE(listEntries("dev_vid", englishLanguage()).empty());
    EXPECT_TRUE(listEntries("no_such_field", englishLanguage()).empty());
}

// The field stores red + 256 * green + 65536 * blue: red is the low byte.
TEST(LedColours, StandardColoursInTheStoredByteOrder) {
    const auto& list = ledColourList();
    ASSERT_EQ(list.size(), 16u);
    EXPECT_EQ(ledColourIndex(0), 0) << "the default colour is the first entry";
    struct Row {
        const char* name;
        ColourParts parts;
    };
    for (const Row& row :
         {Row{"Red", {255, 0, 0}}, Row{"Lime", {0, 255, 0}}, Row{"Blue", {0, 0, 255}},
          Row{"Maroon", {128, 0, 0}}, Row{"Navy", {0, 0, 128}}, Row{"Yellow", {255, 255, 0}},
          Row{"Silver", {192, 192, 192}}}) {
        const int index = ledColourIndex(colourValue(row.parts));
        ASSERT_GE(index, 0) << row.name;
        EXPECT_STREQ(list[static_cast<std::size_t>(index)].name, row.name);
        EXPECT_EQ(colourParts(list[static_cast<std::size_t>(index)].rgb), row.parts) << row.name;
    }
    EXPECT_EQ(ledColourIndex(colourValue({0xA6, 0xCA, 0xF0})), -1) << "custom";
    EXPECT_EQ(colourValue({0x1A6, -1, 0}), 0x00FFA6u) << "components keep their low 8 bits";
}

} // namespace
} // namespace volmar
