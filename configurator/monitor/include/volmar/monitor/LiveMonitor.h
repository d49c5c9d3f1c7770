#pragma once

// The live controls of the main window and one monitor tick shown in them:
// the hardware type and chip, the uptime, the raw and processed value and
// link errors of every axis, the 132 button panels, the number offered to
// the button grid's editor, the curve cursor and the debug line. What goes
// where is the core's monitorView(); this class only applies it, step by
// step in the tick's order.

#include "volmar/core/ConfigState.h"
#include "volmar/core/LiveData.h"

#include <array>
#include <string>

class QComboBox;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace volmar::editor {
class ButtonsPage;
class ConfigEditor;
class SpecialFunctionsPage;
} // namespace volmar::editor

namespace volmar::monitor {

class LiveMonitor {
public:
    // The controls are found below `window` by their names (joy_uptime,
    // joy_osi_01_t, DebugText ...); a missing one is a programming error
    // and throws std::logic_error.
    LiveMonitor(QWidget& window, editor::ConfigEditor& editor, QTabWidget& pages,
                editor::SpecialFunctionsPage& curves, editor::ButtonsPage& buttons);

    // A reply that carries data: every control it concerns shows it.
    void show(const live::LiveData& data);

    // The raw value texts of axes 1..8 as the window shows them.
    std::array<std::string, kAxisCount> rawTexts() const;

private:
    editor::ConfigEditor& m_editor;
    QTabWidget& m_pages;
    editor::SpecialFunctionsPage& m_curves;
    editor::ButtonsPage& m_buttons;
    QComboBox* m_hardware;
    QLineEdit* m_uptime;
    QComboBox* m_chip;
    std::array<QLineEdit*, kAxisCount> m_raw{};
    std::array<QLineEdit*, kAxisCount> m_processed{};
    std::array<QLineEdit*, kAxisCount> m_linkErrors{};
    QLineEdit* m_debugText;
};

} // namespace volmar::monitor
