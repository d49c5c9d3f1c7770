#pragma once

// The button grid's logic as operations on the configuration and a small
// edit state, so the grid widget only displays cells and forwards events.
//
// Grid: columns 0..4 (name, hardware button, mode, shift, timer), rows
// 0..132; row 0 and column 0 are headings. Rows 1..4 are the hat directions
// up, right, down, left; rows 5..132 joystick buttons 1..128. The cells show
// the button map (ConfigState::buttons); the map is the only truth.

#include "volmar/core/ConfigState.h"
#include "volmar/core/Rules.h"

#include <array>
#include <string>
#include <string_view>

namespace volmar {

struct TRecordLng;

inline constexpr int kGridColumns = 5;
inline constexpr int kModeSoftSwitch = 5;
inline constexpr int kModeEncoder = 6;
inline constexpr const char* kNoHardwareButton = "-----";

// The in-cell editors: a digit edit for column 1, lists for columns 2..4.
enum class GridEditor { None, Number, Mode, Shift, Timer };

// Which cell is selected and whether an opened editor still owes its commit.
// One opening pairs with one commit: the second commit that follows a list's
// change (when the list loses focus) only hides the list.
struct GridEditState {
    int col = 0;
    int row = 0;
    bool editing = false;
    GridEditor visible = GridEditor::None;
    bool operator==(const GridEditState&) const = default;
};

// What the widget shows when an editor opens.
struct EditorOpening {
    GridEditor editor = GridEditor::None; // None: nothing opens
    int col = 0;                          // cell to place the editor over
    int row = 0;
    std::string text; // Number: the cell text copied into the edit
    int entry = -1;   // lists: the entry to select, -1 for none
};

// KnpGridSelectCell: only cells with column and row above 0 can be selected;
// returns whether the selection was taken.
bool KnpGridSelectCell(GridEditState& edit, int col, int row);

// KnpGridDblClick / KnpGridEditButtonClick: opens the editor of the selected
// cell (not of the cell under the pointer).
EditorOpening KnpGridDblClick(GridEditState& edit, const ConfigState& state, const TRecordLng& lng);

// KnpGrid_CB_ModeChange / ShiftChange / TimOnChange: `entry` is the list's
// selected entry (-1 when the list shows none, which keeps the row's value).
void KnpGrid_CB_ModeChange(GridEditState& edit, ConfigState& state, int entry);
void KnpGrid_CB_ShiftChange(GridEditState& edit, ConfigState& state, int entry);
void KnpGrid_CB_TimOnChange(GridEditState& edit, ConfigState& state, int entry);

// KnpGrid_CB_ModeExit / ShiftExit / TimOnExit: commit, then the axis rules.
RulesOutcome KnpGrid_CB_ModeExit(GridEditState& edit, ConfigState& state, int entry,
                                 const TRecordLng& lng, bool connected);
RulesOutcome KnpGrid_CB_ShiftExit(GridEditState& edit, ConfigState& state, int entry,
                                  const TRecordLng& lng, bool connected);
RulesOutcome KnpGrid_CB_TimOnExit(GridEditState& edit, ConfigState& state, int entry,
                                  const TRecordLng& lng, bool connected);

struct NumberCommit {
    std::string editorText;    // the editor's text afterwards ("-----" when refused)
    bool committed = false;    // the row's hardware button was written
    bool encoderBound = false; // the row was switched to encoder mode
};

// KnpGrid_CB_NumberChange: commit the number editor's text to the selected
// row, with encoder detection.
NumberCommit KnpGrid_CB_NumberChange(GridEditState& edit, ConfigState& state,
                                     std::string_view editorText);

// KnpGrid_CB_NumberExit: commit, then the axis rules.
RulesOutcome KnpGrid_CB_NumberExit(GridEditState& edit, ConfigState& state,
                                   std::string_view editorText, const TRecordLng& lng,
                                   bool connected);

// Live binding: a pressed hardware button while the hardware column is
// selected is written into the number editor and committed (which takes
// effect only while the editor is open). Returns what the commit did.
NumberCommit KnpGridLiveButton(GridEditState& edit, ConfigState& state, int hardwareButton);

// KnpGrid_CB_NumberKeyPress: only the digits get into the number editor.
bool KnpGrid_CB_NumberKeyPress(char32_t key);

// BTN_ClearButtonsClick: every row unbound, first mode, no shift, no timer.
void BTN_ClearButtonsClick(ConfigState& state);

// Display texts.
std::string gridHeading(int col, const TRecordLng& lng); // row 0
std::string gridRowName(int row, const TRecordLng& lng); // column 0, rows 1..132
std::string gridCellText(const ConfigState& state, int col, int row, const TRecordLng& lng);
std::array<std::string, kGridColumns> gridRowTexts(const ConfigState& state, int row,
                                                   const TRecordLng& lng);

} // namespace volmar
