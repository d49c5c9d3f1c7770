#include "volmar/app/Dialogs.h"

#include "volmar/firmware/TAboutBox.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace volmar::app {

void QtDialogs::message(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

namespace {

// Starts in the current folder, as the program always has.
QString runFileDialog(QWidget* parent, const FileRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title, QDir::currentPath(), request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtDialogs::openFile(QWidget* parent, const FileRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFile(QWidget* parent, const FileRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

void QtDialogs::about(QWidget* parent, firmware::Launcher& launcher, const QString& title) {
    firmware::TAboutBox box(launcher, title, parent);
    box.exec();
}

std::optional<QColor> QtDialogs::chooseColour(QWidget* parent, const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return chosen;
}

bool QtDialogs::ask(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

int QtDialogs::chooseBackup(QWidget* parent, const QList<BackupRow>& rows) {
    QDialog dialog(parent);
    dialog.setObjectName("RestoreBackup");
    dialog.setWindowTitle(QObject::tr("Restore previous configuration"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(
        QObject::tr("Configurations read from the controller before each write, newest first:"),
        &dialog);
    layout->addWidget(label);
    auto* list = new QTreeWidget(&dialog);
    list->setObjectName("lstBackups");
    list->setAccessibleName(QObject::tr("Backups"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels(
        {QObject::tr("Time"), QObject::tr("Controller"), QObject::tr("Configuration")});
    for (const BackupRow& row : rows) {
        list->addTopLevelItem(new QTreeWidgetItem({row.time, row.controller, row.summary}));
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->setCurrentItem(list->topLevelItem(0));
    label->setBuddy(list);
    layout->addWidget(list, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QObject::tr("Restore"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QTreeWidget::itemActivated, &dialog, &QDialog::accept);
    dialog.resize(720, 360);
    if (dialog.exec() != QDialog::Accepted || !list->currentItem()) {
        return -1;
    }
    return list->indexOfTopLevelItem(list->currentItem());
}

bool ScriptedDialogs::ask(QWidget*, const QString& text) {
    questions << text;
    if (m_answers.empty()) {
        return false;
    }
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

int ScriptedDialogs::chooseBackup(QWidget*, const QList<BackupRow>& rows) {
    choices << rows;
    if (m_backups.empty()) {
        return -1;
    }
    const int row = m_backups.front();
    m_backups.pop_front();
    return row;
}

std::optional<QColor> ScriptedDialogs::chooseColour(QWidget*, const QColor& initial) {
    colourStarts << initial;
    if (m_colours.empty() || !m_colours.front().isValid()) {
        if (!m_colours.empty()) {
            m_colours.pop_front();
        }
        return std::nullopt;
    }
    const QColor answer = m_colours.front();
    m_colours.pop_front();
    return answer;
}

QString ScriptedDialogs::nextFile(const FileRequest& request) {
    fileTitles << request.title;
    if (m_files.empty()) {
        return {};
    }
    QString answer = m_files.front();
    m_files.pop_front();
    return answer;
}

QString ScriptedDialogs::openFile(QWidget*, const FileRequest& request) {
    return nextFile(request);
}

QString ScriptedDialogs::saveFile(QWidget*, const FileRequest& request) {
    return nextFile(request);
}

} // namespace volmar::app
