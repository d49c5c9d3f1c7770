#include "volmar/monitor/LiveMonitor.h"

#include "volmar/core/LiveView.h"
#include "volmar/editor/ButtonGrid.h"
#include "volmar/editor/ButtonsPage.h"
#include "volmar/editor/ConfigEditor.h"
#include "volmar/editor/SpecialFunctionsPage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>

#include <stdexcept>

namespace volmar::monitor {

namespace {

template <typename T>
T* find(QWidget& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (!found) {
        throw std::logic_error("the live monitor has no control " + name.toStdString());
    }
    return found;
}

// Ten times a second: a text that did not change is not set again, so
// nothing repaints and a selection in a field stays.
void setText(QLineEdit& line, const std::string& text) {
    const QString q = QString::fromStdString(text);
    if (line.text() != q) {
        line.setText(q);
    }
}

} // namespace

LiveMonitor::LiveMonitor(QWidget& window, editor::ConfigEditor& editor, QTabWidget& pages,
                         editor::SpecialFunctionsPage& curves, editor::ButtonsPage& buttons)
    : m_editor(editor), m_pages(pages), m_curves(curves), m_buttons(buttons),
      m_hardware(find<QComboBox>(window, "joy_hardware")),
      m_uptime(find<QLineEdit>(window, "joy_uptime")),
      m_chip(find<QComboBox>(window, "joy_hardware_mcu")),
      m_debugText(find<QLineEdit>(window, "DebugText")) {
    for (int n = 1; n <= kAxisCount; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        const QString axis = QStringLiteral("0%1").arg(n);
        m_raw[i] = find<QLineEdit>(window, "joy_osi_" + axis + "_t");
        m_processed[i] = find<QLineEdit>(window, "joy_osi_" + axis + "_t_axis");
        m_linkErrors[i] = find<QLineEdit>(window, QStringLiteral("adc_error_%1").arg(n));
    }
}

void LiveMonitor::show(const live::LiveData& data) {
    live::MonitorContext context;
    context.hasSource = live::axesWithSource(m_editor.state());
    context.page = m_pages.currentIndex();
    context.cursorAxis = m_curves.cursorAxis();
    context.gridColumn = m_buttons.grid().editState().col;
    const live::MonitorView view = live::monitorView(data, context);

    // The hardware type is shown, not edited: no rule runs for it.
    m_editor.state().joy_hardware = view.hardwareEntry;
    {
        const QSignalBlocker quiet(m_hardware);
        m_hardware->setCurrentIndex(view.hardwareEntry);
    }
    setText(*m_uptime, view.uptime);
    if (const QString chip = QString::fromStdString(view.chip);
        !chip.isEmpty() && m_chip->currentText() != chip) {
        m_chip->setCurrentText(chip);
    }
    for (std::size_t n = 0; n < view.raw.size(); ++n) {
        if (view.raw[n]) {
            setText(*m_raw[n], *view.raw[n]);
        }
    }
    m_buttons.showButtonStates(view.pressed);
    if (view.offeredButton != 0) {
        m_buttons.grid().offerPressedButton(view.offeredButton);
    }
    for (std::size_t n = 0; n < view.processed.size(); ++n) {
        if (view.processed[n]) {
            setText(*m_processed[n], *view.processed[n]);
        }
    }
    if (view.cursorAxis != 0) {
        const auto i = static_cast<std::size_t>(view.cursorAxis - 1);
        m_curves.showCursorValue(m_processed[i]->text(), view.cursorPosition);
    }
    setText(*m_debugText, view.debugLine);
    for (std::size_t n = 0; n < view.linkErrors.size(); ++n) {
        setText(*m_linkErrors[n], view.linkErrors[n]);
    }
}

std::array<std::string, kAxisCount> LiveMonitor::rawTexts() const {
    std::array<std::string, kAxisCount> texts;
    for (std::size_t n = 0; n < texts.size(); ++n) {
        texts[n] = m_raw[n]->text().toStdString();
    }
    return texts;
}

} // namespace volmar::monitor
