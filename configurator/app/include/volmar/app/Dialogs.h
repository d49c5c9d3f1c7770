#pragma once

// Every modal box the window opens goes through this interface: messages,
// the file dialogs, the colour dialog and the about box. QtDialogs shows the
// real ones; ScriptedDialogs answers from a queue filled in advance and
// records what it was asked, so tests never wait on a modal box.

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

class QWidget;

namespace volmar::firmware {
class Launcher;
}

namespace volmar::app {

// One line of the backup chooser.
struct BackupRow {
    QString time;       // "2025-01-31 14:05:09"
    QString controller; // "1209:5AB1 Volmar_demo"
    QString summary;    // the report line of the configuration it holds
};

// What a file dialog is asked for.
struct FileRequest {
    QString title;
    QString filter;        // "Volmar Config file (*.volmar)"
    QString defaultSuffix; // "volmar"
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box with the application's title and an OK button.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // The chosen file, or an empty text when the user cancelled.
    virtual QString openFile(QWidget* parent, const FileRequest& request) = 0;
    virtual QString saveFile(QWidget* parent, const FileRequest& request) = 0;
    // The about box titled `title`; its address button opens the page
    // through `launcher`.
    virtual void about(QWidget* parent, firmware::Launcher& launcher, const QString& title) = 0;
    // The colour chosen, starting from `initial`; nothing when the user cancelled.
    virtual std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool ask(QWidget* parent, const QString& text) = 0;
    // The row of the backup to restore, -1 when the user cancelled.
    virtual int chooseBackup(QWidget* parent, const QList<BackupRow>& rows) = 0;
};

class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const FileRequest& request) override;
    QString saveFile(QWidget* parent, const FileRequest& request) override;
    void about(QWidget* parent, firmware::Launcher& launcher, const QString& title) override;
    std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) override;
    bool ask(QWidget* parent, const QString& text) override;
    int chooseBackup(QWidget* parent, const QList<BackupRow>& rows) override;
};

class ScriptedDialogs : public Dialogs {
public:
    // The answers of the next file dialogs, in order; an empty text cancels.
    // A dialog with no answer queued is cancelled.
    void answerFile(const QString& path) { m_files.push_back(path); }
    // The answer of the next colour dialog; an invalid colour cancels, and so
    // does a dialog with no answer queued.
    void answerColour(const QColor& colour) { m_colours.push_back(colour); }
    // The answer of the next question; a question with none queued gets No.
    void answerQuestion(bool yes) { m_answers.push_back(yes); }
    // The row the next backup chooser picks (-1 cancels, as does none queued).
    void answerBackup(int row) { m_backups.push_back(row); }

    void message(QWidget*, const QString& text) override { messages << text; }
    QString openFile(QWidget*, const FileRequest& request) override;
    QString saveFile(QWidget*, const FileRequest& request) override;
    void about(QWidget*, firmware::Launcher&, const QString& title) override {
        ++abouts;
        aboutTitle = title;
    }
    std::optional<QColor> chooseColour(QWidget*, const QColor& initial) override;
    bool ask(QWidget*, const QString& text) override;
    int chooseBackup(QWidget*, const QList<BackupRow>& rows) override;

    QStringList messages;
    QStringList questions;           // the questions asked, in order
    QList<QList<BackupRow>> choices; // the rows each backup chooser offered
    int abouts = 0;
    QString aboutTitle;         // of the last about box
    QStringList fileTitles;     // titles of the file dialogs, in order
    QList<QColor> colourStarts; // the colour each colour dialog started from

private:
    QString nextFile(const FileRequest& request);
    std::deque<QString> m_files;
    std::deque<QColor> m_colours;
    std::deque<bool> m_answers;
    std::deque<int> m_backups;
};

} // namespace volmar::app
