#include "Prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace volmar::viewer {

void DialogPrompts::message(QWidget* parent, const QString& caption, const QString& text,
                            Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setIcon(icon == Icon::Stop      ? QMessageBox::Critical
                : icon == Icon::Warning ? QMessageBox::Warning
                                        : QMessageBox::Information);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QString DialogPrompts::saveFileName(QWidget* parent, const SaveRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

int DialogPrompts::runDialog(QDialog& dialog) {
    return dialog.exec();
}

} // namespace volmar::viewer
