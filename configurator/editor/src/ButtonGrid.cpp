#include "volmar/editor/ButtonGrid.h"

#include "volmar/core/ValueLists.h"
#include "volmar/editor/ButtonGridModel.h"
#include "volmar/editor/ConfigEditor.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace volmar::editor {

namespace {

const char* const kEditorProperty = "volmarGridEditor";

// Arrow keys walk a closed list without committing: the entry is taken with
// Enter or when the list is left. Returns whether the key was one of them.
bool moveInList(QComboBox* list, int key) {
    const int last = list->count() - 1;
    const int at = list->currentIndex();
    int to = at;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        to = key == Qt::Key_Up ? at - 1 : 0;
        break;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        to = key == Qt::Key_Down ? at + 1 : last;
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = last;
        break;
    default:
        return false;
    }
    list->setCurrentIndex(std::clamp(to, 0, last));
    return true;
}

bool opensEditor(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_F2;
}

} // namespace

ButtonGrid::ButtonGrid(ConfigEditor& editor, QWidget* parent)
    : QTableView(parent), m_editor(editor),
      m_model(new ButtonGridModel(editor.state(), editor.lng(), this)) {
    setObjectName("KnpGrid");
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);

    m_number = new QLineEdit(viewport());
    m_number->setObjectName("KnpGrid_CB_Number");
    m_number->setProperty(kEditorProperty, static_cast<int>(GridEditor::Number));
    m_number->installEventFilter(this);
    m_number->hide();
    m_mode = makeList("KnpGrid_CB_Mode", GridEditor::Mode);
    m_shift = makeList("KnpGrid_CB_Shift", GridEditor::Shift);
    m_timer = makeList("KnpGrid_CB_TimOn", GridEditor::Timer);
    viewport()->installEventFilter(this);
    retranslate();
}

void ButtonGrid::retranslate() {
    // An editor still open loses what it holds, as the rows are rebuilt.
    if (m_open != GridEditor::None) {
        editorWidget(m_open)->hide();
        m_open = GridEditor::None;
        m_edit.editing = false;
        m_edit.visible = GridEditor::None;
    }
    const TRecordLng& lng = m_editor.lng();
    const auto toQ = [](const std::string& text) { return QString::fromStdString(text); };
    setAccessibleName(toQ(lng.grp_knp));
    const std::pair<QComboBox*, EntryList> lists[] = {
        {m_mode, gridModeList(lng)}, {m_shift, gridShiftList(lng)}, {m_timer, gridTimerList(lng)}};
    for (const auto& [list, entries] : lists) {
        const QSignalBlocker quiet(list);
        list->clear();
        for (const auto& entry : entries) {
            list->addItem(toQ(entry));
        }
    }
    // Each editor's name is its cell's once it opens.
    m_number->setAccessibleName(toQ(gridHeading(1, lng)));
    m_mode->setAccessibleName(toQ(gridHeading(2, lng)));
    m_shift->setAccessibleName(toQ(gridHeading(3, lng)));
    m_timer->setAccessibleName(toQ(gridHeading(4, lng)));
    m_model->retranslate();

    // Rows as high as a list editor, columns as wide as their widest text.
    verticalHeader()->setDefaultSectionSize(m_mode->sizeHint().height());
    int name = 0;
    for (int row = 1; row < kGridRows; ++row) {
        name = std::max(name, fontMetrics().horizontalAdvance(toQ(gridRowName(row, lng))) + 16);
    }
    const int widths[kGridColumns] = {
        name, m_number->fontMetrics().horizontalAdvance("-----0") + 16, m_mode->sizeHint().width(),
        m_shift->sizeHint().width(), m_timer->sizeHint().width()};
    for (int c = 0; c < kGridColumns; ++c) {
        setColumnWidth(c, std::max(widths[c], horizontalHeader()->sectionSizeHint(c)));
    }
}

QComboBox* ButtonGrid::makeList(const char* name, GridEditor which) {
    auto* list = new QComboBox(viewport());
    list->setObjectName(name);
    list->setProperty(kEditorProperty, static_cast<int>(which));
    list->installEventFilter(this);
    list->hide();
    connect(list, &QComboBox::activated, this,
            [this, which](int entry) { listChanged(which, entry); });
    return list;
}

QWidget* ButtonGrid::editorWidget(GridEditor which) const {
    switch (which) {
    case GridEditor::Number:
        return m_number;
    case GridEditor::Mode:
        return m_mode;
    case GridEditor::Shift:
        return m_shift;
    case GridEditor::Timer:
        return m_timer;
    case GridEditor::None:
        break;
    }
    return nullptr;
}

void ButtonGrid::refresh() {
    m_model->refresh();
}

void ButtonGrid::selectionChanged(const QItemSelection& selected,
                                  const QItemSelection& deselected) {
    QTableView::selectionChanged(selected, deselected);
    // KnpGridSelectCell: the core keeps heading cells out of the selection.
    if (!selected.indexes().isEmpty()) {
        const QModelIndex cell = selected.indexes().constFirst();
        KnpGridSelectCell(m_edit, cell.column(), ButtonGridModel::gridRow(cell));
    }
}

QModelIndex ButtonGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    // The names column is a heading: the cursor stays in the editable columns.
    if (next.isValid() && next.column() == 0) {
        return m_model->index(next.row(), 1);
    }
    return next;
}

