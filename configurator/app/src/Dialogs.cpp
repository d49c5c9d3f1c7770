#include "volmar/app/Dialogs.h"

#include "volmar/firmware/TAboutBox.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

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
