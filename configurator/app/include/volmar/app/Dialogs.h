#pragma once

// Every modal box the window opens goes through this interface: messages,
// the file dialogs and the about box. QtDialogs shows the real ones;
// ScriptedDialogs answers from a queue filled in advance and records what it
// was asked, so tests never wait on a modal box.

#include <QString>
#include <QStringList>

#include <deque>

class QWidget;

namespace volmar::firmware {
class Launcher;
}

namespace volmar::app {

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
    // The about box; its address button opens the page through `launcher`.
    virtual void about(QWidget* parent, firmware::Launcher& launcher) = 0;
};

class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const FileRequest& request) override;
    QString saveFile(QWidget* parent, const FileRequest& request) override;
    void about(QWidget* parent, firmware::Launcher& launcher) override;
};

class ScriptedDialogs : public Dialogs {
public:
    // The answers of the next file dialogs, in order; an empty text cancels.
    // A dialog with no answer queued is cancelled.
    void answerFile(const QString& path) { m_files.push_back(path); }

    void message(QWidget*, const QString& text) override { messages << text; }
    QString openFile(QWidget*, const FileRequest& request) override;
    QString saveFile(QWidget*, const FileRequest& request) override;
    void about(QWidget*, firmware::Launcher&) override { ++abouts; }

    QStringList messages;
    int abouts = 0;
    QStringList fileTitles; // titles of the file dialogs, in order

private:
    QString nextFile(const FileRequest& request);
    std::deque<QString> m_files;
};

} // namespace volmar::app
