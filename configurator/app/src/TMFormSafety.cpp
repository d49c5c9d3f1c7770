// The main window's safety net: undo and redo of configuration edits, the
// wiring warnings beside the report line, the backups kept before each write
// (and restored from the header) and what the write's read-back found.
#include "volmar/app/Dialogs.h"
#include "volmar/app/HeaderGroup.h"
#include "volmar/app/TMForm.h"
#include "volmar/app/WiringWindow.h"
#include "volmar/core/Backups.h"
#include "volmar/editor/ButtonGrid.h"
#include "volmar/editor/ButtonGridModel.h"
#include "volmar/editor/ButtonsPage.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace volmar::app {

namespace {

// Ctrl+Z in an edit of the window undoes a configuration step, not the
// edit's own typing: the edits show the configuration, so their private
// undo would only fight the window's. The edit's claim on the key is
// taken away and the key press triggers the window's action.
class UndoKeys : public QObject {
public:
    UndoKeys(QWidget* window, QAction* undo, QAction* redo)
        : m_window(window), m_undo(undo), m_redo(redo) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != m_window) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        QAction* action = nullptr;
        if (m_undo->shortcuts().contains(keyOf(key))) {
            action = m_undo;
        } else if (m_redo->shortcuts().contains(keyOf(key))) {
            action = m_redo;
        }
        if (!action) {
            return false;
        }
        if (type == QEvent::ShortcutOverride) {
            // Claimed here, so the press comes as a key event below.
            event->accept();
            return true;
        }
        action->trigger();
        return true;
    }

private:
    static QKeySequence keyOf(const QKeyEvent* key) { return QKeySequence(key->keyCombination()); }

    QWidget* m_window;
    QAction* m_undo;
    QAction* m_redo;
};

} // namespace

void TMForm::buildSafetyControls() {
    const HeaderGroup::Controls& c = m_header->controls();
    m_undo = new QAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Undo"), this);
    m_undo->setObjectName("actUndo");
    m_undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_redo = new QAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Redo"), this);
    m_redo->setObjectName("actRedo");
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* action : {m_undo, m_redo}) {
        action->setToolTip(action->text() + " (" +
                           action->shortcut().toString(QKeySequence::NativeText) + ")");
        addAction(action);
    }
    c.btnUndo->setDefaultAction(m_undo);
    c.btnUndo->setAccessibleName(m_undo->text());
    c.btnRedo->setDefaultAction(m_redo);
    c.btnRedo->setAccessibleName(m_redo->text());
    connect(m_undo, &QAction::triggered, &m_editor, &editor::ConfigEditor::undo);
    connect(m_redo, &QAction::triggered, &m_editor, &editor::ConfigEditor::redo);
    connect(&m_editor, &editor::ConfigEditor::historyChanged, this, &TMForm::showHistoryState);
    connect(c.btnWiring, &QToolButton::clicked, this, &TMForm::btnWiringClick);
    connect(c.btnRestoreBackup, &QToolButton::clicked, this, &TMForm::btnRestoreBackupClick);
    m_writeStatus = new QLabel(this);
    m_writeStatus->setObjectName("lblWriteStatus");
    m_writeStatus->setAccessibleName(tr("Last write"));
    m_writeStatus->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
    statusBar()->addWidget(m_writeStatus, 1);
    m_link->setWriteSafety({m_backupFolder, true});
    m_undoKeys = std::make_unique<UndoKeys>(this, m_undo, m_redo);
    qApp->installEventFilter(m_undoKeys.get());
    showHistoryState();
}

void TMForm::showHistoryState() {
    m_undo->setEnabled(m_editor.canUndo());
    m_redo->setEnabled(m_editor.canRedo());
}

void TMForm::btnWiringClick() {
    if (!m_wiring) {
        m_wiring = new WiringWindow(m_editor, this);
        m_wiring->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_wiring, &WiringWindow::goTo, this, &TMForm::goToControl);
    }
    m_wiring->show();
    m_wiring->raise();
    m_wiring->activateWindow();
}

void TMForm::goToControl(const QString& control, int gridRow) {
    auto* widget = findChild<QWidget*>(control);
    if (!widget) {
        return;
    }
    for (int i = 0; i < m_pages->count(); ++i) {
        if (m_pages->isTabVisible(i) && m_pages->widget(i)->isAncestorOf(widget)) {
            m_pages->setCurrentIndex(i);
        }
    }
    if (auto* grid = qobject_cast<editor::ButtonGrid*>(widget); grid && gridRow > 0) {
        const QModelIndex cell = grid->gridModel().cell(1, gridRow);
        grid->setCurrentIndex(cell);
        grid->scrollTo(cell);
    }
    activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
}

void TMForm::btnRestoreBackupClick() {
    const std::vector<BackupEntry> backups = listBackups(m_backupFolder, m_editor.lng());
    if (backups.empty()) {
        message(tr("No configuration has been kept yet: one is read from the controller and kept "
                   "before every write, in %1.")
                    .arg(QString::fromStdString(m_backupFolder.string())));
        return;
    }
    QList<BackupRow> rows;
    for (const BackupEntry& b : backups) {
        rows.append({QString::fromStdString(backupTimeText(b.name.time)),
                     QStringLiteral("%1:%2 %3")
                         .arg(b.name.vid, 4, 16, QLatin1Char('0'))
                         .arg(b.name.pid, 4, 16, QLatin1Char('0'))
                         .toUpper()
                         .arg(QString::fromStdString(b.name.product)),
                     QString::fromStdString(b.summary)});
    }
    const int chosen = m_dialogs.chooseBackup(this, rows);
    if (chosen < 0 || chosen >= static_cast<int>(backups.size())) {
        return;
    }
    loadConfigurationFile(backups[static_cast<std::size_t>(chosen)].file);
}

void TMForm::backupKept(const std::string& file) {
    m_lastCheck.reset();
    m_keptBackup = tr("Backup kept: %1").arg(QString::fromStdString(file));
    m_writeStatus->setText(m_keptBackup);
}

void TMForm::writeChecked(const device::WriteCheck& check) {
    m_lastCheck = check;
    QString text = QString::fromStdString(check.text);
    if (!m_keptBackup.isEmpty()) {
        text += QStringLiteral(" — ") + m_keptBackup;
    }
    m_writeStatus->setText(text);
}

void TMForm::offerWriteAgain() {
    const auto check = std::exchange(m_lastCheck, std::nullopt);
    if (!check || check->result != device::WriteCheck::Result::Differs) {
        return;
    }
    const QString question =
        tr("The controller does not hold what was written: %1.\n\nWrite the configuration again?")
            .arg(QString::fromStdString(check->text));
    if (m_dialogs.ask(this, question)) {
        // The exchange that asked is still ending.
        QTimer::singleShot(0, this, &TMForm::btnWrite_MKClick);
    }
}

} // namespace volmar::app
