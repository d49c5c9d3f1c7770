#pragma once

// The wiring warnings as a list beside the main window, opened from the
// header's warnings button. It follows every change of the configuration;
// Enter or a double click on a warning asks the window to show the control
// it names. The warnings never stop a write: this only shows them.

#include "volmar/core/ConfigState.h"

#include <QDialog>

class QLabel;
class QListWidget;

namespace volmar::editor {
class ConfigEditor;
}

namespace volmar::app {

class WiringWindow : public QDialog {
    Q_OBJECT
public:
    WiringWindow(editor::ConfigEditor& editor, QWidget* parent = nullptr);

    void refresh(const ConfigState& state);

signals:
    // Show `control` (an object name); `gridRow` > 0: that row of the grid.
    void goTo(const QString& control, int gridRow);

private:
    editor::ConfigEditor& m_editor;
    QLabel* m_summary = nullptr;
    QListWidget* m_list = nullptr;
};

// "Wiring warnings: 3", or "No wiring warnings".
QString wiringCountText(int count);

} // namespace volmar::app