void ButtonGrid::keyPressEvent(QKeyEvent* event) {
    const auto chord = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier;
    if (opensEditor(event) && !(event->modifiers() & chord)) {
        openEditor();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ButtonGrid::openEditor() {
    if (m_open != GridEditor::None) {
        leaveEditor(m_open, false);
    }
    const EditorOpening open = KnpGridDblClick(m_edit, m_editor.state(), m_editor.lng());
    QWidget* editor = editorWidget(open.editor);
    if (!editor) {
        return;
    }
    const QModelIndex cell = m_model->cell(open.col, open.row);
    scrollTo(cell);
    editor->setGeometry(visualRect(cell));
    editor->setAccessibleName(cell.data(Qt::AccessibleTextRole).toString());
    if (open.editor == GridEditor::Number) {
        m_number->setText(QString::fromStdString(open.text));
        m_number->selectAll();
    } else {
        static_cast<QComboBox*>(editor)->setCurrentIndex(open.entry);
    }
    m_open = open.editor;
    m_opened = open;
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
}

void ButtonGrid::listChanged(GridEditor which, int entry) {
    ConfigState& state = m_editor.state();
    switch (which) {
    case GridEditor::Mode:
        KnpGrid_CB_ModeChange(m_edit, state, entry);
        break;
    case GridEditor::Shift:
        KnpGrid_CB_ShiftChange(m_edit, state, entry);
        break;
    case GridEditor::Timer:
        KnpGrid_CB_TimOnChange(m_edit, state, entry);
        break;
    default:
        return;
    }
    // The list is left right after its change; that second commit only hides it.
    leaveEditor(which, true);
}

void ButtonGrid::leaveEditor(GridEditor which, bool focusGrid) {
    if (m_open != which) {
        return;
    }
    m_open = GridEditor::None;
    ConfigState& state = m_editor.state();
    const TRecordLng& lng = m_editor.lng();
    const bool connected = m_editor.connected();
    RulesOutcome outcome;
    switch (which) {
    case GridEditor::Number:
        outcome =
            KnpGrid_CB_NumberExit(m_edit, state, m_number->text().toStdString(), lng, connected);
        break;
    case GridEditor::Mode:
        outcome = KnpGrid_CB_ModeExit(m_edit, state, m_mode->currentIndex(), lng, connected);
        break;
    case GridEditor::Shift:
        outcome = KnpGrid_CB_ShiftExit(m_edit, state, m_shift->currentIndex(), lng, connected);
        break;
    case GridEditor::Timer:
        outcome = KnpGrid_CB_TimOnExit(m_edit, state, m_timer->currentIndex(), lng, connected);
        break;
    case GridEditor::None:
        return;
    }
    QWidget* editor = editorWidget(which);
    if (focusGrid) {
        setFocus(Qt::OtherFocusReason);
    }
    editor->hide();
    m_editor.show(outcome.run);
}

void ButtonGrid::cancelEditor(GridEditor which) {
    if (which == GridEditor::Number) {
        m_number->setText(QString::fromStdString(m_opened.text));
    } else if (auto* list = qobject_cast<QComboBox*>(editorWidget(which))) {
        list->setCurrentIndex(m_opened.entry);
    }
    leaveEditor(which, true);
}

void ButtonGrid::offerPressedButton(int button) {
    const NumberCommit commit = KnpGridLiveButton(m_edit, m_editor.state(), button);
    if (m_edit.col != 1) {
        return;
    }
    m_number->setText(QString::fromStdString(commit.editorText));
    if (commit.committed) {
        leaveEditor(GridEditor::Number, true);
    }
}

bool ButtonGrid::editorKey(GridEditor which, QKeyEvent* key) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return false;
    }
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (which == GridEditor::Number) {
            leaveEditor(which, true);
        } else {
            listChanged(which, static_cast<QComboBox*>(editorWidget(which))->currentIndex());
        }
        return true;
    case Qt::Key_Escape:
        cancelEditor(which);
        return true;
    default:
        break;
    }
    if (which != GridEditor::Number) {
        return moveInList(static_cast<QComboBox*>(editorWidget(which)), key->key());
    }
    // KnpGrid_CB_NumberKeyPress: typed characters other than digits are
    // dropped, Backspace too; keys that type nothing (Delete, arrows) pass.
    const QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Delete) {
        return false;
    }
    return !KnpGrid_CB_NumberKeyPress(text.toUcs4().value(0));
}

bool ButtonGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            openEditor();
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            // The names column is a heading: a click there selects nothing.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QModelIndex at = indexAt(mouse->position().toPoint());
            if (at.isValid() && at.column() == 0) {
                setFocus(Qt::MouseFocusReason);
                return true;
            }
        }
        return QTableView::eventFilter(watched, event);
    }
    const QVariant which = watched->property(kEditorProperty);
    if (!which.isValid()) {
        return QTableView::eventFilter(watched, event);
    }
    const auto editor = static_cast<GridEditor>(which.toInt());
    if (event->type() == QEvent::KeyPress) {
        return editorKey(editor, static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::FocusOut) {
        // Opening a list's popup or switching windows does not leave the editor.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            leaveEditor(editor, false);
        }
    }
    return QTableView::eventFilter(watched, event);
}

} // namespace volmar::editor
