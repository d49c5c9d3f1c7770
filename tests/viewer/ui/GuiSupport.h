#pragma once

// What the window tests share: the offscreen application, prompts answered
// in advance, and a viewer started on fake devices with its settings file in
// a private folder.

#include "CMainFrame.h"
#include "CViewerApp.h"
#include "FakeInput.h"
#include "Prompts.h"
#include "QtWait.h"
#include "TempDir.h"

#include <QApplication>
#include <QDialog>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace volmar::viewer::test {

using volmar::test::TempDir;
using volmar::test::waitUntil;

QApplication& guiApp();

class TestPrompts : public Prompts {
public:
    struct Shown {
        QString caption;
        QString text;
        Icon icon;
    };
    std::vector<Shown> messages;
    std::vector<SaveRequest> saveRequests;
    std::deque<QString> saveAnswers; // "" cancels
    // Each dialog run takes the next answer, which works the dialog (an
    // unanswered dialog is cancelled).
    std::deque<std::function<void(QDialog&)>> dialogAnswers;
    int dialogsRun = 0;

    void message(QWidget*, const QString& caption, const QString& text, Icon icon) override;
    QString saveFileName(QWidget*, const SaveRequest& request) override;
    int runDialog(QDialog& dialog) override;
};

// Clicks the button with this object name inside `parent`.
void click(QWidget& parent, const char* objectName);

struct Viewer {
    explicit Viewer(FakeBackend& backend);
    ~Viewer();

    // Starts as the program does.
    void start();
    CMainFrame& frame() const { return *app->mainFrame(); }
    const Devices& devices() const { return frame().deviceManager().devices(); }
    input::DeviceRecord& device(const std::string& productName) const;
    input::ObjectRecord& object(const std::string& productName, const std::string& name) const;
    // Titles of the open windows, in the order they were opened.
    std::vector<std::string> titles() const;
    QMdiSubWindow* window(const std::string& title) const;
    // Closes the main window (which stores the settings) and ends the viewer.
    void close();
    // The INI file's value, -1 when absent.
    int stored(const QString& key) const;

    TempDir folder;
    QString settingsPath;
    TestPrompts prompts;
    FakeBackend& backend;
    std::unique_ptr<CViewerApp> app;
};

} // namespace volmar::viewer::test
