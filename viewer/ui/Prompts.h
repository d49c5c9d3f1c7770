#pragma once

// Every modal question the viewer asks goes through this interface: message
// boxes, the save-file dialog and the viewer's own dialogs. The program uses
// the real boxes; tests answer in advance.

#include <QString>

class QDialog;
class QWidget;

namespace volmar::viewer {

class Prompts {
public:
    enum class Icon { Information, Warning, Stop };

    struct SaveRequest {
        QString proposedName;  // file name offered
        QString filter;        // "Text Files (*.txt);;All Files (*.*)"
        QString defaultSuffix; // added to a name typed without one
    };

    virtual ~Prompts() = default;
    virtual void message(QWidget* parent, const QString& caption, const QString& text,
                         Icon icon) = 0;
    // The chosen file, or an empty string when cancelled. Asks before
    // overwriting an existing file.
    virtual QString saveFileName(QWidget* parent, const SaveRequest& request) = 0;
    // Runs a dialog modally; QDialog::Accepted or QDialog::Rejected.
    virtual int runDialog(QDialog& dialog) = 0;
};

class DialogPrompts : public Prompts {
public:
    void message(QWidget* parent, const QString& caption, const QString& text, Icon icon) override;
    QString saveFileName(QWidget* parent, const SaveRequest& request) override;
    int runDialog(QDialog& dialog) override;
};

} // namespace volmar::viewer
