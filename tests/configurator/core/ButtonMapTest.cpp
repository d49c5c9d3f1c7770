// The button grid's edit operations, encoder detection and display texts.

#include "volmar/core/ButtonMap.h"
#include "volmar/core/LanguageRecord.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace volmar {
namespace {

constexpr int kRowButton7 = 11; // joystick button k sits on row k + 4

class Grid : public ::testing::Test {
protected:
    const TRecordLng& en = englishLanguage();
    ConfigState s = startupState(englishLanguage());
    GridEditState edit;

    EditorOpening open(int col, int row) {
        EXPECT_TRUE(KnpGridSelectCell(edit, col, row));
        return KnpGridDblClick(edit, s, en);
    }
    std::string cell(int col, int row) { return gridCellText(s, col, row, en); }
};

TEST_F(Grid, HeadingCellsCannotBeSelected) {
    for (auto [col, row] : std::initializer_list<std::pair<int, int>>{
             {0, 5}, {2, 0}, {0, 0}, {5, 5}, {1, 133}, {-1, 3}})
        EXPECT_FALSE(KnpGridSelectCell(edit, col, row)) << col << "," << row;
    EXPECT_EQ(edit, GridEditState{});
    EXPECT_TRUE(KnpGridSelectCell(edit, 4, 132));
    EXPECT_EQ(edit.col, 4);
    EXPECT_EQ(edit.row, 132);
}

TEST_F(Grid, NothingOpensBeforeASelection) {
    const EditorOpening o = KnpGridDblClick(edit, s, en);
    EXPECT_EQ(o.editor, GridEditor::None);
    EXPECT_FALSE(edit.editing);
    // A live button press now must not land anywhere.
    KnpGridSelectCell(edit, 1, 6);
    EXPECT_FALSE(KnpGridLiveButton(edit, s, 33).committed);
    EXPECT_EQ(s.buttons.hw[6], 0);
}

TEST_F(Grid, EditorOpensOnTheRecordedSelection) {
    s.buttons.hw[9] = 12;
    s.buttons.shift[20] = 3;
    EditorOpening o = open(1, 9);
    EXPECT_EQ(o.editor, GridEditor::Number);
    EXPECT_EQ(o.text, "12");
    EXPECT_EQ(o.row, 9);
    EXPECT_TRUE(edit.editing);

    o = open(3, 20);
    EXPECT_EQ(o.editor, GridEditor::Shift);
    EXPECT_EQ(o.entry, 3);
    EXPECT_EQ(o.col, 3);

    s.buttons.timer[21] = 3;
    o = open(4, 21);
    EXPECT_EQ(o.editor, GridEditor::Timer);
    EXPECT_EQ(o.entry, 3);
}

TEST_F(Grid, NumberCommitStoresTheButtonOrNone) {
    struct Row {
        const char* typed;
        int stored;
        const char* shown;
    };
    for (const auto& [typed, stored, shown] :
         {Row{"12", 12, "12"}, Row{"128", 128, "128"}, Row{"129", 0, "-----"},
          Row{"200", 0, "-----"}, Row{"0", 0, "-----"}, Row{"", 0, "-----"}, Row{"abc", 0, "-----"},
          Row{"007", 7, "7"}, Row{"-5", 0, "-----"}}) {
        SCOPED_TRACE(typed);
        s.buttons.hw[30] = 99;
        s.buttons.mode[60] = 2; // joystick button 56: the axis rules take this back
        s.ConfigHasErrors = true;
        open(1, 30);
        KnpGrid_CB_NumberExit(edit, s, typed, en, true);
        EXPECT_EQ(s.buttons.hw[30], stored);
        EXPECT_EQ(cell(1, 30), shown);
        EXPECT_FALSE(edit.editing);
        EXPECT_EQ(edit.visible, GridEditor::None);
        EXPECT_EQ(s.buttons.mode[60], 0) << "the axis rules ran";
        EXPECT_FALSE(s.ConfigHasErrors) << "validation ran: " << s.chk_report_info;
    }
}

TEST_F(Grid, RefusedNumberShowsNoneInTheEditorEvenWhenNotEditing) {
    open(1, 8);
    EXPECT_EQ(KnpGrid_CB_NumberChange(edit, s, "200").editorText, "-----");
    const NumberCommit late = KnpGrid_CB_NumberChange(edit, s, "129");
    EXPECT_FALSE(late.committed);
    EXPECT_EQ(late.editorText, "-----");
    EXPECT_EQ(KnpGrid_CB_NumberChange(edit, s, "17").editorText, "17");
}

TEST_F(Grid, EncoderInputSwitchesTheRowToEncoderMode) {
    s.enc[1].l = 12;
    s.enc[1].r = 13;
    open(1, kRowButton7);
    const NumberCommit c = KnpGrid_CB_NumberChange(edit, s, "12");
    EXPECT_TRUE(c.encoderBound);
    EXPECT_EQ(std::tie(s.buttons.mode[kRowButton7], s.buttons.timer[kRowButton7], s.btn_timer[0],
                       s.btn_timer_mode[0]),
              std::make_tuple(kModeEncoder, 1, 1, 1));
    EXPECT_EQ(cell(2, kRowButton7), "Encoder");
    EXPECT_EQ(cell(4, kRowButton7), "Timer 1");
}

TEST_F(Grid, EncoderDetectionKeepsAConfiguredTimer) {
    s.enc[5].r = 40;
    s.btn_timer[0] = 4;
    s.btn_timer_mode[0] = 2;
    open(1, 6);
    KnpGrid_CB_NumberChange(edit, s, "40");
    EXPECT_EQ(std::tie(s.buttons.mode[6], s.btn_timer[0], s.btn_timer_mode[0]),
              std::make_tuple(kModeEncoder, 4, 2));
}

TEST_F(Grid, SoftSwitchRowOnlyTakesTheNumber) {
    s.enc[1].l = 12;
    s.buttons.mode[kRowButton7] = kModeSoftSwitch;
    open(1, kRowButton7);
    EXPECT_FALSE(KnpGrid_CB_NumberChange(edit, s, "12").encoderBound);
    EXPECT_EQ(std::tie(s.buttons.hw[kRowButton7], s.buttons.mode[kRowButton7],
                       s.buttons.timer[kRowButton7], s.btn_timer[0]),
              std::make_tuple(12, kModeSoftSwitch, 0, 0));
}

TEST_F(Grid, NoneIsNeverAnEncoderInput) {
    // Unset encoders hold 0; unbinding a row must not turn it into an encoder.
    open(1, 7);
    EXPECT_FALSE(KnpGrid_CB_NumberChange(edit, s, "0").encoderBound);
    EXPECT_EQ(s.buttons.mode[7], 0);
}

TEST_F(Grid, LeavingTheModeEditorWithoutAChoiceKeepsTheMode) {
    s.buttons.mode[kRowButton7] = kModeEncoder;
    const EditorOpening o = open(2, kRowButton7);
    EXPECT_EQ(o.editor, GridEditor::Mode);
    EXPECT_EQ(o.entry, kModeEncoder);
    KnpGrid_CB_ModeExit(edit, s, o.entry, en, true);
    EXPECT_EQ(cell(2, kRowButton7), "Encoder");

    // A value no entry stands for opens with no entry and is kept as well.
    s.buttons.mode[8] = 7;
    const EditorOpening none = open(2, 8);
    EXPECT_EQ(none.entry, -1);
    KnpGrid_CB_ModeExit(edit, s, none.entry, en, true);
    EXPECT_EQ(s.buttons.mode[8], 7);
}

TEST_F(Grid, SecondCommitAfterAChangeOnlyHides) {
    open(2, 10);
    KnpGrid_CB_ModeChange(edit, s, 3);
    EXPECT_EQ(cell(2, 10), "Switch ON");
    KnpGrid_CB_ModeExit(edit, s, 4, en, true);
    EXPECT_EQ(s.buttons.mode[10], 3);
    EXPECT_EQ(edit.visible, GridEditor::None);
}

TEST_F(Grid, ListCommitsGoToTheirOwnArray) {
    open(3, 15);
    KnpGrid_CB_ShiftExit(edit, s, 4, en, true);
    open(4, 15);
    KnpGrid_CB_TimOnExit(edit, s, 2, en, true);
    EXPECT_EQ(std::tie(s.buttons.shift[15], s.buttons.timer[15], s.buttons.mode[15]),
              std::make_tuple(4, 2, 0));
    EXPECT_EQ(cell(3, 15), "Shift 4");
    EXPECT_EQ(cell(4, 15), "Timer 2");
}

TEST_F(Grid, ModeOnButton40IsUndoneWhenTheEditorIsLeft) {
    const int row = 40 + kHatRows;
    open(2, row);
    KnpGrid_CB_ModeExit(edit, s, 2, en, true);
    EXPECT_EQ(s.buttons.mode[static_cast<std::size_t>(row)], 0);
    EXPECT_EQ(cell(2, row), "Button(norm)");
}

TEST_F(Grid, LiveBindingNeedsTheOpenNumberEditor) {
    KnpGridSelectCell(edit, 1, 12);
    EXPECT_FALSE(KnpGridLiveButton(edit, s, 21).committed) << "editor not open";
    KnpGridDblClick(edit, s, en);
    EXPECT_TRUE(KnpGridLiveButton(edit, s, 21).committed);
    EXPECT_EQ(s.buttons.hw[12], 21);

    open(2, 13);
    EXPECT_FALSE(KnpGridLiveButton(edit, s, 22).committed) << "mode column selected";
    EXPECT_EQ(s.buttons.hw[13], 0);
}

TEST_F(Grid, ClearingShowsNoneAndFirstEntriesOnEveryRow) {
    for (std::size_t row = 1; row < kGridRows; ++row) {
        s.buttons.hw[row] = static_cast<int>(row % 120) + 1;
        s.buttons.mode[row] = 2;
        s.buttons.shift[row] = 1;
        s.buttons.timer[row] = 3;
    }
    BTN_ClearButtonsClick(s);
    for (int row = 1; row < kGridRows; ++row) {
        const auto texts = gridRowTexts(s, row, en);
        EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end()),
                  (std::vector<std::string>{"-----", "Button(norm)", "----------", "----------"}))
            << row;
    }
}

TEST_F(Grid, NumberEditorTakesDigitsOnly) {
    for (char32_t key = U'0'; key <= U'9'; ++key)
        EXPECT_TRUE(KnpGrid_CB_NumberKeyPress(key));
    for (char32_t key : {U'\b', U'a', U'-', U' ', U'+', U'/', U':', U'\u0661'})
        EXPECT_FALSE(KnpGrid_CB_NumberKeyPress(key)) << static_cast<int>(key);
}

TEST_F(Grid, RowNamesAndHeadings) {
    for (const auto& [row, name] :
         std::initializer_list<std::pair<int, const char*>>{{1, "Hat Up"},
                                                            {2, "Hat Right"},
                                                            {3, "Hat Down"},
                                                            {4, "Hat Left"},
                                                            {5, "Button 1"},
                                                            {132, "Button 128"}})
        EXPECT_EQ(cell(0, row), name);
    EXPECT_EQ(gridRowTexts(s, 0, en), (std::array<std::string, kGridColumns>{
                                          "Joystick", "H/W.Button", "Mode", "Shift", "Timer"}));
}

} // namespace
} // namespace volmar
