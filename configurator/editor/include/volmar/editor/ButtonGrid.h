#pragma once

// The button grid KnpGrid: a view over ButtonGridModel with the four in-cell
// editors KnpGrid_CB_Number, KnpGrid_CB_Mode, KnpGrid_CB_Shift and
// KnpGrid_CB_TimOn, hidden except while one edits a cell. What a click,
// an opening, a commit or a leave does is the core's grid logic on the
// configuration and the grid's edit state; this class only places, fills,
// shows and hides the editors.
//
// An editor opens on the recorded selection with a double click anywhere in
// the grid, Enter or F2; a list commits when an entry is picked, the number
// editor with Enter; both commit when they are left. Escape leaves an
// editor with the value it opened with.

#include "volmar/core/ButtonMap.h"
#include "volmar/core/ValueLists.h"

#include <QTableView>

class QComboBox;
class QLineEdit;

namespace volmar::editor {

class ButtonGridModel;
class ConfigEditor;

class ButtonGrid : public QTableView {
    Q_OBJECT
public:
    explicit ButtonGrid(ConfigEditor& editor, QWidget* parent = nullptr);

    // The configuration changed: the cells show it.
    void refresh();
    // The editor's record changed: headings, row names, the in-cell lists
    // and the column widths follow it; an open editor closes unsaved.
    void retranslate();

    // KnpGridDblClick / KnpGridEditButtonClick: the editor of the selected cell.
    void openEditor();

    // For the live monitor: a pressed hardware button while the buttons page
    // is shown. With the hardware column selected it goes into the number
    // editor and is committed when that editor is open.
    void offerPressedButton(int button);

    const GridEditState& editState() const { return m_edit; }
    ButtonGridModel& gridModel() { return *m_model; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* makeList(const char* name, GridEditor which);
    QWidget* editorWidget(GridEditor which) const;
    // KnpGrid_CB_ModeChange / ShiftChange / TimOnChange: a list's entry was picked.
    void listChanged(GridEditor which, int entry);
    // KnpGrid_CB_NumberExit / ModeExit / ShiftExit / TimOnExit. `focusGrid`:
    // the grid takes the focus back (not when the user moved it elsewhere).
    void leaveEditor(GridEditor which, bool focusGrid);
    void cancelEditor(GridEditor which);
    bool editorKey(GridEditor which, QKeyEvent* key);

    ConfigEditor& m_editor;
    ButtonGridModel* m_model;
    GridEditState m_edit;
    QLineEdit* m_number;
    QComboBox* m_mode;
    QComboBox* m_shift;
    QComboBox* m_timer;
    GridEditor m_open = GridEditor::None; // shown, and still owes its leave
    EditorOpening m_opened;               // what it opened with
};

} // namespace volmar::editor
