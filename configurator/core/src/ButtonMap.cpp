#include "volmar/core/ButtonMap.h"

#include "RulesDetail.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/NumberConversion.h"
#include "volmar/core/ValueLists.h"

#include <string>

namespace volmar {

namespace {

constexpr int kMaxHardwareButton = 128;

bool isGridRow(int row) {
    return row >= 1 && row < kGridRows;
}

std::size_t at(int row) {
    return static_cast<std::size_t>(row);
}

int listSize(GridEditor editor) {
    switch (editor) {
    case GridEditor::Mode:
        return 7;
    case GridEditor::Shift:
        return kShiftKeys + 1;
    case GridEditor::Timer:
        return kTimers + 1;
    case GridEditor::Number:
    case GridEditor::None:
        break;
    }
    return 0;
}

std::array<int, kGridRows>& valuesOf(ConfigState& state, GridEditor editor) {
    switch (editor) {
    case GridEditor::Shift:
        return state.buttons.shift;
    case GridEditor::Timer:
        return state.buttons.timer;
    default:
        return state.buttons.mode;
    }
}

int rowValue(const ConfigState& state, GridEditor editor, int row) {
    switch (editor) {
    case GridEditor::Shift:
        return state.buttons.shift[at(row)];
    case GridEditor::Timer:
        return state.buttons.timer[at(row)];
    default:
        return state.buttons.mode[at(row)];
    }
}

void commitList(GridEditState& edit, ConfigState& state, GridEditor editor, int entry) {
    if (edit.visible == editor)
        edit.visible = GridEditor::None;
    if (!edit.editing)
        return;
    // A list showing no entry has nothing to commit: storing -1 would put a
    // value into the image that no list can show.
    if (isGridRow(edit.row) && entry >= 0 && entry < listSize(editor))
        valuesOf(state, editor)[at(edit.row)] = entry;
    edit.editing = false;
}

// A hardware button used by an encoder only makes sense in encoder mode
// with a timer; timer 1 gets a usable setting if it has none yet.
bool bindEncoder(ConfigState& state, int row, int number) {
    if (number <= 0 || state.buttons.mode[at(row)] == kModeSoftSwitch)
        return false;
    bool isEncoderInput = false;
    for (const Encoder& e : state.enc)
        isEncoderInput = isEncoderInput || e.l == number || e.r == number;
    if (!isEncoderInput)
        return false;
    state.buttons.mode[at(row)] = kModeEncoder;
    state.buttons.timer[at(row)] = 1;
    if (!detail::isSet(state.btn_timer[0])) {
        state.btn_timer[0] = 1;      // delay 20 ms
        state.btn_timer_mode[0] = 1; // "ON+OFF"
    }
    return true;
}

} // namespace

bool KnpGridSelectCell(GridEditState& edit, int col, int row) {
    if (col <= 0 || col >= kGridColumns || !isGridRow(row))
        return false;
    edit.col = col;
    edit.row = row;
    return true;
}

EditorOpening KnpGridDblClick(GridEditState& edit, const ConfigState& state,
                              const TRecordLng& lng) {
    EditorOpening open;
    // Without a selected cell nothing opens, and the editing flag is left
    // alone: a flag without an open editor would let the live binding write
    // into a row the user never opened.
    if (edit.col <= 0 || edit.col >= kGridColumns || !isGridRow(edit.row))
        return open;
    open.col = edit.col;
    open.row = edit.row;
    switch (edit.col) {
    case 1:
        open.editor = GridEditor::Number;
        open.text = gridCellText(state, 1, edit.row, lng);
        break;
    case 2:
        open.editor = GridEditor::Mode;
        break;
    case 3:
        open.editor = GridEditor::Shift;
        break;
    default:
        open.editor = GridEditor::Timer;
        break;
    }
    if (open.editor != GridEditor::Number) {
        // The cell shows the entry at the row's value, so the editor selects
        // that entry; a value no entry stands for selects none.
        const int value = rowValue(state, open.editor, edit.row);
        open.entry = value >= 0 && value < listSize(open.editor) ? value : -1;
    }
    edit.editing = true;
    edit.visible = open.editor;
    return open;
}

void KnpGrid_CB_ModeChange(GridEditState& edit, ConfigState& state, int entry) {
    commitList(edit, state, GridEditor::Mode, entry);
}

void KnpGrid_CB_ShiftChange(GridEditState& edit, ConfigState& state, int entry) {
    commitList(edit, state, GridEditor::Shift, entry);
}

void KnpGrid_CB_TimOnChange(GridEditState& edit, ConfigState& state, int entry) {
    commitList(edit, state, GridEditor::Timer, entry);
}

RulesOutcome KnpGrid_CB_ModeExit(GridEditState& edit, ConfigState& state, int entry,
                                 const TRecordLng& lng, bool connected) {
    KnpGrid_CB_ModeChange(edit, state, entry);
    return osi_Change(state, lng, connected);
}

RulesOutcome KnpGrid_CB_ShiftExit(GridEditState& edit, ConfigState& state, int entry,
                                  const TRecordLng& lng, bool connected) {
    KnpGrid_CB_ShiftChange(edit, state, entry);
    return osi_Change(state, lng, connected);
}

RulesOutcome KnpGrid_CB_TimOnExit(GridEditState& edit, ConfigState& state, int entry,
                                  const TRecordLng& lng, bool connected) {
    KnpGrid_CB_TimOnChange(edit, state, entry);
    return osi_Change(state, lng, connected);
}

NumberCommit KnpGrid_CB_NumberChange(GridEditState& edit, ConfigState& state,
                                     std::string_view editorText) {
    NumberCommit result;
    result.editorText = std::string(editorText);
    int number = strToIntDef(editorText, 0);
    // Above 128 there is no such hardware button. A negative number (the key
    // filter keeps "-" out, but pasted or bound text may carry one) would
    // reach the image as a wrapped byte, so it is refused the same way.
    if (number > kMaxHardwareButton || number < 0) {
        result.editorText = kNoHardwareButton;
        number = 0;
    }
    if (edit.visible == GridEditor::Number)
        edit.visible = GridEditor::None;
    if (!edit.editing || !isGridRow(edit.row))
        return result;

    state.buttons.hw[at(edit.row)] = number;
    edit.editing = false;
    result.committed = true;
    result.encoderBound = bindEncoder(state, edit.row, number);
    return result;
}

RulesOutcome KnpGrid_CB_NumberExit(GridEditState& edit, ConfigState& state,
                                   std::string_view editorText, const TRecordLng& lng,
                                   bool connected) {
    KnpGrid_CB_NumberChange(edit, state, editorText);
    return osi_Change(state, lng, connected);
}

NumberCommit KnpGridLiveButton(GridEditState& edit, ConfigState& state, int hardwareButton) {
    if (edit.col != 1)
        return {};
    return KnpGrid_CB_NumberChange(edit, state, std::to_string(hardwareButton));
}

bool KnpGrid_CB_NumberKeyPress(char32_t key) {
    return key >= U'0' && key <= U'9';
}

void BTN_ClearButtonsClick(ConfigState& state) {
    state.buttons.hw.fill(0);
    state.buttons.mode.fill(0);
    state.buttons.shift.fill(0);
    state.buttons.timer.fill(0);
}

std::string gridHeading(int col, const TRecordLng& lng) {
    switch (col) {
    case 0:
        return lng.usb_dev_joy;
    case 1:
        return lng.lbl_btnpar_hwb;
    case 2:
        return lng.lbl_mode;
    case 3:
        return lng.lbl_btnpar_sft;
    case 4:
        return lng.lbl_btnpar_tmr;
    default:
        return {};
    }
}

std::string gridRowName(int row, const TRecordLng& lng) {
    if (row >= 1 && row <= kHatRows) {
        const std::string* directions[kHatRows] = {&lng.lbl_joybtn_up, &lng.lbl_joybtn_rt,
                                                   &lng.lbl_joybtn_dw, &lng.lbl_joybtn_lf};
        return lng.lbl_joybtn_hat + " " + *directions[row - 1];
    }
    if (isGridRow(row))
        return lng.lbl_btnpar_jyb + " " + std::to_string(row - kHatRows);
    return {};
}

std::string gridCellText(const ConfigState& state, int col, int row, const TRecordLng& lng) {
    if (row == 0)
        return gridHeading(col, lng);
    if (!isGridRow(row))
        return {};
    switch (col) {
    case 0:
        return gridRowName(row, lng);
    case 1: {
        const int hw = state.buttons.hw[at(row)];
        return hw <= 0 ? std::string(kNoHardwareButton) : std::to_string(hw);
    }
    case 2:
        return entryText(gridModeList(lng), state.buttons.mode[at(row)]);
    case 3:
        return entryText(gridShiftList(lng), state.buttons.shift[at(row)]);
    case 4:
        return entryText(gridTimerList(lng), state.buttons.timer[at(row)]);
    default:
        return {};
    }
}

std::array<std::string, kGridColumns> gridRowTexts(const ConfigState& state, int row,
                                                   const TRecordLng& lng) {
    std::array<std::string, kGridColumns> texts;
    for (int col = 0; col < kGridColumns; ++col)
        texts[static_cast<std::size_t>(col)] = gridCellText(state, col, row, lng);
    return texts;
}

} // namespace volmar
